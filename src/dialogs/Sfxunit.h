#pragma once

#include "dialogs/BookmarkCombo.h"
#include "engine/SfxConverter.h"
#include "jobs/JobTable.h"

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;

namespace trevane {

class ArchiverLibrary;
class DetachedLauncher;

// The dialog "自動解凍書庫の作成": turns an LHA archive into a self-extracting archive in an
// output folder by one call of the archiver library's s command, on the calling (main) thread,
// then logs the command line, saves the log and opens a folder window on the output folder.
//
// It starts from the job table's current row (the destination folder and the archive name)
// and from the bookmarks in DirList.txt, which it reads but never writes; its folder button
// opens the folder dialog in the archive dialog's mode, whose OK hands back the folder and
// the bookmark list (setOutputFolder). OK closes the dialog in every case.
class TSfxDlg : public QDialog {
    Q_OBJECT

public:
    // What the dialog needs from the main window. References must outlive the dialog.
    struct Services {
        std::string programFolder;  // DirList.txt, and where the log is saved
        ArchiverLibrary& archiver;  // UnlhaLibrary::beside(helperFolder()) in the program
        DetachedLauncher& launcher; // DetachedLauncher::createNative(helperFolder())
        std::function<void(const std::string&)> appendLogLine; // TMainForm::AppendLogLine
        std::function<void(const std::string&)> saveLogFile;   // TMainForm::SaveLogFile
    };

    TSfxDlg(const JobTable& table, int currentRow, Services services, QWidget* parent = nullptr);

    std::string archiveText() const;
    std::string comboText() const;
    const std::vector<std::string>& bookmarks() const { return m_dirList->bookmarks().entries(); }
    // Where the archive chooser starts: the row's destination folder when it exists.
    const std::string& chooserFolder() const { return m_chooserFolder; }
    // The result of the last OK (outcome MissingArchive until then).
    const SfxConverter::Result& lastResult() const { return m_lastResult; }

    // The folder dialog's OK in this dialog's mode: the folder text and the bookmark list.
    void setOutputFolder(const std::string& text, const std::vector<std::string>& entries);

    // --- the dialog's steps, also driven by tests ----------------------------------------
    void refLHAFileBtnClick();
    void refSFXDirBtnClick();
    void cbDirListClick();
    void DeleteBtnClick();
    void OKBtnClick();

private:
    Services m_services;
    PathConventions m_conventions = PathConventions::native();
    std::string m_chooserFolder;
    SfxConverter::Result m_lastResult;
    QLineEdit* m_archive = nullptr;     // edLHAFile
    BookmarkCombo* m_dirList = nullptr; // cbDirList
};

} // namespace trevane
