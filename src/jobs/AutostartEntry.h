#pragma once

#include "jobs/AtomicFile.h"

#include <string>

namespace trevane {

// The desktop entry that starts the program when the user logs in: "trevane.desktop" in the
// "autostart" folder of the user's configuration folder, which desktops that follow the XDG
// autostart rule start at login.
class AutostartEntry {
public:
    static constexpr const char* FileName = "trevane.desktop";

    // configFolder: the user's configuration folder ($XDG_CONFIG_HOME, ~/.config).
    explicit AutostartEntry(const std::string& configFolder);

    const std::string& path() const { return m_path; }
    // Whether the entry is there, whatever program it starts.
    [[nodiscard]] bool exists() const;
    // on: the entry starts `executable` (an absolute path) afterwards; it is written, with its
    // folder, unless it already reads so. Off: the entry is removed; a missing one is fine.
    // profileFolder: the data folder the program was given by TREVANE_HOME (an absolute path),
    // which the started program is given too; empty when it found its data folder itself.
    [[nodiscard]] WriteResult set(bool on, const std::string& executable,
                                  const std::string& profileFolder = {}) const;

    // The entry's text for an executable: the Exec line quotes the path by the desktop entry
    // rules, so blanks, quotes, backslashes and "%" in it survive; a profile folder is passed
    // through env(1) as TREVANE_HOME.
    static std::string contents(const std::string& executable,
                                const std::string& profileFolder = {});

private:
    std::string m_path;
};

} // namespace trevane
