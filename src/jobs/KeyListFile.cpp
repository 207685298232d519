#include "jobs/KeyListFile.h"

#include "jobs/IniFile.h"
#include "jobs/ShortcutText.h"

namespace trevane {

KeyListFile::KeyListFile(std::string path) : m_path(std::move(path)) {}

std::vector<KeyListFile::Entry> KeyListFile::entries() const {
    IniFile ini;
    if (ini.load(m_path) != ReadStatus::Ok)
        return {};
    std::vector<Entry> entries;
    for (std::string& name : ini.keys(Section)) {
        Entry entry;
        entry.text = ini.readString(Section, name, "");
        entry.shortcut = textToShortcut(entry.text);
        entry.name = std::move(name);
        entries.push_back(std::move(entry));
    }
    return entries;
}

WriteResult KeyListFile::writeEntry(std::string_view name, std::string_view text) const {
    IniFile ini;
    // A missing file starts empty; one that cannot be read is refused by save().
    (void)ini.load(m_path);
    ini.writeString(Section, name, text);
    return ini.save();
}

WriteResult KeyListFile::deleteEntry(std::string_view name) const {
    IniFile ini;
    const ReadStatus status = ini.load(m_path);
    if (status == ReadStatus::Missing)
        return {true, {}};
    if (status == ReadStatus::Ok && !ini.deleteKey(Section, name))
        return {true, {}};
    return ini.save();
}

} // namespace trevane
