#include "engine/HeadlessHost.h"

namespace trevane {

HeadlessHost::HeadlessHost(RunnerSettings settings, std::vector<std::string> queue,
                           std::function<bool()> stopRequested)
    : m_settings(std::move(settings)), m_queue(std::move(queue)),
      m_stopRequested(std::move(stopRequested)) {
    const ReadResult log = readWholeFile(m_settings.files.logPath());
    if (log.ok())
        m_log.setText(log.bytes);
}

bool HeadlessHost::checkRunAllowed() {
    // Asked before every job and every row: a stop ends the job at its next row, as the
    // window's stop does, and runs no further job.
    return !m_queue.empty() && !(m_stopRequested && m_stopRequested());
}

std::optional<std::string> HeadlessHost::markQueueHead() {
    if (m_queue.empty())
        return std::nullopt;
    m_headEnded = false;
    return m_queue.front();
}

void HeadlessHost::removeQueueHead() {
    if (m_queue.empty())
        return;
    if (!m_headEnded)
        ++m_skippedJobs;
    m_queue.erase(m_queue.begin());
}

void HeadlessHost::addLogLine(const std::string& message, int maxLogLines) {
    m_log.append(message, maxLogLines);
}

WriteResult HeadlessHost::saveLogPanel(const std::string& path) {
    WriteResult written = m_log.save(path);
    if (!written.ok)
        m_unwrittenLogs.emplace(path, written.error);
    return written;
}

void HeadlessHost::jobEnded(const std::string& jobFileName, int failedSteps) {
    m_headEnded = true;
    m_failedSteps += failedSteps;
    if (onJobEnded)
        onJobEnded(jobFileName, failedSteps);
}

int HeadlessHost::exitCode() const {
    if (m_skippedJobs > 0)
        return 2;
    return m_failedSteps > 0 || !m_unwrittenLogs.empty() ? 1 : 0;
}

} // namespace trevane
