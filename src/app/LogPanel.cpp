#include "app/LogPanel.h"

#include "jobs/AtomicFile.h"
#include "platform/TextCodec.h"

#include <QStringList>
#include <QTextBlock>

namespace trevane {

LogPanel::LogPanel(LogLines& store, QWidget* parent) : QPlainTextEdit(parent), m_store(store) {
    setObjectName(QStringLiteral("reLog"));
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(false);
}

void LogPanel::append(const std::string& message, int maxLines) {
    showChange(m_store.append(message, maxLines));
}

void LogPanel::append(const std::vector<LogLines::Entry>& entries) {
    showChange(m_store.append(entries));
}

void LogPanel::loadFile(const std::string& path) {
    ReadResult log = readWholeFile(path);
    if (!log.ok())
        return;
    m_store.setText(log.bytes);
    QStringList shown;
    for (const std::string& line : m_store.lines())
        shown.append(toQString(line));
    setPlainText(shown.join(QLatin1Char('\n')));
    m_shownLines = m_store.size();
}

void LogPanel::scrollToEnd() {
    moveCursor(QTextCursor::End);
    ensureCursorVisible();
}

void LogPanel::showChange(LogLines::Change change) {
    if (m_store.size() == 0 || change.removedFromFront >= m_shownLines) {
        clear();
        m_shownLines = 0;
        change.appendedKept = m_store.size();
    } else if (change.removedFromFront > 0) {
        QTextCursor cursor(document());
        cursor.movePosition(QTextCursor::Start);
        cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor,
                            static_cast<int>(change.removedFromFront));
        cursor.removeSelectedText();
        m_shownLines -= change.removedFromFront;
    }
    if (change.appendedKept > 0) {
        // All new lines in one insertion: the widget lays itself out once, not once per line.
        QStringList added;
        for (std::size_t i = m_store.size() - change.appendedKept; i < m_store.size(); ++i)
            added.append(toQString(m_store.line(i)));
        const QString text = added.join(QLatin1Char('\n'));
        if (m_shownLines == 0)
            setPlainText(text);
        else
            appendPlainText(text);
        m_shownLines += change.appendedKept;
    }
    scrollToEnd();
}

} // namespace trevane
