#pragma once

#include "jobs/AtomicFile.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace trevane {

// An INI file held in memory, with the rules the program's settings and key files keep:
// - sections and keys keep the order of the file; new ones are added at the end;
// - a section name is kept exactly as written, so a full path such as
//   "/home/u/Trevane/CPL/daily.cpl" is a valid name;
// - section and key names are compared without regard to (ASCII) letter case; the spelling
//   first seen is the one kept in the file;
// - values are read with a default; blanks around names and values are not kept;
// - integers are decimal: an optional sign and digits, nothing else. A missing key, an empty
//   value or anything else ("12abc", "abc", a number out of range) reads as the default;
// - booleans are written as "1" and "0" and read as integers: non-zero is true.
//
// The object is a snapshot: load(), change, save() in one go, because other parts of the
// program write the same file (the settings and the job options sections share one file).
// Not thread-safe; use one object per thread.
class IniFile {
public:
    IniFile();
    explicit IniFile(std::string path); // remembers the path; does not read it
    ~IniFile();
    IniFile(IniFile&&) noexcept;
    IniFile& operator=(IniFile&&) noexcept;
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    // Reads path and remembers it for save(). A missing, unreadable or unparsable file leaves
    // the object empty; the status says which it was (Ok for a file that was read whole,
    // Failed for one that is there but could not be read or parsed, Refused for one `writers`
    // does not trust).
    // NUL bytes are skipped: the text after them is read.
    ReadStatus load(const std::string& path, Writers writers = Writers::Anyone);
    // Why the last load() failed; empty after a file read whole or a missing one.
    const std::string& loadError() const { return m_loadError; }
    // Replaces the contents by parsing text (no path is remembered or changed).
    void loadFromString(std::string_view text);

    // Writes the whole file atomically to the remembered path. A file that is there but could
    // not be read whole by load() is not replaced, neither by save() nor by saveAs() of that
    // same path: its sections would be lost without ever having been seen. Both then fail and
    // say so; saveAs() to another path still works.
    WriteResult save() const;
    WriteResult saveAs(const std::string& path) const;
    std::string toString() const;
    const std::string& path() const { return m_path; }

    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    int readInteger(std::string_view section, std::string_view key, int defaultValue) const;
    bool readBool(std::string_view section, std::string_view key, bool defaultValue) const;

    // A value keeps only its first line: a line break would start a new key in the file.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, int value);
    void writeBool(std::string_view section, std::string_view key, bool value);

    bool hasSection(std::string_view section) const;
    bool hasKey(std::string_view section, std::string_view key) const;
    // Both return whether something was removed. Deleting the last key keeps the section.
    bool deleteKey(std::string_view section, std::string_view key);
    bool eraseSection(std::string_view section);

    std::vector<std::string> sections() const;                     // in file order
    std::vector<std::string> keys(std::string_view section) const; // in file order

    // The integer rule above, on its own: true and value set when text is a decimal integer.
    static bool parseInteger(std::string_view text, int& value);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    std::string m_path;
    bool m_unreadable = false; // load() found the file but could not read or parse it
    std::string m_loadError;
};

} // namespace trevane
