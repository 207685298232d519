#include "jobs/JobOptions.h"
#include "jobs/IniFile.h"

#include <gtest/gtest.h>

using namespace trevane;

namespace {

JobOptionItems itemsOn(std::initializer_list<int> on) {
    JobOptionItems items;
    for (const int i : on)
        items.setAt(i, true);
    return items;
}

struct SwitchCase {
    const char* name;
    JobOptionItems items;
    std::string xcopy;
    std::string u;
};

// A case prints as its name, in test names and failure messages alike.
void PrintTo(const SwitchCase& c, std::ostream* out) {
    *out << c.name;
}

class JobOptionsSwitches : public testing::TestWithParam<SwitchCase> {};

TEST_P(JobOptionsSwitches, BuildsBothSwitchTexts) {
    const SwitchCase& c = GetParam();
    const SwitchTexts texts = switchTexts(c.items, "1998-01-01");
    EXPECT_EQ(texts.xcopy, c.xcopy);
    EXPECT_EQ(texts.u, c.u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JobOptionsSwitches,
    testing::Values(
        SwitchCase{"none", itemsOn({}), "/Y", ""},
        SwitchCase{"editorDefaults", JobOptions::editorDefaults().items, "/Y/D/S/I/K", "-d1"},
        SwitchCase{"runnerDefaults", JobOptions::runnerDefaults().items, "/Y/D/S/I/K/R", ""},
        SwitchCase{"dateWithD", itemsOn({1, 11}), "/Y/D:1998-01-01", ""},
        SwitchCase{"dateWithoutD", itemsOn({11}), "/Y", ""},
        SwitchCase{"all", itemsOn({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}),
                   "/Y/C/D:1998-01-01/S/H/I/K/R", "-c-d1"},
        SwitchCase{"nonSwitchItems", itemsOn({7, 8, 9, 10}), "/Y", ""}),
    [](const auto& info) { return info.param.name; });

TEST(JobOptions, PanelText) {
    EXPECT_EQ(switchTexts(JobOptions::editorDefaults()).panelText(), "xcopy /Y/D/S/I/K || u -d1");
    EXPECT_EQ(switchTexts(itemsOn({}), "").panelText(), "xcopy /Y || u ");
}

TEST(JobOptions, WritesKeysInOrderAndReadsBack) {
    const std::string section = "/home/u/Trevane/CPL/daily.cpl";
    JobOptions options;
    options.items = itemsOn({0, 6, 11, 13});
    options.iCell0Width = 200;
    options.iCell1Width = 50;
    options.iCell2Width = 0;
    options.asDOptionTime = "2026-12-07";
    IniFile ini;
    options.write(ini, section);

    std::vector<std::string> expectedKeys;
    for (int i = 0; i < 14; ++i)
        expectedKeys.push_back("bOption" + std::to_string(i));
    expectedKeys.insert(expectedKeys.end(),
                        {"iCell0Width", "iCell1Width", "iCell2Width", "asDOptionTime"});
    EXPECT_EQ(ini.keys(section), expectedKeys);
    EXPECT_EQ(ini.readString(section, "bOption6", ""), "1");
    EXPECT_EQ(ini.readString(section, "bOption1", ""), "0");

    IniFile reread;
    reread.loadFromString(ini.toString());
    EXPECT_EQ(JobOptions::read(reread, section, JobOptions::editorDefaults()), options);
}

TEST(JobOptions, MissingSectionGivesTheCallersDefaults) {
    IniFile ini;
    JobOptions present = JobOptions::editorDefaults();
    present.iCell0Width = 77;
    present.asDOptionTime = "2001-02-03";
    EXPECT_EQ(JobOptions::read(ini, JobOptions::NewTableSection, present), present);
    // The two default sets differ only in items 6 and 13.
    const JobOptions editor = JobOptions::editorDefaults();
    const JobOptions runner = JobOptions::runnerDefaults();
    for (int i = 0; i < 14; ++i)
        EXPECT_EQ(editor.items.at(i) != runner.items.at(i), i == 6 || i == 13) << i;
}

TEST(JobOptions, BadValuesReadAsDefaults) {
    IniFile ini;
    ini.loadFromString("[job]\nbOption0=yes\nbOption1=0\nbOption2=2\niCell0Width=wide\n");
    const JobOptions options = JobOptions::read(ini, "JOB", JobOptions::editorDefaults());
    EXPECT_FALSE(options.items[JobOption::XcopyContinue]); // "yes" is no number: default (off)
    EXPECT_FALSE(options.items[JobOption::XcopyNewerOnly]);
    EXPECT_TRUE(options.items[JobOption::XcopySubfolders]);
    EXPECT_EQ(options.iCell0Width, JobOptions::editorDefaults().iCell0Width);
}

} // namespace
