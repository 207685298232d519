#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;

namespace trevane {

// The bookmark editor "ディレクトリリスト": the folder dialog's bookmarks in a list in which
// entries are deleted, one selection or all at once. Created for one use by the folder
// dialog, which reads entries() back after OK; Cancel leaves the caller's list as it was.
class TDirListForm : public QDialog {
    Q_OBJECT

public:
    explicit TDirListForm(const std::vector<std::string>& entries, QWidget* parent = nullptr);

    // The list as the editor now shows it.
    std::vector<std::string> entries() const;

    void DeleteBtnClick();
    // Asks first; a Yes empties the list.
    void AllClearBtnClick();

private:
    QListWidget* m_list = nullptr; // DirListBox
};

} // namespace trevane
