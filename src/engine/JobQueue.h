#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trevane {

// The queue of job files waiting to run, the continue flag and whether a runner works on them:
// the rules of the run commands without the window. The queue panel shows names() with the
// head in headColour(); the runner reaches the queue through the main window's RunnerHost
// operations, which call checkRunAllowed(), markHead(), removeHead() and reportAbort().
//
// The queue never starts a runner itself: the functions that may need one return true, and
// the caller must then start one (from then on the queue counts it as running) and call
// runnerEnded() when it has ended. Everything runs on the main thread; no locks.
class JobQueue {
public:
    enum class HeadColour {
        Plain, // the default colour: waiting, or nothing has run yet
        Red,   // the runner works on the head
        Black, // a stop inside the head's job left it there
    };

    // QueueJobFile: sets the continue flag and appends the bare name of path (everything after
    // the last folder separator) unless a line equals it already, without regard to letter
    // case. True when no runner works on the queue: start one.
    [[nodiscard]] bool add(std::string_view path);
    // The registered job list's whole text, without leading and trailing blanks and line
    // breaks, appended as a block: every line one queue line, queued names and blank lines
    // included. Without a runner, a queue that is not empty is then handed on as add(head)
    // does (true: start one); with a runner the continue flag is left as it is.
    [[nodiscard]] bool addBlock(std::string_view text);
    // Stop: clears the continue flag; false when it was clear already (nothing to show). The
    // runner sees it at its next check.
    [[nodiscard]] bool stop();
    // Restart: add(head) when the queue is not empty (true: start a runner); an empty queue
    // changes nothing.
    [[nodiscard]] bool restart();
    // Clear: with a runner only the head (the job file being run) stays; without one the queue
    // is emptied.
    void clear();
    // The runner has ended. A name queued after its last look at the queue, while it was
    // ending, is handed to a new runner at once (true: start one) rather than waiting for the
    // next start; a stopped queue stays as it is.
    [[nodiscard]] bool runnerEnded();

    // The runner's operations (RunnerHost).
    // True when the queue holds a line and the continue flag is set.
    bool checkRunAllowed() const { return !m_names.empty() && m_continue; }
    // Colours the head red and returns it; nothing when the queue is empty.
    std::optional<std::string> markHead();
    // Deletes the head, when there is one; the new head is plain.
    void removeHead();
    // Colours the head black, when there is one.
    void reportAbort();

    // How far the run is, for the status bar and the tray tip: which job of this run the head
    // is, counting the jobs the runner finished since it started, and which of the head's rows
    // runs (row counts from 0 among rows runnable rows): "ジョブ 2/5 行 3/10"; without rows
    // the job part alone.
    std::string progressText(int row, int rows) const;

    const std::vector<std::string>& names() const { return m_names; }
    HeadColour headColour() const { return m_headColour; }
    bool continueRun() const { return m_continue; }
    bool hasRunner() const { return m_hasRunner; }
    // A runner works and the queue holds a line: closing the window is refused.
    bool hasQueuedWork() const { return m_hasRunner && !m_names.empty(); }

private:
    bool startRunnerIfNone();

    std::vector<std::string> m_names; // line 0 is the queue head
    HeadColour m_headColour = HeadColour::Plain;
    bool m_continue = true;
    bool m_hasRunner = false;
    int m_jobsDone = 0; // heads removed since the runner started
};

} // namespace trevane
