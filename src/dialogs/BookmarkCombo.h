#pragma once

#include "jobs/DirBookmarks.h"

#include <QComboBox>

#include <string>
#include <vector>

namespace trevane {

// The combo box `cbDirList` of the folder and self-extracting archive dialogs: an editable
// text that is the chosen folder, over the directory bookmarks of DirList.txt as its entries.
// Typing a path chooses it but makes no bookmark; completing a typed path from the bookmarks
// keeps its letter case where the file system tells cases apart.
class BookmarkCombo : public QComboBox {
    Q_OBJECT

public:
    // Reads the bookmarks from DirList.txt in programFolder (a missing file: none).
    BookmarkCombo(const std::string& programFolder, QWidget* parent);

    std::string text() const;
    void setText(const std::string& text);
    const DirBookmarks& bookmarks() const { return m_bookmarks; }

    // The entries become the bookmarks and the text is text.
    void setBookmarks(std::vector<std::string> entries, const std::string& text);
    // The bookmark step on the text (DirBookmarks::visit); the top entry, if any, is then
    // selected and shown as the text.
    void visitText();
    // Removes the bookmark equal to the text, and the text with it (otherwise the next bookmark
    // step would put it back at the top at once); false when there is none.
    bool removeText();
    // Writes the bookmarks back to DirList.txt.
    WriteResult save() const;

private:
    void showEntries(const std::string& text);

    std::string m_path;
    DirBookmarks m_bookmarks;
};

} // namespace trevane
