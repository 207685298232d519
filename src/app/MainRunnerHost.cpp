#include "app/MainRunnerHost.h"

#include "app/LogPanel.h"
#include "app/Mainunit.h"
#include "app/QueuePanel.h"
#include "app/TrayIcon.h"
#include "dialogs/MessageBox.h"
#include "engine/StepResult.h"
#include "platform/TextCodec.h"
#include "tray/TaskBar.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>

namespace trevane {

MainRunnerHost::MainRunnerHost(TMainForm& window) : m_w(window) {}

void MainRunnerHost::start() {
    // The runner's first step waits for this thread, so the end event is connected in time.
    m_runner = new TBGCopyThread(*this);
    QObject::connect(m_runner, &TBGCopyThread::OnTerminate, &m_w, &TMainForm::OnRunnerTerminate);
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
    copy.files = m_w.m_files;
    copy.maxLogLines = m_w.m_settings.iMaxLog;
    copy.captureOutput = m_w.m_settings.bAddLog;
    copy.dateTimeFormat = m_w.m_settings.asDateTimeFormat;
    return copy;
}

bool MainRunnerHost::checkRunAllowed() {
    return m_w.m_jobQueue.checkRunAllowed();
}

std::optional<std::string> MainRunnerHost::markQueueHead() {
    std::optional<std::string> head = m_w.m_jobQueue.markHead();
    if (head) {
        m_w.m_que->showQueue();
        m_w.m_que->moveCursorToHead();
    }
    return head;
}

void MainRunnerHost::removeQueueHead() {
    m_w.m_jobQueue.removeHead();
    m_w.m_que->showQueue();
}

void MainRunnerHost::reportAbort() {
    m_w.m_jobQueue.reportAbort();
    m_w.m_que->showQueue();
}

void MainRunnerHost::hideMainWindow() {
    m_w.hideToTray();
}

void MainRunnerHost::addLogLine(const std::string& message, int maxLogLines) {
    m_w.AppendLogLine(message, maxLogLines);
}

void MainRunnerHost::addLogLines(const std::vector<LogLines::Entry>& entries) {
    m_w.m_logView->append(entries);
}

RunnerHost::SaveResult MainRunnerHost::saveLogPanel(const std::string& path) {
    WriteResult written = m_w.m_log.save(path);
    return {written.ok, written.error};
}

std::string MainRunnerHost::headTip() const {
    const std::vector<std::string>& queue = m_w.m_jobQueue.names();
    return runningTrayTip(queue.empty() ? std::string() : queue.front());
}

void MainRunnerHost::showState(const std::string& state) {
    m_w.m_panels[0]->setText(toQString(state));
    m_w.m_tray->setTip(headTip());
}

void MainRunnerHost::queueChanged() {
    if (!m_w.m_progress->isHidden() && !m_w.m_jobQueue.names().empty())
        rowStarted(m_row, m_rows);
}

void MainRunnerHost::rowStarted(int row, int rows) {
    m_row = row;
    m_rows = rows;
    const std::string progress = m_w.m_jobQueue.progressText(row, rows);
    m_w.m_progress->setRange(0, rows);
    m_w.m_progress->setValue(row + 1);
    m_w.m_progress->setFormat(toQString(progress));
    m_w.m_progress->show();
    m_w.m_tray->setTip(headTip() + " " + progress);
}

void MainRunnerHost::jobEnded(const std::string& jobFileName, int failedSteps) {
    const bool unseen = !m_w.isVisible() || m_w.isMinimized();
    if (unseen && m_w.m_settings.bNotifyJobEnd)
        (void)m_w.m_tray->taskBar()->showMessage(
            "Trevane", StepResult::endNotice(jobFileName, failedSteps), failedSteps > 0);
}

void MainRunnerHost::showFatalMessage(const std::string& message) {
    MessageBox::critical(&m_w, toQString(message));
}

} // namespace trevane
