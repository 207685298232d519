// The pure parts of xcopy: name patterns and the command line.

#include "ErrorText.h"
#include "NamePattern.h"
#include "XcopyCommandLine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

namespace trevane {
namespace {

TEST(NamePatternTest, Matches) {
    struct Row {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const std::vector<Row> rows = {
        {"*.*", "noext", true},
        {"*.*", ".profile", true},
        {"*", "a.b.c", true},
        {"*.doc", "REPORT.DOC", true},
        {"*.doc", "report.docx", false},
        {"*.doc", "doc", false},
        {"?.txt", "a.txt", true},
        {"?.txt", "ab.txt", false},
        {"??", "日本", true},
        {"?", "日本", false},
        {"*?", "日", true},
        {"*??", "日", false},
        {"日*.doc", "日本語.doc", true},
        {"readme.*", "readme", true},
        {"readme.*", "readme.txt", true},
        {"readme.*", "readmex", false},
        {"a*b*c", "aXXbYYc", true},
        {"a*b*c", "aXXbYY", false},
        {"with blank.doc", "with blank.doc", true},
        {"with blank.doc", "WITH BLANK.doc", false},
        {"*blank.doc", "WITH BLANK.doc", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.pattern) + " / " + row.name);
        EXPECT_EQ(NamePattern(row.pattern).matches(row.name), row.matches);
    }
}

TEST(XcopyCommandLineTest, ReadsTheRunnersCommandLines) {
    auto parsed = XcopyCommandLine::parse({"src/*.doc", "dst", "/Y/D/S/I/K/R"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    const XcopyOptions& o = parsed.options;
    EXPECT_EQ(o.source, "src/*.doc");
    EXPECT_EQ(o.destination, "dst");
    EXPECT_TRUE(o.overwrite && o.onlyNewer && o.subfolders && o.assumeFolder && o.keepAttributes &&
                o.overwriteReadOnly);
    EXPECT_FALSE(o.continueOnError || o.hiddenFiles || o.emptyFolders || o.changedSince);

    parsed = XcopyCommandLine::parse({"/data/src", "/backup/y", "/y/c/D:1998-01-01/s/h/i/k/r"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.options.source, "/data/src");
    EXPECT_EQ(parsed.options.destination, "/backup/y");
    EXPECT_TRUE(parsed.options.continueOnError && parsed.options.hiddenFiles);
    EXPECT_EQ(parsed.options.changedSince, XcopyCommandLine::parseDate("1998-01-01"));
}

TEST(XcopyCommandLineTest, TellsSwitchesFromPaths) {
    struct Row {
        std::vector<std::string> args;
        bool ok;
        std::string destination;
        std::string error;
    };
    const std::vector<Row> rows = {
        {{"src", "/Y"}, true, "", ""},
        {{"src", "/tmp/dst"}, true, "/tmp/dst", ""},
        {{"src", "/Y", "/S"}, true, "", ""},
        {{"src", "dst", "/Y", "/-Y"}, true, "dst", ""},
        {{"src", "dst", "/EXCLUDE:/etc/a.lst+/etc/b.lst"}, true, "dst", ""},
        {{"src", "dst", "/Y/Q/F/L/T/U/E"}, true, "dst", ""},
        {{"src", "dst", "/Y//S"}, false, "", "無効なスイッチです - /"},
        {{"src", "dst", "/X"}, false, "", "無効なスイッチです - /X"},
        {{"src", "dst", "/D:"}, false, "", "無効なパラメーターです - /D:"},
        {{"src", "dst", "/EXCLUDE:"}, false, "", "無効なスイッチです - /EXCLUDE:"},
        {{"src", "dst", "more"}, false, "", "パラメーターの数が違います"},
        {{"/Y"}, false, "", "パラメーターの数が違います"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args.back());
        const auto parsed = XcopyCommandLine::parse(row.args);
        EXPECT_EQ(parsed.ok, row.ok);
        EXPECT_EQ(parsed.error, row.error);
        if (row.ok) {
            EXPECT_EQ(parsed.options.destination, row.destination);
        }
    }
    const auto excluded = XcopyCommandLine::parse({"src", "dst", "/EXCLUDE:/etc/a.lst+/etc/b.lst"});
    EXPECT_EQ(excluded.options.excludeFiles,
              (std::vector<std::string>{"/etc/a.lst", "/etc/b.lst"}));
    EXPECT_FALSE(XcopyCommandLine::parse({"src", "dst", "/Y", "/-Y"}).options.overwrite);
}

TEST(XcopyCommandLineTest, RootFoldersNamedLikeSwitchesArePaths) {
    // Folders "/d" and "/e/s" exist (a disk mounted where a Windows user expects a drive).
    const auto exists = [](const std::string& path) { return path == "/d" || path == "/e/s"; };
    struct Row {
        std::vector<std::string> args;
        std::string source;
        std::string destination;
        bool onlyNewer;
    };
    const std::vector<Row> rows = {
        {{"/data", "/d", "/Y/S"}, "/data", "/d", false},
        {{"/e/s", "/d", "/Y/D"}, "/e/s", "/d", true},
        {{"/data", "/D", "/Y"}, "/data", "", true},
        {{"/data", "/d"}, "/data", "/d", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args[1]);
        const auto parsed = XcopyCommandLine::parse(row.args, exists);
        ASSERT_TRUE(parsed.ok) << parsed.error;
        EXPECT_EQ(parsed.options.source, row.source);
        EXPECT_EQ(parsed.options.destination, row.destination);
        EXPECT_EQ(parsed.options.onlyNewer, row.onlyNewer);
    }
}

TEST(ErrorTextTest, BackupFailuresReadInJapanese) {
    // The log is read by a Japanese user; the C library's texts are English.
    const int errors[] = {EACCES, ENOENT, ENOSPC, EDQUOT, EROFS,     EIO,    EBUSY,
                          EFBIG,  EINVAL, EMFILE, ENFILE, ENOTEMPTY, ESTALE, ENOTCONN};
    for (int error : errors) {
        const std::string text = ErrorText::of(error);
        SCOPED_TRACE(text);
        EXPECT_TRUE(std::any_of(text.begin(), text.end(), [](char c) { return c & 0x80; }));
    }
}

TEST(XcopyCommandLineTest, Dates) {
    struct Row {
        const char* text;
        bool valid;
    };
    const std::vector<Row> rows = {
        {"1998-01-01", true},  {"2000-02-29", true},  {"1900-02-29", false},
        {"1998-13-01", false}, {"1998-00-10", false}, {"1-15-2000", true},
        {"01-15-00", true},    {"1-15-200", false},   {"1998/01/01", false},
        {"", false},           {"x-1-1998", false},   {"1998-01-01-01", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(XcopyCommandLine::parseDate(row.text).has_value(), row.valid);
    }
    EXPECT_EQ(XcopyCommandLine::parseDate("1-15-2000"), XcopyCommandLine::parseDate("2000-01-15"));
    EXPECT_EQ(XcopyCommandLine::parseDate("01-15-00"), XcopyCommandLine::parseDate("2000-01-15"));
    EXPECT_EQ(XcopyCommandLine::parseDate("1-15-99"), XcopyCommandLine::parseDate("1999-01-15"));
}

} // namespace
} // namespace trevane
