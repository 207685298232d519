#pragma once

#include "engine/BGCopyThread.h"
#include "engine/RunnerHost.h"

#include "engine/JobQueue.h"
#include "jobs/ProgramFiles.h"
#include "jobs/Settings.h"

#include <QPointer>
#include <functional>
#include <memory>

class QLabel;
class QProgressBar;
class QWidget;

namespace trevane {

class DesktopNotifier;
class LogPanel;
class QueuePanel;
class TrayIcon;

// The main window's side of the background runner: the queue panel, the log panel, the status
// bar, the tray and the window's visibility, as the runner's operations (RunnerHost). The runner
// calls them through its Synchronize, so they run on the main thread. Everything the parts name
// must outlive the host.
class MainRunnerHost : public RunnerHost {
public:
    struct Parts {
        QWidget& window;
        const ProgramFiles& files;
        const Settings& settings;
        JobQueue& queue;
        QueuePanel& queuePanel;
        LogPanel& logView;
        LogLines& log;
        QLabel& statePanel; // status panel 0
        QProgressBar& progress;
        TrayIcon& tray;
        std::function<void()> hideWindow;
        // The runner has ended (in the window's thread); it must call ended().
        std::function<void()> runnerEnded;
    };
    explicit MainRunnerHost(Parts parts);
    ~MainRunnerHost() override;

    // Starts a runner over this host; parts.runnerEnded hears of its end.
    void start();
    void ended() { m_runner = nullptr; }
    bool isRunning() const { return !m_runner.isNull(); }
    // Returns once the runner has ended (at once without one), serving events meanwhile.
    void waitForEnd();

    RunnerSettings copySettings() override;
    bool checkRunAllowed() override;
    std::optional<std::string> markQueueHead() override;
    void removeQueueHead() override;
    void reportAbort() override;
    void hideMainWindow() override;
    void addLogLine(const std::string& message, int maxLogLines) override;
    void addLogLines(const std::vector<LogLines::Entry>& entries) override;
    WriteResult saveLogPanel(const std::string& path) override;
    void showState(const std::string& state) override;
    void showFatalMessage(const std::string& message) override;
    // Progress in the status bar and the tray tip. A job with failed steps is told through the
    // desktop's notices; a job that ended unseen by a tray message, unless the desktop took
    // the notice of its failure (bNotifyJobEnd governs both).
    void rowStarted(int row, int rows) override;
    void jobEnded(const std::string& jobFileName, int failedSteps) override;
    // The queue changed (names added, すべて消去): the progress shown counts its jobs anew.
    void queueChanged();

private:
    // The tray tip of a running job: "Trevane - " + the queue head + " 実行中".
    std::string headTip() const;

    Parts m_p;
    QPointer<TBGCopyThread> m_runner; // set while the window's queue counts a runner
    int m_row = 0, m_rows = 0;        // the row last started and the rows of its job
    std::unique_ptr<DesktopNotifier> m_notifier; // made at the first failed job
};

} // namespace trevane
