#pragma once

#include "jobs/AtomicFile.h"

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace trevane {

// The lines of the log panel, as byte strings, so that the log file gets exactly the bytes the
// children wrote. The widget shows them and mirrors every change that append() reports, so it
// never has to re-read the whole store. Appending costs the same however many lines came
// before. Not thread-safe: the main thread owns it.
class LogLines {
public:
    // What one append changed: first drop removedFromFront lines from the front of what was
    // there before the call, then add the last appendedKept lines of the store at the end.
    struct Change {
        std::size_t removedFromFront = 0; // lines of the earlier content that were dropped
        std::size_t appendedKept = 0;     // lines of the message that are still there
        bool operator==(const Change&) const = default;
    };

    // One message for append() with the limit to apply after it.
    struct Entry {
        std::string message;
        int maxLines = 500;
        bool operator==(const Entry&) const = default;
    };

    // Appends message as new last lines: a line break (CR LF, CR or LF) inside it starts a
    // further line, and a final line break leaves an empty line after it; an empty message is
    // one empty line. Then drops the oldest lines while more than maxLines are held; a limit
    // below 0 acts as 0, which keeps no lines at all.
    Change append(std::string_view message, int maxLines);
    // Appends the entries in order, each as append() does with its own limit, and reports what
    // they changed together, so the widget can follow a whole batch in one update.
    Change append(const std::vector<Entry>& entries);

    // Replaces the content with the lines of text (split as the log file is read at start-up:
    // a final line break starts no further line). No limit is applied until the next append.
    void setText(std::string_view text);
    void clear() { m_lines.clear(); }

    std::size_t size() const { return m_lines.size(); }
    const std::string& line(std::size_t index) const { return m_lines[index]; }
    const std::deque<std::string>& lines() const { return m_lines; }

    // The whole text as the log file holds it: every line followed by CR LF.
    std::string text() const;

    // Writes text() to path, replacing the file atomically.
    WriteResult save(const std::string& path) const;

private:
    struct Count {
        std::size_t added = 0;
        std::size_t removed = 0; // from the front, old lines and new ones alike
    };
    void push(std::string_view message, int maxLines, Count& count);
    static Change changeOf(std::size_t before, const Count& count);

    std::deque<std::string> m_lines;
};

} // namespace trevane
