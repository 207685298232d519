#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace trevane {

struct ProgramFiles;
class RunHistoryDialog;

// The history command: opens the history window over the runs folder of the program's data
// folder, or brings it to the front when it is open. Everything passed in must outlive the
// controller.
class HistoryController : public QObject {
    Q_OBJECT

public:
    HistoryController(QWidget& window, const ProgramFiles& files, QObject* parent = nullptr);

    // The open history window, or null.
    RunHistoryDialog* historyWindow() const;

public slots:
    void ShowHistoryClick();

private:
    QWidget& m_window;
    const ProgramFiles& m_files;
    QPointer<RunHistoryDialog> m_dialog;
};

} // namespace trevane
