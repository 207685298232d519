// Parsing of command lines and the rules for member names.
#include "CommandLine.h"
#include "PathRules.h"

#include <gtest/gtest.h>

using namespace unlha;

TEST(CommandLine, ParsesTheProgramsCalls) {
    struct Row {
        const char* text;
        char command;
        std::string archive, base;
        std::vector<std::string> files;
        bool replaceAll, keepFolders;
        int method;
    };
    const Row rows[] = {
        {R"(u "dst/name.lzh" "src/" "*.doc" -d1)",
         'u',
         "dst/name.lzh",
         "src/",
         {"*.doc"},
         false,
         true,
         5},
        {R"(u "dst/name.lzh" "src/"  -c-d1)", 'u', "dst/name.lzh", "src/", {}, true, true, 5},
        {R"(u "dst/name.lzh" "src/"  )", 'u', "dst/name.lzh", "src/", {}, false, false, 5},
        {R"(s "C:/Bak/data.lzh" "out dir/" -gw)",
         's',
         "C:/Bak/data.lzh",
         "out dir/",
         {},
         false,
         false,
         5},
        {R"(-o7 A plain.lzh a.txt base/ b.txt)",
         'a',
         "plain.lzh",
         "base/",
         {"a.txt", "b.txt"},
         false,
         false,
         7},
        {R"(x "say ""hi"".lzh" -D1 -O6)", 'x', "say \"hi\".lzh", "", {}, false, true, 6},
        {R"(l a.lzh "-notaswitch")", 'l', "a.lzh", "", {"-notaswitch"}, false, false, 5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        CommandLine c;
        Status s = CommandLine::parse(row.text, c);
        ASSERT_TRUE(s.ok()) << s.message();
        EXPECT_EQ(c.command, row.command);
        EXPECT_EQ(c.archive, row.archive);
        EXPECT_EQ(c.baseFolder, row.base);
        EXPECT_EQ(c.files, row.files);
        EXPECT_EQ(c.replaceAll, row.replaceAll);
        EXPECT_EQ(c.keepFolders, row.keepFolders);
        EXPECT_EQ(c.method, row.method);
    }
}

TEST(CommandLine, RefusesBadLines) {
    const char* rows[] = {
        "",                 // nothing
        "u",                // no archive
        "q a.lzh",          // unknown command
        "u a.lzh src/ -z",  // unknown switch
        "u a.lzh src/ -c-", // empty switch in a group
        "u a.lzh src/ -o9", // unknown method
        "u \"a.lzh src/",   // unbalanced quote
        "uu a.lzh",         // command of two letters
    };
    for (const char* text : rows) {
        CommandLine c;
        EXPECT_EQ(CommandLine::parse(text, c).code(), Code::BadCommand) << text;
    }
}

TEST(PathRules, SafeRelative) {
    struct Row {
        const char* stored;
        bool ok;
        const char* result;
    };
    const Row rows[] = {
        {"a/b/c.txt", true, "a/b/c.txt"},
        {"/tmp/absolute_path.txt", true, "tmp/absolute_path.txt"},
        {"//x//./y", true, "x/y"},
        {"foo/../bar", true, "bar"},
        {"../evil", false, ""},
        {"foo/../../evil", false, ""},
        {"a/..", false, ""},
        {"/", false, ""},
        {"..", false, ""},
    };
    for (const Row& row : rows) {
        std::string out;
        EXPECT_EQ(PathRules::safeRelative(row.stored, out), row.ok) << row.stored;
        if (row.ok) {
            EXPECT_EQ(out, row.result);
        }
    }
}

TEST(PathRules, Links) {
    EXPECT_TRUE(PathRules::linkStaysInside("foo.txt", "bar.txt"));
    EXPECT_TRUE(PathRules::linkStaysInside("a/b/link", "../c"));
    EXPECT_FALSE(PathRules::linkStaysInside("etc", "../../etc"));
    EXPECT_FALSE(PathRules::linkStaysInside("a/link", "../../x"));
    EXPECT_FALSE(PathRules::linkStaysInside("etc", "/tmp"));
    EXPECT_FALSE(PathRules::linkStaysInside("x", ""));
    // "z -> ../.." stays inside, but through it "z/../.." climbs out.
    EXPECT_TRUE(PathRules::linkStaysInside("a/b/z", "../.."));
    EXPECT_FALSE(PathRules::linkStaysInside("a/b/y", "z/../.."));
    EXPECT_FALSE(PathRules::linkStaysInside("a/b/y", "../z/./.."));
    EXPECT_TRUE(PathRules::linkStaysInside("a/b/y", "./../z/w"));
}

TEST(PathRules, PrintableHidesControlCharacters) {
    EXPECT_EQ(PathRules::printable("/tmp/\x1b]2;malicious\x07"), "/tmp/?]2;malicious?");
    EXPECT_EQ(PathRules::printable("日本語.txt"), "日本語.txt");
}
