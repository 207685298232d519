#pragma once

#include "PathConventions.h"
#include "dialogs/BookmarkCombo.h"
#include "jobs/FolderChoice.h"
#include "jobs/JobTable.h"

#include <QDialog>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace trevane {

class TSfxDlg;

// The folder dialog "Trevane - FolderSelect": a drive (mount point) selector, a folder tree, the
// file list of the tree's folder, a name field, a new-folder button and the bookmark combo
// `cbDirList`, whose text is the chosen folder and whose entries are the directory bookmarks
// (DirList.txt in the program folder, a most-recently-used list of every folder visited).
//
// Two ways to open it, each for one modal use:
// - for a cell of the job table (columns 1 to 4; see FolderChoice::modeForColumn). OK writes
//   the cells of the current row (FolderChoice::apply), may append an entry row, and closes
//   with Accepted; the caller then refreshes its view of the table, takes chosenFolder() as
//   its last folder and sets its modified flag.
// - for the output folder of the self-extracting archive dialog. OK hands the combo's text
//   and entries to that dialog.
// In both, OK writes DirList.txt (atomically); Cancel leaves it and everything else untouched.
// A double click on the tree or the file list acts as OK, except that in the archive dialog's
// mode it leaves the dialog open.
//
// The table, the archive dialog and the program folder must outlive the dialog. The tree's
// moves also set the process's current folder, as the file list always has done, so the next
// dialog opened on a missing folder starts where this one was.
class TFolderSelectForm : public QDialog {
    Q_OBJECT

public:
    // Job-table mode; column must be 1 to 4 (the caller checks with modeForColumn first).
    TFolderSelectForm(const std::string& programFolder, JobTable& table, int column, int row,
                      QWidget* parent = nullptr);
    // The archive dialog's mode: starts at the folder part of its archive field.
    TFolderSelectForm(const std::string& programFolder, TSfxDlg& archiveDialog,
                      QWidget* parent = nullptr);

    FolderSelectMode mode() const { return m_mode; }
    // The tree's current folder: no trailing separator unless it is the root.
    const std::string& treeFolder() const { return m_folder; }
    // After OK: the tree's folder, the last folder the main window keeps.
    const std::string& chosenFolder() const { return m_chosenFolder; }
    // After OK in job-table mode: whether an entry row was appended.
    bool rowAppended() const { return m_rowAppended; }
    const std::vector<std::string>& bookmarks() const { return m_dirList->bookmarks().entries(); }
    std::string comboText() const;
    std::string nameText() const;

    // --- the dialog's steps, also driven by tests ----------------------------------------
    // Moves the tree to path when it is an existing folder (no message otherwise). The tree
    // and the file list are read again when the folder changes, or always with reread.
    bool moveTree(const std::string& path, bool reread = false);
    void DirectoryListBoxChange();
    void cbDirListClick();
    void FileListBoxClick();
    void CreateDirBtnClick();
    void EditDirListBtnClick();
    void DriveComboBoxChange();
    // fromButton: the OK button (closes) rather than a double click.
    void OkBtnClick(bool fromButton = true);
    // Local paths in the locale's code page, in the order they were dropped.
    void DropFiles(const std::vector<std::string>& paths);

    // The mount points the drive selector offers: "/" and the mounted file systems that hold
    // files (pseudo file systems under /proc, /sys and /dev left out).
    static std::vector<std::string> driveRoots();

protected:
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TFolderSelectForm(const std::string& programFolder, FolderSelectMode mode, JobTable* table,
                      int row, TSfxDlg* archiveDialog, QWidget* parent);
    void buildLayout();
    void FormCreate(const std::string& startFolder, const std::string& startFile);
    void rereadTree();
    void rereadFiles();
    void showDrive();

    std::string m_programFolder;
    FolderSelectMode m_mode;
    JobTable* m_table = nullptr;
    int m_row = 0;
    TSfxDlg* m_archiveDialog = nullptr;
    PathConventions m_conventions = PathConventions::native();
    std::string m_folder;
    std::string m_chosenFolder;
    bool m_rowAppended = false;
    bool m_created = false;
    bool m_shownOnce = false;

    QLabel* m_heading = nullptr;        // FromToLabel
    QComboBox* m_drives = nullptr;      // DriveComboBox
    QTreeWidget* m_tree = nullptr;      // DirectoryListBox
    QListWidget* m_files = nullptr;     // FileListBox
    QLineEdit* m_name = nullptr;        // DirFileEdit
    QPushButton* m_createDir = nullptr; // CreateDirBtn
    BookmarkCombo* m_dirList = nullptr; // cbDirList
};

} // namespace trevane
