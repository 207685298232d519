#pragma once

#include "app/JobFileList.h"
#include "app/JobGrid.h"
#include "app/MainRunnerHost.h"
#include "app/MainWindowLayout.h"
#include "app/QueuePanel.h"
#include "app/TimerDisplay.h"
#include "app/TrayIcon.h"
#include "engine/BGCopyThread.h"
#include "engine/JobQueue.h"
#include "engine/LogLines.h"
#include "engine/RunnerHost.h"
#include "jobs/AtomicFile.h"
#include "jobs/DateTimePattern.h"
#include "jobs/JobDocument.h"
#include "jobs/JobOptions.h"
#include "jobs/JobTableEditing.h"
#include "jobs/ProgramFiles.h"
#include "jobs/Settings.h"
#include "jobs/TimerScheduler.h"

#include <QColor>
#include <QMainWindow>
#include <QMap>
#include <QMessageBox>
#include <QPointer>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QSplitter;
class QWidget;

namespace trevane {

class Clock;
class JobTableModel;
class LogPanel;
class OptionsPanel;
class SidePanelSplitter;
class TTaskBar;

// The main window: the job table, the job-file list, the options check list, the queue and log
// panels, the tool band, menus and status bar. It owns the program's state in memory (settings,
// the open job document, last folder) and every dialog.
//
// Handlers carry the names of the controls and events they serve (FileNewClick, FormCreate...).
// Rules live in the plain classes of jobs/ and engine/; handlers gather input, call them and show
// the result.
class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    // The manual the help command opens, shipped beside the executable.
    static constexpr const char* HelpFileName = "Trevane-help.md";

    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // Shows the window unless bShowAtStart is clear (start-up's last step); then only the tray
    // icon is there.
    void showAtStartIfWanted();
    // The desktop session is ending (logout, shutdown): the close question when the session
    // manager lets the program ask (mayAsk). False when the user chose to stay, which cancels
    // the session's end.
    bool SessionEndQuery(bool mayAsk);

    // --- state other parts of the program read ---------------------------------------------
    const ProgramFiles& files() const { return m_files; }
    const std::string& currentFile() const { return m_doc.path(); }
    bool isModified() const { return m_doc.isModified(); }
    const std::string& lastFolder() const { return m_lastFolder; }
    Settings& settings() { return m_settings; }
    const JobTable& table() const { return m_doc.table(); }
    // The open job file: its table, options and modified flag. Tests change it directly; the
    // grid shows the change after the model's reload.
    JobDocument& document() { return m_doc; }
    JobTableModel* model() const { return m_model; }
    const LogLines& logLines() const { return m_log; }
    JobGrid* grid() const { return m_grid; }
    QLabel* statusPanel(int index) const { return m_panels[index]; }
    QAction* action(const QString& name) const { return m_actions.value(name); }

    // --- operations of the job table and its file ---------------------------------------------
    // Yes, No or Cancel; asks only while the modified flag is set. On Yes the table is saved
    // first, and a save that did not happen (cancelled or failed) gives Cancel.
    QMessageBox::StandardButton QuerySaveChanges();
    // Opens the job file and shows it; a file that cannot be read leaves the table empty under
    // its name.
    void OpenJobFile(const std::string& path);

    // The grid reports the changed text of the cell being edited (table coordinates).
    void sgCopyListSetEditText(int column, int row, const std::string& text);
    // Files dropped on the window, as local paths in the locale's code page.
    void DropFiles(const std::vector<std::string>& paths);
    // The row command hint for the grid row under the mouse.
    void sgCopyListMouseMove(int row);
    // The options check list: recompute the switch texts and panel 2, set the modified flag.
    void OptionCheckListBoxClickCheck();
    void DateMaskEditExit();

    // Log panel: appends message as AppendLogLine does, with the given limit.
    void AppendLogLine(const std::string& message, int maxLines);
    void AppendLogLine(const std::string& message) { AppendLogLine(message, m_settings.iMaxLog); }

    void LoadSettings();
    [[nodiscard]] WriteResult SaveSettings();
    // The desktop ends the program (logout, shutdown, a stop signal), when nothing can be asked
    // any more: what closing writes is written, a run stops at its next check, and the window
    // reports that it has closed.
    void endSession();
    // Start-up: edits a stop kept in a recovery file are offered back.
    void offerRecovery();

    // --- run control ------------------------------------------------------------------------
    // Puts the bare name of a job file into the queue (once) and makes sure a runner runs.
    void QueueJobFile(const std::string& path);
    const std::vector<std::string>& queue() const { return m_jobQueue.names(); }
    QueuePanel* queuePanel() const { return m_que; }
    bool continueRun() const { return m_jobQueue.continueRun(); }
    bool hasRunner() const { return m_jobQueue.hasRunner(); }
    bool SaveLogFile(const std::string& folder);

    // The runner's operations on this window (the runner's host).
    MainRunnerHost& runnerHost() { return m_runnerHost; }
    std::string helpFilePath() const;
    QMenu* trayMenu() const { return m_tray->menu(); }
    TTaskBar* taskBar() const { return m_tray->taskBar(); }
    // The clock the timer reads (the system clock unless a test sets one; null restores it).
    void setClock(Clock* clock);
    const TimerScheduler& scheduler() const { return m_scheduler; }
    // A row dragged by its number cell from one table row to another.
    void sgCopyListRowMoved(int from, int to);
    // Splitter2, whose left pane is the job-file list.
    const SidePanelSplitter& mainSplitter() const { return *m_mainSplitter; }

public slots:
    // job file commands
    void FileNewClick();
    void FileOpenClick();
    void FileSaveClick();
    void FileSaveAsClick();
    void FileDeleteClick();
    void CPLFileListBoxDblClick();
    void SelectAll1Click();
    void CPLFileListBoxChange();
    // run control
    void StartCopyClick();
    void StartJobFileClick();
    void SendSelectedJobFileClick();
    void StopCopyClick();
    void RestartCopyClick();
    void ClearQueClick();
    void ShowLogClick();
    void OnRunnerTerminate();
    // editing
    void EditUndoClick();
    void EditCutClick();
    void EditCopyClick();
    void EditPasteClick();
    void ClearSelectedClick();
    void InsertRowClick();
    void RowCopyClick();
    void RowDeleteClick();
    void ColCopyAllClick();
    void ReferClick();
    // dialogs
    void OptionClick();
    void AboutClick();
    void SetShortCutKeyClick();
    void MakeSFXClick();
    void ShowCommandClick();
    // timer
    void TimerOnOffClick();
    void TimerTimer();
    // window and view
    void ExecExplorerClick();
    void TopicsClick();
    void HideWindowClick();
    void ShowLeftPanelClick();
    void ShowCaptionClick();
    void FlatButtonClick();
    // Tray icon events; button 0 is the left, 1 the right, 2 the middle mouse button.
    void TaskBarTrayClick(int button);
    void TaskBarTrayDblClick(int button);

signals:
    // The window has closed for good: the program ends.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    friend class MainRunnerHost; // the window's own side of the runner, in a class of its own
    void FormCreate();
    void FormShow();
    bool FormCloseQuery();
    void FormClose();
    // Brings the window back onto a screen, no larger than it, where the settings put it
    // out of reach.
    void keepOnScreen();

    // The document's table, options and switch texts in the widgets.
    void showDocument();
    // The caption and the modified marker (the document's listener).
    void showDocumentState();
    void buildLayout();
    void buildActions();
    void installGridBehaviour();
    // Starts commandLine without waiting for it. With `what` (the thing opened, as a message
    // names it), a failure says so in a message: a program that cannot be started, and for
    // xdg-open, which ends once it has handed the file or folder over, a non-zero exit status
    // (no program for it, a folder that is gone).
    bool startDetached(const std::string& commandLine, const QString& what = {});
    // Hides the window to the tray; without a tray icon it is only minimised, so that it
    // stays reachable.
    void hideToTray();
    void buildTray();
    void installSessionEnd();
    void installEditing();
    // Opens the folder selection for the cell; true when it was closed with OK.
    bool openFolderSelection(int column, int row);
    void updateLastFolderFromCell(int column, int row);

    // state
    ProgramFiles m_files;
    JobDocument m_doc;
    Settings m_settings;
    std::string m_lastFolder;
    LogLines m_log; // changed only through m_logView, which mirrors it
    DateTimeLocale m_dateTimeLocale;
    JobQueue m_jobQueue; // what reQue shows
    MainRunnerHost m_runnerHost{*this};
    TimerScheduler m_scheduler;
    Clock* m_clock;
    TimerDisplay* m_timerDisplay = nullptr;
    TrayIcon* m_tray = nullptr;

    // widgets
    SidePanelSplitter* m_mainSplitter = nullptr; // Splitter2: job-file list | right side
    QSplitter* m_rightSplitter = nullptr;        // table / lower panel / log
    QSplitter* m_lowerSplitter = nullptr;        // options | queue
    QWidget* m_leftPanel = nullptr;
    JobFileList* m_cplFileList = nullptr; // CPLFileListBox
    JobGrid* m_grid = nullptr;            // sgCopyList
    JobTableModel* m_model = nullptr;
    QWidget* m_lowerPanel = nullptr;
    OptionsPanel* m_options = nullptr; // OptionPanel: OptionCheckListBox, DateMaskEdit
    QWidget* m_quePanel = nullptr;
    QueuePanel* m_que = nullptr;   // reQue
    LogPanel* m_logView = nullptr; // reLog
    QLabel* m_panels[4] = {};
    QProgressBar* m_progress = nullptr; // RunProgress: job and row of the run, while one runs
    QMap<QString, QAction*> m_actions;
    MainWindowLayout m_layout{*this, m_actions, m_settings};
};

} // namespace trevane
