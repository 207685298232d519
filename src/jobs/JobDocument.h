#pragma once

#include "jobs/AtomicFile.h"
#include "jobs/JobOptions.h"
#include "jobs/JobTable.h"
#include "jobs/JobTableEditing.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trevane {

// The open job file: its table, its path, its job options and the modified flag, with the
// file commands (new, open, save, save as) and the question asked before unsaved changes are
// dropped. No widgets: the window shows the document and hands it the user's answers through
// callbacks.
//
// The modified flag belongs to the document. Every change of the content made through it sets
// the flag, whatever the path (a cell's text, the editing commands, a drop, a folder choice, the
// options); only a successful new, open or save clears it (and discardChanges, when the user
// deleted the open job file). There is no other way to change the table, so no edit can slip past
// the flag.
class JobDocument {
public:
    static constexpr std::string_view NewFileName = "新規.cpl";

    enum class Answer { Yes, No, Cancel };

    // What the file commands need from the user. Every member must be set.
    struct Dialogs {
        // "Save the changes first?": Yes, No or Cancel.
        std::function<Answer()> askSaveChanges;
        // The save dialog, starting at proposed; nothing when the user cancelled it.
        std::function<std::optional<std::string>(const std::string& proposed)> chooseSavePath;
        // Tells the user why nothing was saved.
        std::function<void(const std::string& message)> warn;
        // A yes-or-no question; true for yes. Needed by readyToRun only.
        std::function<bool(const std::string& question)> confirm;
    };

    // jobFileFolder: where a new table is proposed to be saved. settingsPath: the settings file
    // that holds every job file's options section.
    JobDocument(std::string jobFileFolder, std::string settingsPath);

    const JobTable& table() const { return m_table; }
    // The open job file: NewFileName for a new table, otherwise a path.
    const std::string& path() const { return m_path; }
    bool isModified() const { return m_modified; }
    const JobOptions& options() const { return m_options; }
    // The table's runnable rows as last saved, opened or snapshotted: the undo snapshot.
    const JobTableEditing::JobLines& jobLines() const { return m_jobLines; }

    // Called after every change of the modified flag or the path, so the window can follow.
    void setChangeListener(std::function<void()> listener) { m_listener = std::move(listener); }

    // --- content changes --------------------------------------------------------------------
    // The text of a cell, typed into the cell editor or committed by it. Sets the flag when the
    // text differs. Returns whether an entry row was appended (JobTable::setEditText).
    bool setEditText(int column, int row, std::string text);
    // Runs an editing command on the table and the undo snapshot; sets the flag when the
    // command says so.
    EditResult edit(const std::function<EditResult(JobTableEditing&)>& command);
    // Undo (JobTableEditing::undo); sets the flag when the table is no longer what it was.
    EditResult undo(const GridSelection& selection);
    // Files dropped on the table (JobTable::dropFiles); always sets the flag.
    JobTable::DropResult dropFiles(int column, int row, const std::vector<std::string>& paths,
                                   const std::function<bool(const std::string&)>& isDirectory);
    // A change made by code that writes cells itself (the folder dialog): runs change and sets
    // the flag when it returns true (the user confirmed). The reference is valid during the
    // call only.
    bool changeTable(const std::function<bool(JobTable&)>& change);
    // The options check list's items and the /D date; sets the flag.
    void setOptionItems(const JobOptionItems& items, const std::string& date);
    // A key that starts editing, leaving the date field: the user is changing something.
    void markModified() { setModified(true); }
    // The view's column widths, kept with the options; not a change of the content.
    void setColumnWidths(int width0, int width1, int width2);
    void numberRows() { m_table.numberRows(); }

    // --- file commands ----------------------------------------------------------------------
    // A new table under NewFileName: one blank row, the editor's default options (widths and
    // date from that name's section when it has one); clears the flag.
    void newFile();
    struct [[nodiscard]] OpenResult {
        bool ok = false;
        std::string error; // why the file could not be read; empty when ok
        explicit operator bool() const { return ok; }
    };
    // Makes path the open file, reads its options and the file. Not ok when the file cannot be
    // read: the table is then left empty under the new name and the flag keeps its value.
    OpenResult open(const std::string& path);
    // Save: to the open file, or through saveAs for a new table. True when the file and its
    // options were written; otherwise the flag stays set and dialogs.warn told why (nothing is
    // said when the user cancelled the save dialog).
    bool save(const Dialogs& dialogs);
    bool saveAs(const Dialogs& dialogs);
    bool saveTo(const std::string& path, const Dialogs& dialogs);
    // Before the table is dropped: Yes without asking while unmodified; otherwise the user's
    // answer, where Yes saves first and a save that did not happen counts as Cancel.
    Answer querySaveChanges(const Dialogs& dialogs);
    // Before the open job is queued: the runner runs a job file of the job-file folder by its
    // name, so a new table or a file from elsewhere would run as another file or not at all.
    // True when the open file lies in the job-file folder; otherwise the user is asked to save
    // it there, and true once that save worked. A save into another folder is refused with
    // dialogs.warn.
    bool readyToRun(const Dialogs& dialogs);
    // Forgets unsaved changes without saving (the open job file was deleted).
    void discardChanges() { setModified(false); }
    // Start-up: the file open at the last close becomes the open file and its options are
    // read, but not the file itself (the caller opens it when it is there). Not reported to
    // the change listener: the caption keeps the new table's name until the file is opened.
    void restorePath(std::string path);

    // --- unsaved edits across a stop ---------------------------------------------------------
    // Where unsaved edits of the open file wait for the next start: beside the job file, its
    // name with ".recovery" added (a new table's in the job-file folder).
    std::string recoveryPath() const;
    // Writes the table's lines to recoveryPath() when the flag is set (a stop signal ends the
    // program without asking). Ok when there was nothing to keep.
    WriteResult writeRecovery() const;
    // Takes the kept edits back: their lines replace the table, the flag is set (they are
    // still unsaved) and the recovery file goes. False when it could not be read.
    bool takeRecovery();

private:
    void setModified(bool value);
    void setPath(std::string path);
    void readOptions();
    void notify() const;

    std::string m_jobFileFolder;
    std::string m_settingsPath;
    JobTable m_table;
    std::string m_path{NewFileName};
    JobOptions m_options = JobOptions::editorDefaults();
    JobTableEditing::JobLines m_jobLines;
    bool m_modified = false;
    std::function<void()> m_listener;
};

} // namespace trevane
