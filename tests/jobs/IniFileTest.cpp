#include "jobs/IniFile.h"
#include "support/FailingPath.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace trevane;
using Names = std::vector<std::string>;

namespace {

struct IntegerCase {
    const char* name;
    std::string value;
    int expected; // the default is -99
};

// A case prints as its name, in test names and failure messages alike.
void PrintTo(const IntegerCase& c, std::ostream* out) {
    *out << c.name;
}

class IniFileInteger : public testing::TestWithParam<IntegerCase> {};

TEST_P(IniFileInteger, ReadsWholeDecimalNumbersOnly) {
    IniFile ini;
    ini.loadFromString("[s]\nk=" + GetParam().value + "\n");
    EXPECT_EQ(ini.readInteger("s", "k", -99), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniFileInteger,
    testing::Values(IntegerCase{"plain", "12", 12},
                    IntegerCase{"leadingBlanks", "   12", 12}, // the file reader drops them
                    IntegerCase{"trailingBlanks", "12  ", 12}, IntegerCase{"negative", "-5", -5},
                    IntegerCase{"plusSign", "+7", 7}, IntegerCase{"zero", "0", 0},
                    IntegerCase{"empty", "", -99}, IntegerCase{"trailingText", "12abc", -99},
                    IntegerCase{"text", "abc", -99}, IntegerCase{"innerBlank", "1 2", -99},
                    IntegerCase{"signsOnly", "+-3", -99}, IntegerCase{"minusOnly", "-", -99},
                    IntegerCase{"hex", "0x10", -99}, IntegerCase{"decimalPoint", "1.5", -99},
                    IntegerCase{"tooLarge", "99999999999", -99},
                    IntegerCase{"intMax", "2147483647", 2147483647},
                    IntegerCase{"intMin", "-2147483648", -2147483647 - 1}),
    [](const auto& info) { return info.param.name; });

TEST(IniFile, BooleansAreNonZeroIntegers) {
    IniFile ini;
    ini.loadFromString("[s]\none=1\nzero=0\ntwo=2\nminus=-1\nword=true\nempty=\n");
    EXPECT_TRUE(ini.readBool("s", "one", false));
    EXPECT_FALSE(ini.readBool("s", "zero", true));
    EXPECT_TRUE(ini.readBool("s", "two", false));
    EXPECT_TRUE(ini.readBool("s", "minus", false));
    EXPECT_FALSE(ini.readBool("s", "word", false));
    EXPECT_TRUE(ini.readBool("s", "word", true));
    EXPECT_TRUE(ini.readBool("s", "empty", true));
    EXPECT_TRUE(ini.readBool("s", "missing", true));
    ini.writeBool("s", "one", false);
    ini.writeBool("s", "new", true);
    EXPECT_EQ(ini.readString("s", "one", ""), "0");
    EXPECT_EQ(ini.readString("s", "new", ""), "1");
}

TEST(IniFile, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
    IniFile ini;
    ini.loadFromString("[Config]\niMaxLog=10\n");
    EXPECT_EQ(ini.readInteger("CONFIG", "IMAXLOG", 0), 10);
    ini.writeInteger("config", "imaxlog", 20);
    EXPECT_EQ(ini.toString(), "[Config]\niMaxLog=20\n");
}

TEST(IniFile, KeepsSectionAndKeyOrderAndPathNames) {
    IniFile ini;
    ini.loadFromString("[zeta]\nb=1\na=2\n\n[alpha]\nk=v\n");
    const std::string path = "/home/u/Trevane/CPL/daily job.cpl";
    ini.writeString(path, "z", "last");
    ini.writeString(path, "a", "first?");
    ini.writeString("zeta", "c", "3");
    EXPECT_EQ(ini.sections(), (Names{"zeta", "alpha", path}));
    EXPECT_EQ(ini.keys("zeta"), (Names{"b", "a", "c"}));
    EXPECT_EQ(ini.keys(path), (Names{"z", "a"}));

    IniFile reread;
    reread.loadFromString(ini.toString());
    EXPECT_EQ(reread.sections(), (Names{"zeta", "alpha", path}));
    EXPECT_EQ(reread.readString(path, "z", ""), "last");
    EXPECT_EQ(reread.readString("/HOME/U/TREVANE/CPL/DAILY JOB.CPL", "A", ""), "first?");
    const std::string windowsPath = "C:\\Program Files\\Trevane\\CPL\\新規.cpl";
    reread.writeBool(windowsPath, "bOption0", true);
    IniFile again;
    again.loadFromString(reread.toString());
    EXPECT_TRUE(again.readBool(windowsPath, "bOption0", false));
}

// A job file's path may hold ']' (and any byte but NUL): its options section must still be
// found after the file is read back, written by this class or by hand.
TEST(IniFile, SectionNamesRunToTheLastBracketOfTheirLine) {
    const std::vector<std::string> paths = {"/home/u/CPL/backup [old].cpl", "/a]]b/]x].cpl",
                                            "/odd\x01name\x01"
                                            "2].cpl"};
    IniFile ini;
    ini.loadFromString("[CONFIG]\rk=v\r  [/by hand [2]].cpl]\r\nbOption7=1\r\n");
    EXPECT_TRUE(ini.readBool("/by hand [2]].cpl", "bOption7", false));
    for (const std::string& path : paths)
        ini.writeString(path, "asDOptionTime", path);
    IniFile reread;
    reread.loadFromString(ini.toString());
    for (const std::string& path : paths)
        EXPECT_EQ(reread.readString(path, "asDOptionTime", ""), path);
    EXPECT_EQ(reread.sections(),
              (Names{"CONFIG", "/by hand [2]].cpl", paths[0], paths[1], paths[2]}));
    EXPECT_NE(ini.toString().find("\n[/home/u/CPL/backup [old].cpl]\n"), std::string::npos);
    EXPECT_TRUE(reread.eraseSection(paths[0]));
    EXPECT_FALSE(reread.hasSection(paths[0]));
    EXPECT_TRUE(reread.hasSection(paths[1]));
}

TEST(IniFile, DeleteKeyAndEraseSection) {
    IniFile ini;
    ini.loadFromString("[a]\nx=1\ny=2\n[b]\nz=3\n");
    EXPECT_TRUE(ini.deleteKey("A", "X"));
    EXPECT_FALSE(ini.deleteKey("a", "x"));
    EXPECT_TRUE(ini.deleteKey("a", "y"));
    EXPECT_TRUE(ini.hasSection("a")); // an emptied section stays
    EXPECT_TRUE(ini.eraseSection("B"));
    EXPECT_FALSE(ini.eraseSection("b"));
    EXPECT_FALSE(ini.hasKey("b", "z"));
    EXPECT_EQ(ini.sections(), Names{"a"});
}

TEST(IniFile, LineBreaksCannotInjectKeys) {
    IniFile ini;
    ini.writeString("s", "k", "value\r\n[evil]\nx=1");
    IniFile reread;
    reread.loadFromString(ini.toString());
    EXPECT_EQ(reread.readString("s", "k", ""), "value");
    EXPECT_FALSE(reread.hasSection("evil"));
}

TEST(IniFile, MissingUnreadableAndGarbageFilesLoadEmpty) {
    test::TempDir dir;
    IniFile ini;
    EXPECT_EQ(ini.load(dir.file("none.ini")), ReadStatus::Missing);
    EXPECT_TRUE(ini.sections().empty());
    EXPECT_EQ(ini.load(dir.path()), ReadStatus::Failed); // a folder
    EXPECT_TRUE(ini.sections().empty());
    const WriteResult refused = ini.save();
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.error.find("上書きしませんでした"), std::string::npos) << refused.error;

    std::string garbage;
    for (int i = 0; i < 100000; ++i)
        garbage.push_back(static_cast<char>((i * 7919) % 256));
    IniFile fromGarbage;
    fromGarbage.loadFromString(garbage);
    fromGarbage.writeInteger("CONFIG", "iMaxLog", 5);
    EXPECT_EQ(fromGarbage.readInteger("CONFIG", "iMaxLog", 0), 5);
}

TEST(IniFile, AnUnreadableFileIsNotReplaced) {
    test::TempDir dir;
    const std::string path = dir.file("Trevane.ini");
    ASSERT_TRUE(writeFileAtomically(path, "[/cpl/a.cpl]\nbOption0=1\n").ok);
    IniFile ini;
    {
        const test::FailingPath unreadable(path, EACCES);
        EXPECT_EQ(ini.load(path), ReadStatus::Failed);
    }
    ini.writeInteger("CONFIG", "iMaxLog", 5);
    EXPECT_FALSE(ini.save().ok);
    EXPECT_EQ(readWholeFile(path).bytes, "[/cpl/a.cpl]\nbOption0=1\n");
    EXPECT_TRUE(ini.saveAs(dir.file("other.ini")).ok);
}

TEST(IniFile, SavesAtomicallyToItsPath) {
    test::TempDir dir;
    const std::string path = dir.file("Trevane.ini");
    IniFile ini(path);
    ini.writeString("CONFIG", "asTime0", "12:00");
    ASSERT_TRUE(ini.save().ok);
    IniFile reread;
    EXPECT_EQ(reread.load(path), ReadStatus::Ok);
    EXPECT_EQ(reread.readString("CONFIG", "asTime0", ""), "12:00");
    EXPECT_EQ(reread.path(), path);

    const WriteResult failed = ini.saveAs(dir.file("no/such/folder/x.ini"));
    EXPECT_FALSE(failed.ok);
    EXPECT_NE(failed.error, "");
}

} // namespace
