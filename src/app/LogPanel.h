#pragma once

#include "engine/LogLines.h"

#include <QPlainTextEdit>
#include <string>
#include <vector>

namespace trevane {

// The log panel (reLog): shows the lines of a LogLines store and keeps showing them as they
// change, without re-reading the whole store on each change. The store belongs to the caller
// and must outlive the panel; every change to it goes through the panel, which otherwise would
// no longer mirror it.
class LogPanel : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit LogPanel(LogLines& store, QWidget* parent = nullptr);

    // Appends to the store as LogLines::append does and shows the change.
    void append(const std::string& message, int maxLines);
    void append(const std::vector<LogLines::Entry>& entries);
    // Replaces the store's lines with those of the log file at path; a file that cannot be read
    // leaves store and panel as they are.
    void loadFile(const std::string& path);
    void scrollToEnd();

private:
    void showChange(LogLines::Change change);

    LogLines& m_store;
    std::size_t m_shownLines = 0; // lines the widget shows, mirroring m_store
};

} // namespace trevane
