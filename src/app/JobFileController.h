#pragma once

#include "jobs/JobDocument.h"
#include "jobs/ProgramFiles.h"
#include "jobs/Settings.h"

#include <QMessageBox>
#include <QObject>
#include <string>

class QWidget;

namespace trevane {

class JobFileList;

// The job-file commands: new, open, save, save as and delete of the open job document, and the
// job-file list (CPLFileListBox) beside the table. Questions and warnings go through MessageBox
// and FileDialogs over the dialog parent. What the window must show in turn (the new table, the
// cursor in an opened file) it hears through the signals, synchronously.
//
// The document, files, settings and list must outlive the controller; the dialog parent may be
// null.
class JobFileController : public QObject {
    Q_OBJECT

public:
    JobFileController(JobDocument& doc, const ProgramFiles& files, const Settings& settings,
                      JobFileList& list, QWidget* dialogParent, QObject* parent = nullptr);

    // Yes, No or Cancel; asks only while the modified flag is set. On Yes the table is saved
    // first, and a save that did not happen (cancelled or failed) gives Cancel.
    QMessageBox::StandardButton QuerySaveChanges();
    // Opens the job file and shows it; a file that cannot be read leaves the table empty under
    // its name, and says so.
    void OpenJobFile(const std::string& path);
    // Opens a job file named from outside the window (the command line, a second start) as the
    // open command opens the file it chose: after the save question, which may cancel it.
    void OpenGivenFile(const std::string& path);

public slots:
    void FileNewClick();
    void FileOpenClick();
    void FileSaveClick();
    void FileSaveAsClick();
    void FileDeleteClick();
    void CPLFileListBoxDblClick();
    void CPLFileListBoxChange();
    void SelectAll1Click();

signals:
    // The document's table and options were replaced (new file, open).
    void documentReplaced();
    // A job file was read whole: the cursor goes to its first cell.
    void jobFileOpened();
    // A double click on the list with bDoCopyByDClick: the selected job files are to run.
    void runSelectedRequested();

private:
    // Opens path and selects it in the refreshed list.
    void showChosenFile(const std::string& path);

    JobDocument& m_doc;
    const ProgramFiles& m_files;
    const Settings& m_settings;
    JobFileList& m_list;
    QWidget* m_dialogParent;
};

} // namespace trevane
