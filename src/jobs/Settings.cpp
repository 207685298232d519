#include "jobs/Settings.h"

#include "jobs/IniFile.h"

#include <array>

namespace trevane {

namespace {

using S = Settings;

// Section CONFIG, in the order its keys are read and written.
const std::array<SettingsKey, 35> kTable = {{
    {"iMainFormLeft", &S::iMainFormLeft, 5},
    {"iMainFormHeight", &S::iMainFormHeight, 416},
    {"iMainFormWidth", &S::iMainFormWidth, 701},
    {"iLeftPanelWidth", &S::iLeftPanelWidth, 129},
    {"iQuePanelWidth", &S::iQuePanelWidth, 163},
    {"iLogHeight", &S::iLogHeight, 58},
    {"iRightBtmPanelHeight", &S::iRightBtmPanelHeight, 119},
    {"iMaxLog", &S::iMaxLog, 500},
    {"asTime0", &S::asTime0, std::string_view("")},
    {"asTime1", &S::asTime1, std::string_view("")},
    {"asTime2", &S::asTime2, std::string_view("")},
    {"asDateTimeFormat", &S::asDateTimeFormat, std::string_view("yymmdd")},
    {"asCPLFile", &S::asCPLFile, std::string_view("新規.cpl")},
    // The log viewer: the desktop's opener for the file's type on this platform.
    {"asApplicationFullPath", &S::asApplicationFullPath, std::string_view("xdg-open")},
    {"bShowCaption", &S::bShowCaption, false},
    {"bFlatButton", &S::bFlatButton, true},
    {"bShowLeftPanel", &S::bShowLeftPanel, true},
    {"bDoCopyByDClick", &S::bDoCopyByDClick, false},
    {"bAutoStart", &S::bAutoStart, false},
    {"bAutoTimer", &S::bAutoTimer, false},
    {"bShowAtStart", &S::bShowAtStart, true},
    {"bAddLog", &S::bAddLog, true},
    {"bVerify", &S::bVerify, false},
    {"bExitOnJobEnd", &S::bExitOnJobEnd, false},
    {"bNotifyJobEnd", &S::bNotifyJobEnd, true},
    {"iTaskTrayClick", &S::iTaskTrayClick, 1},
    {"iTaskTrayDblClick", &S::iTaskTrayDblClick, 0},
    {"bDayOfWeek0", &S::bDayOfWeek0, true},
    {"bDayOfWeek1", &S::bDayOfWeek1, true},
    {"bDayOfWeek2", &S::bDayOfWeek2, true},
    {"bDayOfWeek3", &S::bDayOfWeek3, true},
    {"bDayOfWeek4", &S::bDayOfWeek4, true},
    {"bDayOfWeek5", &S::bDayOfWeek5, true},
    {"bDayOfWeek6", &S::bDayOfWeek6, true},
    // Days a run's whole log is kept in the history (below 1: for ever).
    {"iHistoryDays", &S::iHistoryDays, 90},
}};

constexpr std::array<bool Settings::*, 7> kDays = {
    &S::bDayOfWeek0, &S::bDayOfWeek1, &S::bDayOfWeek2, &S::bDayOfWeek3,
    &S::bDayOfWeek4, &S::bDayOfWeek5, &S::bDayOfWeek6,
};

// Calls f(field reference, default) with matching types for one key of the table.
template <typename F> void visitKey(Settings& settings, const SettingsKey& key, F&& f) {
    std::visit(
        [&](auto member) {
            using Field = std::remove_reference_t<decltype(settings.*member)>;
            auto& field = settings.*member;
            if constexpr (std::is_same_v<Field, std::string>)
                f(field, std::string(std::get<std::string_view>(key.defaultValue)));
            else
                f(field, std::get<Field>(key.defaultValue));
        },
        key.field);
}

} // namespace

std::span<const SettingsKey> settingsTable() {
    return kTable;
}

Settings::Settings() {
    for (const SettingsKey& key : kTable)
        visitKey(*this, key, [](auto& field, auto value) { field = std::move(value); });
}

bool Settings::dayOfWeek(int day) const {
    return day >= 0 && day < 7 ? this->*kDays[static_cast<size_t>(day)] : false;
}

void Settings::setDayOfWeek(int day, bool on) {
    if (day >= 0 && day < 7)
        this->*kDays[static_cast<size_t>(day)] = on;
}

Settings loadSettings(const IniFile& ini, const Settings& present) {
    Settings settings = present;
    for (const SettingsKey& key : kTable) {
        std::visit(
            [&](auto member) {
                auto& field = settings.*member;
                using Field = std::remove_reference_t<decltype(field)>;
                if constexpr (std::is_same_v<Field, int>)
                    field = ini.readInteger(ConfigSection, key.key, field);
                else if constexpr (std::is_same_v<Field, bool>)
                    field = ini.readBool(ConfigSection, key.key, field);
                else
                    field = ini.readString(ConfigSection, key.key, field);
            },
            key.field);
    }
    return settings;
}

void storeSettings(IniFile& ini, const Settings& settings) {
    for (const SettingsKey& key : kTable) {
        std::visit(
            [&](auto member) {
                const auto& field = settings.*member;
                using Field = std::remove_cvref_t<decltype(field)>;
                if constexpr (std::is_same_v<Field, int>)
                    ini.writeInteger(ConfigSection, key.key, field);
                else if constexpr (std::is_same_v<Field, bool>)
                    ini.writeBool(ConfigSection, key.key, field);
                else
                    ini.writeString(ConfigSection, key.key, field);
            },
            key.field);
    }
}

int readOldLeftPanelWidth(const IniFile& ini, int defaultValue) {
    return ini.readInteger(FormSection, "iOldLeftPanelWidth", defaultValue);
}

void writeOldLeftPanelWidth(IniFile& ini, int width) {
    ini.writeInteger(FormSection, "iOldLeftPanelWidth", width);
}

} // namespace trevane
