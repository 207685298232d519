#include "jobs/AutostartEntry.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace trevane {

namespace {

// A value of type string: backslash, newline, tab and carriage return by their escapes.
std::string stringValue(const std::string& text) {
    std::string value;
    for (char c : text) {
        if (c == '\\')
            value += "\\\\";
        else if (c == '\n')
            value += "\\n";
        else if (c == '\t')
            value += "\\t";
        else if (c == '\r')
            value += "\\r";
        else
            value.push_back(c);
    }
    return value;
}

// One argument of an Exec key. An argument with a reserved character is put in double quotes,
// inside which ", `, $ and \ take a backslash; "%" would start a field code and is doubled.
// The key's value is then a string, whose own escapes double every backslash again.
std::string execArgument(const std::string& argument) {
    constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string quoted;
    const bool quote = argument.empty() || argument.find_first_of(reserved) != std::string::npos;
    if (quote)
        quoted.push_back('"');
    for (char c : argument) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
            quoted.push_back('\\');
        quoted.push_back(c);
        if (c == '%')
            quoted.push_back('%');
    }
    if (quote)
        quoted.push_back('"');
    return stringValue(quoted);
}

} // namespace

AutostartEntry::AutostartEntry(const std::string& configFolder)
    : m_path(configFolder + "/autostart/" + FileName) {}

bool AutostartEntry::exists() const {
    struct stat st {};
    return ::stat(m_path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string AutostartEntry::contents(const std::string& executable,
                                     const std::string& profileFolder) {
    const std::string profile = profileFolder.empty()
                                    ? std::string()
                                    : "env " + execArgument("TREVANE_HOME=" + profileFolder) + " ";
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Trevane\n"
           "Comment=Starts Trevane at login\n"
           "Comment[ja]=ログイン時に Trevane を起動します\n"
           // A desktop skips the entry when the program is no longer there (uninstalled, or
           // a build tree removed) instead of failing to start it at every login.
           "TryExec=" +
           stringValue(executable) +
           "\n"
           "Exec=" +
           profile + execArgument(executable) +
           "\n"
           "Icon=org.trevane.Trevane\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

WriteResult AutostartEntry::set(bool on, const std::string& executable,
                                const std::string& profileFolder) const {
    if (!on) {
        if (::unlink(m_path.c_str()) == 0 || errno == ENOENT)
            return {true, {}};
        return {false, m_path + ": " + std::strerror(errno)};
    }
    const std::string wanted = contents(executable, profileFolder);
    ReadResult present = readWholeFile(m_path);
    if (present.ok() && present.bytes == wanted)
        return {true, {}};
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(m_path).parent_path(), error);
    if (error)
        return {false,
                std::filesystem::path(m_path).parent_path().string() + ": " + error.message()};
    return writeFileAtomically(m_path, wanted);
}

} // namespace trevane
