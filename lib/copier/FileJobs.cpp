#include "FileJobs.h"

#include <utility>

namespace trevane {

FileJobs::FileJobs(unsigned threads) : m_limit(2 * std::size_t(threads < 1 ? 1 : threads)) {
    for (unsigned i = 0; i < (threads < 1 ? 1 : threads); ++i)
        m_threads.emplace_back([this, i] { serve(i); });
}

FileJobs::~FileJobs() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_ending = true;
        m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(m_nextWork), m_items.end());
    }
    m_workReady.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

void FileJobs::serve(unsigned worker) {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_workReady.wait(lock, [this] {
            while (m_nextWork < m_items.size() && m_items[m_nextWork].done)
                ++m_nextWork; // a commit with nothing to do
            return m_ending || m_nextWork < m_items.size();
        });
        if (m_nextWork >= m_items.size())
            return; // ending, nothing left to take
        const std::size_t taken = m_nextWork++;
        std::function<void(unsigned)> work = std::move(m_items[taken].work);
        // The item's place may move while the lock is free (commits pop the front): count the
        // items committed meanwhile to find it again.
        const std::size_t before = m_committed;
        lock.unlock();
        if (work)
            work(worker);
        lock.lock();
        m_items[taken - (m_committed - before)].done = true;
        m_itemDone.notify_all();
    }
}

void FileJobs::commitFront(std::unique_lock<std::mutex>& lock) {
    while (!m_items.empty() && m_items.front().done) {
        std::function<void()> commit = std::move(m_items.front().commit);
        m_items.pop_front();
        if (m_nextWork > 0)
            --m_nextWork;
        ++m_committed;
        lock.unlock();
        if (commit)
            commit();
        lock.lock();
    }
}

void FileJobs::submit(std::function<void(unsigned)> work, std::function<void()> commit) {
    std::unique_lock<std::mutex> lock(m_mutex);
    commitFront(lock);
    while (m_items.size() >= m_limit) {
        m_itemDone.wait(lock, [this] { return m_items.front().done; });
        commitFront(lock);
    }
    m_items.push_back({std::move(work), std::move(commit), false});
    lock.unlock();
    m_workReady.notify_one();
}

void FileJobs::submitDone(std::function<void()> commit) {
    std::unique_lock<std::mutex> lock(m_mutex);
    commitFront(lock);
    m_items.push_back({{}, std::move(commit), true});
    commitFront(lock);
}

void FileJobs::commitReady() {
    std::unique_lock<std::mutex> lock(m_mutex);
    commitFront(lock);
}

void FileJobs::drain() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        commitFront(lock);
        if (m_items.empty())
            return;
        m_itemDone.wait(lock, [this] { return m_items.front().done; });
    }
}

void FileJobs::dropWaiting() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(m_nextWork), m_items.end());
}

} // namespace trevane
