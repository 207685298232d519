#pragma once

#include "app/JobFileController.h"
#include "app/JobFileList.h"
#include "app/JobGrid.h"
#include "app/MainRunnerHost.h"
#include "app/MainWindowBars.h"
#include "app/QueuePanel.h"
#include "app/RunController.h"
#include "app/TableEditController.h"
#include "app/TimerDisplay.h"
#include "app/TrayIcon.h"
#include "app/ViewController.h"
#include "engine/BGCopyThread.h"
#include "engine/JobQueue.h"
#include "engine/LogLines.h"
#include "engine/RunnerHost.h"
#include "jobs/AtomicFile.h"
#include "jobs/DateTimePattern.h"
#include "jobs/JobDocument.h"
#include "jobs/JobOptions.h"
#include "jobs/ProgramFiles.h"
#include "jobs/Settings.h"

#include <QColor>
#include <QMainWindow>
#include <QMap>
#include <QMessageBox>
#include <QPointer>
#include <memory>
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

class HistoryController;
class JobTableModel;
class LogPanel;
class OptionsPanel;
class RestoreController;
class SidePanelSplitter;
class TTaskBar;

// The main window: the job table, the job-file list, the options check list, the queue and log
// panels, the tool band, menus and status bar. It owns the program's state in memory (settings,
// the open job document) and every dialog. Its commands live in four controllers by concern:
// job files, table editing, run control, and window and view; the window builds the widgets,
// connects the actions to the controllers' handlers and shows what they report.
//
// Rules live in the plain classes of jobs/ and engine/; handlers gather input, call them and show
// the result.
class TMainForm : public QMainWindow {
    Q_OBJECT

public:
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
    bool isModified() const { return m_doc.isModified(); }
    Settings& settings() { return m_settings; }
    const JobTable& table() const { return m_doc.table(); }
    // The open job file: its table, options and modified flag. Tests change it directly; the
    // grid shows the change after the model's reload.
    JobDocument& document() { return m_doc; }
    const LogLines& logLines() const { return m_log; }
    JobGrid* grid() const { return m_grid; }
    QLabel* statusPanel(int index) const { return m_panels[index]; }
    QAction* action(const QString& name) const { return m_actions.value(name); }
    QMenu* trayMenu() const { return m_tray->menu(); }
    TTaskBar* taskBar() const { return m_tray->taskBar(); }
    // Splitter2, whose left pane is the job-file list.
    const SidePanelSplitter& mainSplitter() const { return *m_mainSplitter; }

    // --- the commands, by concern ------------------------------------------------------------
    JobFileController& jobFiles() { return *m_jobFiles; }
    TableEditController& tableEdit() { return *m_tableEdit; }
    RunController& run() { return *m_run; }
    ViewController& view() { return *m_view; }
    // The runner's operations on this window (the runner's host).
    MainRunnerHost& runnerHost() { return *m_runnerHost; }

    // Log panel: appends message as AppendLogLine does, with the given limit (iMaxLog unless
    // given).
    void AppendLogLine(const std::string& message, std::optional<int> maxLines = std::nullopt);
    bool SaveLogFile(const std::string& folder);

    void LoadSettings();
    [[nodiscard]] WriteResult SaveSettings();
    // The desktop ends the program (logout, shutdown, a stop signal), when nothing can be asked
    // any more: what closing writes is written, a run stops at its next check, and the window
    // reports that it has closed.
    void endSession();
    // Start-up: edits a stop kept in a recovery file are offered back.
    void offerRecovery();

public slots:
    // dialogs
    void OptionClick();
    void AboutClick();
    void SetShortCutKeyClick();
    void MakeSFXClick();
    void ShowCommandClick();

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
    // Makes the controllers over the built widgets and connects the actions, menus, tray and
    // panels to their handlers.
    void buildControllers();
    void connectHandlers();
    void installSessionEnd();

    // state
    ProgramFiles m_files;
    JobDocument m_doc;
    Settings m_settings;
    LogLines m_log; // changed only through m_logView, which mirrors it
    DateTimeLocale m_dateTimeLocale;
    JobQueue m_jobQueue; // what the queue panel shows
    TimerDisplay* m_timerDisplay = nullptr;
    TrayIcon* m_tray = nullptr;

    // controllers (children of the window)
    JobFileController* m_jobFiles = nullptr;
    TableEditController* m_tableEdit = nullptr;
    RunController* m_run = nullptr;
    ViewController* m_view = nullptr;
    RestoreController* m_restore = nullptr;
    HistoryController* m_history = nullptr;
    std::unique_ptr<MainRunnerHost> m_runnerHost;

    // widgets
    SidePanelSplitter* m_mainSplitter = nullptr; // Splitter2: job-file list | right side
    QSplitter* m_rightSplitter = nullptr;        // table / lower panel / log
    QSplitter* m_lowerSplitter = nullptr;        // options | queue
    QWidget* m_leftPanel = nullptr;
    JobFileList* m_cplFileList = nullptr;
    JobGrid* m_grid = nullptr;
    JobTableModel* m_model = nullptr;
    QWidget* m_lowerPanel = nullptr;
    OptionsPanel* m_options = nullptr; // the options check list and the /D date edit
    QWidget* m_quePanel = nullptr;
    QueuePanel* m_que = nullptr;
    LogPanel* m_logView = nullptr;
    QLabel* m_panels[4] = {};
    QProgressBar* m_progress = nullptr; // RunProgress: job and row of the run, while one runs
    QMap<QString, QAction*> m_actions;
    MainWindowBars m_bars{*this, m_actions, m_settings};
};

} // namespace trevane
