#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace trevane {

// Several files in flight: work items run on a few threads, and what each one found is handed
// back on the submitting thread in the order the items were submitted, so that a copy with many
// files in flight prints the same lines in the same order as one that copies them one by one.
//
// Only the submitting thread calls the member functions. Each item's `work` runs on one of the
// threads, with that thread's number (0 .. threads-1), and touches nothing the submitting
// thread uses meanwhile; its `commit` then runs on the submitting thread, inside submit(),
// commitReady() or drain().
class FileJobs {
public:
    // `threads` workers, at least 1.
    explicit FileJobs(unsigned threads);
    // Waits for the items that run (their commits are not run) and ends the threads.
    ~FileJobs();
    FileJobs(const FileJobs&) = delete;
    FileJobs& operator=(const FileJobs&) = delete;

    unsigned threads() const { return static_cast<unsigned>(m_threads.size()); }

    // Queues an item. Commits the finished items at the front first; while twice as many items
    // as there are threads are uncommitted, waits for the oldest.
    void submit(std::function<void(unsigned worker)> work, std::function<void()> commit);
    // Queues a commit with nothing to do before it (a line found on the submitting thread),
    // in its place among the items.
    void submitDone(std::function<void()> commit);
    // Runs the commits of the finished items at the front, without waiting.
    void commitReady();
    // Waits for every item and runs all commits.
    void drain();
    // Items not yet started are dropped (their commits never run): a stop was requested.
    void dropWaiting();

private:
    struct Item {
        std::function<void(unsigned)> work; // empty once taken by a thread, or for submitDone
        std::function<void()> commit;
        bool done = false;
    };
    void serve(unsigned worker);
    // Runs the commits at the front that are done; with the lock held on entry, released inside.
    void commitFront(std::unique_lock<std::mutex>& lock);

    std::mutex m_mutex;
    std::condition_variable m_workReady; // an item to take, or the end
    std::condition_variable m_itemDone;
    std::deque<Item> m_items;  // submitted, not yet committed, in order
    std::size_t m_nextWork = 0;  // index in m_items of the first item no thread has taken
    std::size_t m_committed = 0; // items committed so far
    std::size_t m_limit;
    bool m_ending = false;
    std::vector<std::thread> m_threads;
};

} // namespace trevane
