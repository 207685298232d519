#pragma once

#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace trevane {

class IniFile;

// The settings of section CONFIG of the settings file, one field per key, named after it.
// A default-constructed Settings holds every key's default from settingsTable().
struct Settings {
    int iMainFormLeft;
    int iMainFormHeight;
    int iMainFormWidth;
    int iLeftPanelWidth;
    int iQuePanelWidth;
    int iLogHeight;
    int iRightBtmPanelHeight;
    int iMaxLog;
    std::string asTime0;
    std::string asTime1;
    std::string asTime2;
    std::string asDateTimeFormat;
    std::string asCPLFile;
    std::string asApplicationFullPath;
    bool bShowCaption;
    bool bFlatButton;
    bool bShowLeftPanel;
    bool bDoCopyByDClick;
    bool bAutoStart;
    bool bAutoTimer;
    bool bShowAtStart;
    bool bAddLog;
    bool bVerify; // after each copy and archive row, compare the backup with its source
    bool bExitOnJobEnd;
    bool bNotifyJobEnd; // a tray message when a job ends while the window is hidden
    int iTaskTrayClick;
    int iTaskTrayDblClick;
    bool bDayOfWeek0; // Sunday
    bool bDayOfWeek1;
    bool bDayOfWeek2;
    bool bDayOfWeek3;
    bool bDayOfWeek4;
    bool bDayOfWeek5;
    bool bDayOfWeek6; // Saturday
    int iHistoryDays; // days a run's file stays in the history

    Settings();

    // Weekday 0 (Sunday) to 6 (Saturday); out of range reads false and ignores writes.
    bool dayOfWeek(int day) const;
    void setDayOfWeek(int day, bool on);

    bool operator==(const Settings&) const = default;
};

inline constexpr std::string_view ConfigSection = "CONFIG";
inline constexpr std::string_view FormSection = "FORM";

// One key of section CONFIG: its name, the field that holds it (whose type is the key's
// type) and its default.
struct SettingsKey {
    std::string_view key;
    std::variant<int Settings::*, bool Settings::*, std::string Settings::*> field;
    std::variant<int, bool, std::string_view> defaultValue;
};

// Every key of section CONFIG in file order.
std::span<const SettingsKey> settingsTable();

// Reads every key in table order. A missing key, or an integer key whose value is not a
// number, keeps the value it has in `present`: pass Settings() with the window and panel sizes
// replaced by the present sizes, as start-up does.
Settings loadSettings(const IniFile& ini, const Settings& present = Settings());
// Writes every key of section CONFIG in table order (the caller saves the file).
void storeSettings(IniFile& ini, const Settings& settings);

// Section FORM, key iOldLeftPanelWidth: the width of the job-file list before it was hidden.
int readOldLeftPanelWidth(const IniFile& ini, int defaultValue);
void writeOldLeftPanelWidth(IniFile& ini, int width);

} // namespace trevane
