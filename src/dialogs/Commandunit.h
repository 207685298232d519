#pragma once

#include "PathConventions.h"
#include "jobs/JobTable.h"

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace trevane {

// The command list preview window: the command lines of the job table, read-only, with a
// button that closes it and one that closes it and starts the job.
//
// Controls (object names): RichEdit1 (the lines, no wrapping, both scroll bars), Panel1 (the
// 31-pixel button strip along the bottom), OKBtn "閉じる" (default button, closes with Ok),
// StartBtn "開始(&S)" (closes with Yes). Escape or the close box closes with Rejected.
class TCommandForm : public QDialog {
    Q_OBJECT

public:
    // The results exec() returns besides QDialog::Rejected.
    enum Result { Ok = QDialog::Accepted, Yes = 2 };

    explicit TCommandForm(QWidget* parent = nullptr);

    // Shows the lines, one per line of RichEdit1; texts in the locale's code page.
    void setLines(const std::vector<std::string>& lines);
    void setCaption(const std::string& caption);

    QPlainTextEdit* richEdit() const { return m_richEdit; }
    QPushButton* okButton() const { return m_okButton; }
    QPushButton* startButton() const { return m_startButton; }

    // What the preview needs from the main window.
    struct Input {
        const JobTable& table;
        std::string xcopySwitches; // the options check list's switch texts
        std::string uSwitches;
        std::string stamp;       // the moment of the preview, formatted with asDateTimeFormat
        std::string currentFile; // full path, or "新規.cpl" for an unsaved table
        PathConventions conventions = PathConventions::native();
    };

    // ShowCommandClick's work: builds the list into a new window, shows it modally and, when it
    // closed with the start button, calls startCopy (the main window's StartCopyClick) after
    // the window is gone. Returns the window's result. Nothing in the table changes.
    static int showPreview(QWidget* parent, const Input& input,
                           const std::function<void()>& startCopy);

private:
    QPlainTextEdit* m_richEdit = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_startButton = nullptr;
};

} // namespace trevane
