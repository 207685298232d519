#include "app/MainRunnerHost.h"

#include "app/LogPanel.h"
#include "app/QueuePanel.h"
#include "app/TrayIcon.h"
#include "dialogs/MessageBox.h"
#include "engine/StepResult.h"
#include "platform/AppPaths.h"
#include "platform/DesktopNotifier.h"
#include "platform/TextCodec.h"
#include "tray/TaskBar.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>

namespace trevane {

MainRunnerHost::MainRunnerHost(Parts parts) : m_p(std::move(parts)) {}

MainRunnerHost::~MainRunnerHost() = default;

void MainRunnerHost::start() {
    // The runner's first step waits for this thread, so the end event is connected in time.
    m_runner = new TBGCopyThread(*this);
    QObject::connect(m_runner, &TBGCopyThread::OnTerminate, &m_p.window, m_p.runnerEnded);
}

void MainRunnerHost::waitForEnd() {
    // The runner may be waiting inside a synchronized call, so keep serving events.
    // Its end event arrives through the event queue after the thread has finished.
    while (m_runner) {
        m_runner->wait(10);
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

RunnerSettings MainRunnerHost::copySettings() {
    RunnerSettings copy;
    copy.files = m_p.files;
    copy.maxLogLines = m_p.settings.iMaxLog;
    copy.captureOutput = m_p.settings.bAddLog;
    copy.dateTimeFormat = m_p.settings.asDateTimeFormat;
    copy.verify = m_p.settings.bVerify;
    copy.runsFolder = runsFolder(m_p.files.folder);
    copy.historyDays = m_p.settings.iHistoryDays;
    return copy;
}

bool MainRunnerHost::checkRunAllowed() {
    return m_p.queue.checkRunAllowed();
}

std::optional<std::string> MainRunnerHost::markQueueHead() {
    std::optional<std::string> head = m_p.queue.markHead();
    if (head) {
        m_p.queuePanel.showQueue();
        m_p.queuePanel.moveCursorToHead();
    }
    return head;
}

void MainRunnerHost::removeQueueHead() {
    m_p.queue.removeHead();
    m_p.queuePanel.showQueue();
}

void MainRunnerHost::reportAbort() {
    m_p.queue.reportAbort();
    m_p.queuePanel.showQueue();
}

void MainRunnerHost::hideMainWindow() {
    m_p.hideWindow();
}

void MainRunnerHost::addLogLine(const std::string& message, int maxLogLines) {
    m_p.logView.append(message, maxLogLines);
}

void MainRunnerHost::addLogLines(const std::vector<LogLines::Entry>& entries) {
    m_p.logView.append(entries);
}

WriteResult MainRunnerHost::saveLogPanel(const std::string& path) {
    return m_p.log.save(path);
}

std::string MainRunnerHost::headTip() const {
    const std::vector<std::string>& queue = m_p.queue.names();
    return runningTrayTip(queue.empty() ? std::string() : queue.front());
}

void MainRunnerHost::showState(const std::string& state) {
    m_p.statePanel.setText(toQString(state));
    m_p.tray.setTip(headTip());
}

void MainRunnerHost::queueChanged() {
    if (!m_p.progress.isHidden() && !m_p.queue.names().empty())
        rowStarted(m_row, m_rows);
}

void MainRunnerHost::rowStarted(int row, int rows) {
    m_row = row;
    m_rows = rows;
    const std::string progress = m_p.queue.progressText(row, rows);
    m_p.progress.setRange(0, rows);
    m_p.progress.setValue(row + 1);
    m_p.progress.setFormat(toQString(progress));
    m_p.progress.show();
    m_p.tray.setTip(headTip() + " " + progress);
}

void MainRunnerHost::jobEnded(const std::string& jobFileName, int failedSteps) {
    if (!m_p.settings.bNotifyJobEnd)
        return;
    bool told = false;
    if (failedSteps > 0) {
        if (!m_notifier)
            m_notifier = DesktopNotifier::sessionBus();
        told = m_notifier->notify(StepResult::FailureNoticeSummary,
                                  StepResult::endNotice(jobFileName, failedSteps));
    }
    // One notice per job: where the tray's message is itself a desktop notice, a second would
    // repeat the first.
    const bool unseen = !m_p.window.isVisible() || m_p.window.isMinimized();
    if (unseen && !told)
        (void)m_p.tray.taskBar()->showMessage(
            "Trevane", StepResult::endNotice(jobFileName, failedSteps), failedSteps > 0);
}

void MainRunnerHost::showFatalMessage(const std::string& message) {
    MessageBox::critical(&m_p.window, toQString(message));
}

} // namespace trevane
