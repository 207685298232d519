#include "jobs/ProgramFiles.h"

#include <gtest/gtest.h>

namespace trevane {
namespace {

// Every file sits directly in the data folder, job files one level down in CPL.
TEST(ProgramFiles, PathsLieInTheDataFolder) {
    const ProgramFiles files{"/home/u/.trevane"};
    EXPECT_EQ(files.settingsPath(), "/home/u/.trevane/Trevane.ini");
    EXPECT_EQ(files.logPath(), "/home/u/.trevane/Trevane.log");
    EXPECT_EQ(files.keyListPath(), "/home/u/.trevane/KeyList.ini");
    EXPECT_EQ(files.dirListPath(), "/home/u/.trevane/DirList.txt");
    EXPECT_EQ(files.registeredListPath(), "/home/u/.trevane/BGCopyList.txt");
    EXPECT_EQ(files.jobFileFolder(), "/home/u/.trevane/CPL");
    EXPECT_EQ(files.jobFilePath("Daily.cpl"), "/home/u/.trevane/CPL/Daily.cpl");
}

} // namespace
} // namespace trevane
