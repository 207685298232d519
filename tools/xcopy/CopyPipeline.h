#pragma once

#include "FileCopier.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace trevane {

// Prepares file copies (FileCopier::prepare) on worker threads while the caller walks the
// tree, and hands them back in the order they were handed in, so that the caller commits,
// prints and counts them exactly as a one-thread run would. Nothing a worker does is visible in
// the destination before the caller commits it.
//
// The folders named by a task's descriptors must stay open until the task is taken back.
class CopyPipeline {
public:
    struct Task {
        int sourceDir = -1;
        std::string name;
        int targetDir = -1;
        bool keepMode = false;
        std::string sourcePath; // for the caller's messages
        std::string targetPath;
        // Filled in by the worker: on Copied, unnamedFd holds the prepared copy, which the
        // taker commits or closes.
        FileCopier::Outcome outcome;
        int unnamedFd = -1;
    };

    CopyPipeline(unsigned workers, mode_t creationMask);
    // Stops the workers; prepared copies nobody took are closed and so vanish.
    ~CopyPipeline();
    CopyPipeline(const CopyPipeline&) = delete;
    CopyPipeline& operator=(const CopyPipeline&) = delete;

    // Hands a task in. Never blocks: the caller keeps the number of pending tasks bounded by
    // taking tasks back, since nobody else would (a blocking hand-in would wait for ever).
    void submit(Task task);
    // Tasks handed in and not yet taken back.
    std::size_t pending();
    // The oldest task, once it is prepared. Nothing when no task is pending or, without
    // `wait`, when the oldest is still being prepared.
    std::optional<Task> takeOldest(bool wait);

private:
    struct Slot {
        Task task;
        bool done = false;
    };
    void work(FileCopier& copier);

    std::mutex m_mutex;
    std::condition_variable m_workAvailable;
    std::condition_variable m_taskDone;
    std::deque<Slot> m_slots;      // references stay valid while slots are added at the back
    std::size_t m_firstIndex = 0;  // the number of tasks taken back so far
    std::size_t m_nextToStart = 0; // counted from the first task ever handed in
    bool m_stopping = false;
    std::deque<FileCopier> m_copiers; // one per worker: each has its own buffer
    std::vector<std::thread> m_threads;
};

} // namespace trevane
