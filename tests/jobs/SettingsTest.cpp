#include "jobs/Settings.h"
#include "jobs/IniFile.h"

#include <gtest/gtest.h>

using namespace trevane;

namespace {

// A first start (no file yet) runs with the defaults of the settings table.
TEST(Settings, EmptyFileGivesTheDefaults) {
    IniFile ini;
    EXPECT_EQ(loadSettings(ini), Settings());
}

TEST(Settings, StoresEveryKeyInTableOrderAndReadsBack) {
    Settings s;
    s.iMainFormLeft = -20;
    s.iLeftPanelWidth = 0;
    s.bShowLeftPanel = false;
    s.asTime1 = "23:59";
    s.asDateTimeFormat = "yyyy'年'mm'月'dd'日'";
    s.asCPLFile = "/home/u/Trevane/CPL/daily.cpl";
    s.iTaskTrayClick = 3;
    s.setDayOfWeek(0, false);
    s.setDayOfWeek(6, false);
    IniFile ini;
    storeSettings(ini, s);

    std::vector<std::string> keys;
    for (const SettingsKey& key : settingsTable())
        keys.emplace_back(key.key);
    EXPECT_EQ(ini.keys(ConfigSection), keys);
    EXPECT_EQ(ini.readString(ConfigSection, "bDayOfWeek0", ""), "0");
    EXPECT_EQ(ini.readString(ConfigSection, "bDayOfWeek1", ""), "1");

    IniFile reread;
    reread.loadFromString(ini.toString());
    EXPECT_EQ(loadSettings(reread), s);
}

TEST(Settings, MissingAndBadValuesKeepThePresentValues) {
    IniFile ini;
    ini.loadFromString("[CONFIG]\niMainFormWidth=wide\niMainFormHeight=300\niMaxLog=\n"
                       "bAutoStart=1\nbAddLog=no\n");
    Settings present;
    present.iMainFormWidth = 1024; // the window's present size
    present.iLogHeight = 80;
    const Settings s = loadSettings(ini, present);
    EXPECT_EQ(s.iMainFormWidth, 1024);
    EXPECT_EQ(s.iMainFormHeight, 300);
    EXPECT_EQ(s.iLogHeight, 80);
    EXPECT_EQ(s.iMaxLog, 500);
    EXPECT_TRUE(s.bAutoStart);
    EXPECT_TRUE(s.bAddLog);
}

TEST(Settings, GarbageFileGivesDefaults) {
    IniFile ini;
    static const char garbage[] = "\x00\xff[CONFIG\n=\n[]\n==\n\x01\x02";
    ini.loadFromString(std::string(garbage, sizeof garbage - 1));
    EXPECT_EQ(loadSettings(ini), Settings());
}

TEST(Settings, OldLeftPanelWidthLivesInSectionForm) {
    IniFile ini;
    EXPECT_EQ(readOldLeftPanelWidth(ini, 129), 129);
    writeOldLeftPanelWidth(ini, 150);
    EXPECT_EQ(ini.readInteger("FORM", "iOldLeftPanelWidth", 0), 150);
    EXPECT_EQ(readOldLeftPanelWidth(ini, 129), 150);
}

} // namespace
