#include "CopyPipeline.h"

#include <unistd.h>
#include <utility>

namespace trevane {

CopyPipeline::CopyPipeline(unsigned workers, mode_t creationMask) {
    for (unsigned i = 0; i < workers; ++i) {
        FileCopier& copier = m_copiers.emplace_back(creationMask);
        m_threads.emplace_back([this, &copier] { work(copier); });
    }
}

CopyPipeline::~CopyPipeline() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_workAvailable.notify_all();
    for (auto& thread : m_threads)
        thread.join();
    for (const Slot& slot : m_slots)
        if (slot.task.unnamedFd >= 0)
            ::close(slot.task.unnamedFd);
}

void CopyPipeline::work(FileCopier& copier) {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_workAvailable.wait(
            lock, [this] { return m_stopping || m_nextToStart < m_firstIndex + m_slots.size(); });
        if (m_stopping)
            return;
        Slot& slot = m_slots[m_nextToStart++ - m_firstIndex];
        Task& task = slot.task;
        lock.unlock();
        int fd = -1;
        const FileCopier::Outcome outcome =
            copier.prepare(task.sourceDir, task.name.c_str(), task.targetDir, task.keepMode, fd);
        lock.lock();
        task.outcome = outcome;
        task.unnamedFd = fd;
        slot.done = true;
        m_taskDone.notify_all();
    }
}

void CopyPipeline::submit(Task task) {
    std::lock_guard lock(m_mutex);
    m_slots.push_back({std::move(task), false});
    m_workAvailable.notify_one();
}

std::optional<CopyPipeline::Task> CopyPipeline::takeOldest(bool wait) {
    std::unique_lock lock(m_mutex);
    if (m_slots.empty())
        return std::nullopt;
    if (wait)
        m_taskDone.wait(lock, [this] { return m_slots.front().done; });
    else if (!m_slots.front().done)
        return std::nullopt;
    Task task = std::move(m_slots.front().task);
    m_slots.pop_front();
    ++m_firstIndex;
    return task;
}

std::size_t CopyPipeline::pending() {
    std::lock_guard lock(m_mutex);
    return m_slots.size();
}

} // namespace trevane
