#pragma once

#include <QDialog>
#include <string>

class QPlainTextEdit;
class QTableWidget;

namespace trevane {

// The history window: the runs kept in the history folder, newest first (start, job, result,
// failed steps), and the whole log of the selected run below them. Not modal; it reads the
// folder when it opens and when 更新 is pressed.
//
// Controls (object names): lvRuns (one row per run, whole rows selected), meRunLog (the
// selected run's log, read-only, no wrapping), RefreshBtn "更新(&R)", CloseBtn "閉じる".
class RunHistoryDialog : public QDialog {
    Q_OBJECT

public:
    explicit RunHistoryDialog(std::string folder, QWidget* parent = nullptr);

    QTableWidget* runs() const { return m_runs; }
    QPlainTextEdit* runLog() const { return m_log; }

public slots:
    // Lists the folder's runs again and selects the newest.
    void refresh();

private:
    void showSelectedRun();

    std::string m_folder;
    QTableWidget* m_runs = nullptr;
    QPlainTextEdit* m_log = nullptr;
};

} // namespace trevane
