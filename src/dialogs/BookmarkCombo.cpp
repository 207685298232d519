#include "dialogs/BookmarkCombo.h"

#include "jobs/ProgramFiles.h"
#include "platform/TextCodec.h"

#include <QCompleter>

namespace trevane {

BookmarkCombo::BookmarkCombo(const std::string& programFolder, QWidget* parent)
    : QComboBox(parent), m_path(ProgramFiles{programFolder}.dirListPath()),
      m_bookmarks(DirBookmarks::load(m_path)) {
    setObjectName(QStringLiteral("cbDirList"));
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    completer()->setCaseSensitivity(Qt::CaseSensitive);
    showEntries({});
}

std::string BookmarkCombo::text() const {
    return toBytes(currentText());
}

void BookmarkCombo::setText(const std::string& text) {
    setEditText(toQString(text));
}

void BookmarkCombo::showEntries(const std::string& text) {
    const QSignalBlocker blocker(this);
    clear();
    for (const std::string& entry : m_bookmarks.entries())
        addItem(toQString(entry));
    setText(text);
}

void BookmarkCombo::setBookmarks(std::vector<std::string> entries, const std::string& text) {
    m_bookmarks.setEntries(std::move(entries));
    showEntries(text);
}

void BookmarkCombo::visitText() {
    showEntries(m_bookmarks.visit(text()));
    if (count() > 0)
        setCurrentIndex(0);
}

bool BookmarkCombo::removeText() {
    if (!m_bookmarks.remove(text()))
        return false;
    setText({});
    return true;
}

WriteResult BookmarkCombo::save() const {
    return m_bookmarks.save(m_path);
}

} // namespace trevane
