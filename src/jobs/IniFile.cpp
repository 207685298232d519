#include "jobs/IniFile.h"

#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <algorithm>
#include <charconv>
#include <optional>

namespace trevane {

namespace {

// SimpleIni looks names up through C strings.
std::string text(std::string_view view) {
    return std::string(view);
}

std::string firstLine(std::string_view value) {
    const auto end = value.find_first_of("\r\n");
    return std::string(value.substr(0, end));
}

// A section name runs to the last ']' of its header line, so that a job file's path holding a
// ']' ("backup [old].cpl") still names its options section; the parser would end it at the
// first. Such names reach the parser escaped: ']' and the escape byte itself as two bytes.
constexpr char NameEscape = '\x01';

std::string escapedName(std::string_view name) {
    std::string held;
    for (const char c : name) {
        if (c == ']' || c == NameEscape) {
            held += NameEscape;
            held += c == ']' ? '2' : '1';
        } else {
            held += c;
        }
    }
    return held;
}

std::string unescapedName(std::string_view held) {
    std::string name;
    for (size_t i = 0; i < held.size(); ++i) {
        if (held[i] == NameEscape && i + 1 < held.size())
            name += held[++i] == '2' ? ']' : NameEscape;
        else
            name += held[i];
    }
    return name;
}

// text with the name of every header line escaped ("[name]" after leading blanks, the name
// running to the line's last ']'); nothing when no name holds a ']' or the escape byte.
std::optional<std::string> escapeSectionNames(std::string_view text) {
    std::string out;
    bool escaped = false;
    while (!text.empty()) {
        const size_t end = std::min(text.find_first_of("\r\n"), text.size());
        const std::string_view line = text.substr(0, end + (end < text.size() ? 1 : 0));
        text.remove_prefix(line.size());
        const size_t open = line.find_first_not_of(" \t");
        const size_t close = line.rfind(']');
        if (open == std::string_view::npos || line[open] != '[' ||
            close == std::string_view::npos || close < open) {
            out += line;
            continue;
        }
        const std::string_view name = line.substr(open + 1, close - open - 1);
        escaped = escaped || name.find_first_of("]\x01") != std::string_view::npos;
        out += line.substr(0, open + 1);
        out += escapedName(name);
        out += line.substr(close);
    }
    return escaped ? std::optional<std::string>(std::move(out)) : std::nullopt;
}

} // namespace

struct IniFile::Impl {
    // Case-insensitive names, one value per key.
    CSimpleIniA ini{false, false, false};

    Impl() { ini.SetSpaces(false); }

    // Replaces the contents by text; false (and empty) when the parser could not take it.
    [[nodiscard]] bool parse(std::string_view data);

    template <typename Names> static std::vector<std::string> inLoadOrder(Names names) {
        names.sort(typename CSimpleIniA::Entry::LoadOrder());
        std::vector<std::string> out;
        out.reserve(names.size());
        for (const auto& entry : names)
            out.emplace_back(entry.pItem);
        return out;
    }
};

IniFile::IniFile() : m_impl(std::make_unique<Impl>()) {}
IniFile::IniFile(std::string path) : m_impl(std::make_unique<Impl>()), m_path(std::move(path)) {}
IniFile::~IniFile() = default;
IniFile::IniFile(IniFile&&) noexcept = default;
IniFile& IniFile::operator=(IniFile&&) noexcept = default;

bool IniFile::Impl::parse(std::string_view data) {
    ini.Reset();
    // The parser stops at the first NUL byte. A stray one (a damaged block, an editor's slip)
    // must not hide the sections after it, which the next save would then drop.
    std::string withoutNul;
    if (data.find('\0') != std::string_view::npos) {
        withoutNul.assign(data);
        std::erase(withoutNul, '\0');
        data = withoutNul;
    }
    const std::optional<std::string> escaped = escapeSectionNames(data);
    if (!escaped) {
        if (ini.LoadData(data.data(), data.size()) >= 0)
            return true;
        ini.Reset();
        return false;
    }
    // Parsed with the names escaped, then copied under the real names, in the file's order.
    CSimpleIniA held{false, false, false};
    if (held.LoadData(escaped->data(), escaped->size()) < 0)
        return false;
    CSimpleIniA::TNamesDepend sections;
    held.GetAllSections(sections);
    sections.sort(CSimpleIniA::Entry::LoadOrder());
    for (const auto& section : sections) {
        const std::string name = unescapedName(section.pItem);
        ini.SetValue(name.c_str(), nullptr, nullptr, section.pComment);
        CSimpleIniA::TNamesDepend keys;
        held.GetAllKeys(section.pItem, keys);
        keys.sort(CSimpleIniA::Entry::LoadOrder());
        for (const auto& key : keys)
            ini.SetValue(name.c_str(), key.pItem, held.GetValue(section.pItem, key.pItem),
                         key.pComment);
    }
    return true;
}

ReadStatus IniFile::load(const std::string& path, Writers writers) {
    m_path = path;
    m_impl->ini.Reset();
    const ReadResult file = readWholeFile(path, writers);
    m_unreadable = file.status == ReadStatus::Failed || file.status == ReadStatus::Refused;
    m_loadError = m_unreadable ? file.error : std::string();
    if (!file.ok())
        return file.status;
    if (!m_impl->parse(file.bytes)) {
        m_unreadable = true;
        return ReadStatus::Failed;
    }
    return ReadStatus::Ok;
}

void IniFile::loadFromString(std::string_view data) {
    (void)m_impl->parse(data); // a text it cannot take is read as an empty one
}

std::string IniFile::toString() const {
    std::string out;
    if (m_impl->ini.Save(out, false) < 0)
        out.clear();
    return out;
}

WriteResult IniFile::save() const {
    return saveAs(m_path);
}

WriteResult IniFile::saveAs(const std::string& path) const {
    if (m_unreadable && path == m_path)
        return {false, m_path + ": 読み込めなかったファイルなので、上書きしませんでした"};
    std::string out;
    if (m_impl->ini.Save(out, false) < 0)
        return {false, path + ": 設定を文字列にできませんでした"};
    return writeFileAtomically(path, out);
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
    const char* value = m_impl->ini.GetValue(text(section).c_str(), text(key).c_str(), nullptr);
    return value ? std::string(value) : std::string(defaultValue);
}

bool IniFile::parseInteger(std::string_view s, int& value) {
    // Blanks around the value never get here: the file reader drops them. Only a whole
    // decimal number counts; "12abc" is as bad as "abc".
    if (!s.empty() && s.front() == '+') {
        s.remove_prefix(1); // from_chars takes "-" but not "+"
        if (s.empty() || s.front() < '0' || s.front() > '9')
            return false;
    }
    int parsed = 0;
    const char* last = s.data() + s.size();
    const auto [end, error] = std::from_chars(s.data(), last, parsed, 10);
    if (s.empty() || error != std::errc() || end != last)
        return false;
    value = parsed;
    return true;
}

int IniFile::readInteger(std::string_view section, std::string_view key, int defaultValue) const {
    const char* value = m_impl->ini.GetValue(text(section).c_str(), text(key).c_str(), nullptr);
    int parsed = defaultValue;
    if (value && parseInteger(value, parsed))
        return parsed;
    return defaultValue;
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool defaultValue) const {
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    m_impl->ini.SetValue(firstLine(section).c_str(), firstLine(key).c_str(),
                         firstLine(value).c_str());
}

void IniFile::writeInteger(std::string_view section, std::string_view key, int value) {
    writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

bool IniFile::hasSection(std::string_view section) const {
    return m_impl->ini.GetSection(text(section).c_str()) != nullptr;
}

bool IniFile::hasKey(std::string_view section, std::string_view key) const {
    return m_impl->ini.GetValue(text(section).c_str(), text(key).c_str(), nullptr) != nullptr;
}

bool IniFile::deleteKey(std::string_view section, std::string_view key) {
    return m_impl->ini.Delete(text(section).c_str(), text(key).c_str(), false);
}

bool IniFile::eraseSection(std::string_view section) {
    return m_impl->ini.Delete(text(section).c_str(), nullptr, false);
}

std::vector<std::string> IniFile::sections() const {
    CSimpleIniA::TNamesDepend names;
    m_impl->ini.GetAllSections(names);
    return Impl::inLoadOrder(std::move(names));
}

std::vector<std::string> IniFile::keys(std::string_view section) const {
    CSimpleIniA::TNamesDepend names;
    m_impl->ini.GetAllKeys(text(section).c_str(), names);
    return Impl::inLoadOrder(std::move(names));
}

} // namespace trevane
