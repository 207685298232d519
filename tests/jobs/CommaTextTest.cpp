#include "jobs/CommaText.h"
#include "support/TempDir.h"
#include "jobs/JobFile.h"

#include <gtest/gtest.h>

using namespace trevane;
using Items = std::vector<std::string>;

namespace {

struct WriteCase {
    const char* name;
    Items fields;
    std::string line;
};

// A case prints as its name, in test names and failure messages alike.
void PrintTo(const WriteCase& c, std::ostream* out) {
    *out << c.name;
}

class CommaTextWrite : public testing::TestWithParam<WriteCase> {};

TEST_P(CommaTextWrite, WritesAndReadsBack) {
    const WriteCase& c = GetParam();
    EXPECT_EQ(joinCommaText(c.fields), c.line);
    // What is written reads back as the same fields, except that trailing empty fields vanish
    // when nothing follows them.
    Items expected = c.fields;
    while (!expected.empty() && expected.back().empty())
        expected.pop_back();
    Items read = splitCommaText(c.line);
    while (!read.empty() && read.back().empty())
        read.pop_back();
    EXPECT_EQ(read, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommaTextWrite,
    testing::Values(
        WriteCase{"plain",
                  {"C:\\Data", "D:\\Bak\\Data", "*.*", "", "", "", ""},
                  "C:\\Data,D:\\Bak\\Data,*.*,,,,"},
        WriteCase{
            "sourceAndDestinationOnly", {"/src", "/dst", "", "", "", "", ""}, "/src,/dst,,,,,"},
        WriteCase{"commandOnly",
                  {"", "", "", "", "", "", "notify-send done"},
                  ",,,,,,\"notify-send done\""},
        WriteCase{"commandWithQuotes",
                  {"", "", "", "", "", "", "say \"hi\""},
                  ",,,,,,\"say \"\"hi\"\"\""},
        WriteCase{"blankInside", {"C:\\My Documents", "x"}, "\"C:\\My Documents\",x"},
        WriteCase{"leadingAndTrailingBlanks", {" a", "b "}, "\" a\",\"b \""},
        WriteCase{"comma", {"a,b", "c"}, "\"a,b\",c"},
        WriteCase{"quoteOnly", {"\"", "x"}, "\"\"\"\",x"}, WriteCase{"tab", {"a\tb"}, "\"a\tb\""},
        WriteCase{"controlByte",
                  {std::string("a\x01"
                               "b")},
                  std::string("\"a\x01"
                              "b\"")},
        WriteCase{"zeroByte", {std::string("a\0b", 3)}, std::string("\"a\0b\"", 5)},
        WriteCase{"delByteUnquoted", {"a\x7f"}, "a\x7f"},
        WriteCase{"utf8", {"/home/u/写真", "バックアップ"}, "/home/u/写真,バックアップ"},
        WriteCase{"onlyBlanks", {"  ", "x"}, "\"  \",x"}),
    [](const auto& info) { return info.param.name; });

struct ReadCase {
    const char* name;
    std::string line;
    Items items;
};

void PrintTo(const ReadCase& c, std::ostream* out) {
    *out << c.name;
}

class CommaTextRead : public testing::TestWithParam<ReadCase> {};

TEST_P(CommaTextRead, SplitsIntoItems) {
    EXPECT_EQ(splitCommaText(GetParam().line), GetParam().items);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommaTextRead,
    testing::Values(ReadCase{"empty", "", {}}, ReadCase{"onlyBlanks", " \t ", {}},
                    ReadCase{"unquotedBlankSplits", "a b,c", {"a", "b", "c"}},
                    ReadCase{"leadingBlanksSkipped", "  \t a,b", {"a", "b"}},
                    ReadCase{"blanksAroundComma", "a , b", {"a", "b"}},
                    ReadCase{"trailingCommaAddsNothing", "a,", {"a"}},
                    ReadCase{"twoTrailingCommas", "a,,", {"a", ""}},
                    ReadCase{"loneComma", ",", {""}}, ReadCase{"leadingComma", ",a", {"", "a"}},
                    ReadCase{"sixCommas",
                             "C:\\Data,D:\\Bak\\Data,*.*,,,,",
                             {"C:\\Data", "D:\\Bak\\Data", "*.*", "", "", ""}},
                    ReadCase{"quotedWithDoubledQuotes", "\"a \"\"b\"\"\",c", {"a \"b\"", "c"}},
                    ReadCase{"unclosedQuoteTakesRest", "x,\"a,b c", {"x", "a,b c"}},
                    ReadCase{"textAfterClosingQuote", "\"a\"b,c", {"a", "b", "c"}},
                    ReadCase{"emptyQuoted", "\"\",x", {"", "x"}},
                    ReadCase{"moreThanSeven",
                             "1,2,3,4,5,6,7,8,9",
                             {"1", "2", "3", "4", "5", "6", "7", "8", "9"}},
                    ReadCase{"zeroByteSeparates", std::string("a\0b", 3), {"a", "b"}},
                    ReadCase{"zeroByteAtStart", std::string("\0a", 2), {"a"}},
                    ReadCase{"highBytesAreText", "\xff\xfe,\x80", {"\xff\xfe", "\x80"}}),
    [](const auto& info) { return info.param.name; });

struct LinesCase {
    const char* name;
    std::string text;
    Items lines;
};

void PrintTo(const LinesCase& c, std::ostream* out) {
    *out << c.name;
}

class CommaTextLines : public testing::TestWithParam<LinesCase> {};

TEST_P(CommaTextLines, SplitsAtEveryKindOfLineBreak) {
    EXPECT_EQ(splitLines(GetParam().text), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(Cases, CommaTextLines,
                         testing::Values(LinesCase{"empty", "", {}},
                                         LinesCase{"noBreak", "a", {"a"}},
                                         LinesCase{"crlf", "a\r\nb\r\n", {"a", "b"}},
                                         LinesCase{"loneCr", "a\rb", {"a", "b"}},
                                         LinesCase{"loneLf", "a\nb\n", {"a", "b"}},
                                         LinesCase{"lfCr", "a\n\rb", {"a", "", "b"}},
                                         LinesCase{"blankLines", "\r\n\r\n\r\n", {"", "", ""}},
                                         LinesCase{"mixed", "a\r\n\nb\rc", {"a", "", "b", "c"}}),
                         [](const auto& info) { return info.param.name; });

TEST(CommaText, TrimBlanksRemovesControlBytesAndBlanksAtBothEnds) {
    EXPECT_EQ(trimBlanks(std::string("\0 \t a b \r\n", 10)), "a b");
    EXPECT_EQ(trimBlanks(" \x01 "), "");
    EXPECT_EQ(trimBlanks("\xe5\x86\x99"), "\xe5\x86\x99");
}

TEST(JobFile, WritesCrLfAfterEveryLineAndReadsBack) {
    test::TempDir dir;
    const std::string path = dir.file("daily.cpl");
    const Items lines = {"/a,/b,,,,,", ",,,,,,cmd", ""};
    ASSERT_TRUE(writeJobFile(path, lines).ok);
    EXPECT_EQ(readWholeFile(path).bytes, "/a,/b,,,,,\r\n,,,,,,cmd\r\n\r\n");
    const JobFileLines read = readJobFile(path);
    ASSERT_EQ(read.status, ReadStatus::Ok);
    EXPECT_EQ(read.lines, lines);
    // An editor's byte order mark is no part of the first row.
    ASSERT_TRUE(writeFileAtomically(path, "\xEF\xBB\xBF/a,/b,,,,,").ok);
    EXPECT_EQ(readJobFile(path).lines, Items{"/a,/b,,,,,"});
}

TEST(JobFile, NoLinesIsAnEmptyFile) {
    test::TempDir dir;
    const std::string path = dir.file("empty.cpl");
    ASSERT_TRUE(writeJobFile(path, {}).ok);
    const ReadResult bytes = readWholeFile(path);
    ASSERT_TRUE(bytes.ok());
    EXPECT_EQ(bytes.bytes.size(), 0u);
    EXPECT_TRUE(readJobFile(path).lines.empty());
}

TEST(JobFile, MissingIsToldApartFromFailed) {
    test::TempDir dir;
    EXPECT_EQ(readJobFile(dir.file("none.cpl")).status, ReadStatus::Missing);
    EXPECT_EQ(readJobFile(dir.path()).status, ReadStatus::Failed);
}

TEST(JobFile, HostileContentReadsWithoutHarm) {
    std::string text;
    text += std::string(1 << 20, 'x') + "\r\n"; // a 1 MB line
    text += "\"unbalanced,\"\"quote\r\n";       // a quote never closed
    for (int b = 0; b < 256; ++b)               // every byte value
        text.push_back(static_cast<char>(b));
    text += "\n";
    for (int i = 0; i < 100000; ++i) // many lines
        text += "a,b\n";
    const Items lines = splitLines(text);
    // Bytes 10 and 13 inside the binary line break it in three.
    ASSERT_EQ(lines.size(), 2u + 3u + 100000u);
    size_t items = 0;
    for (const auto& line : lines)
        items += splitCommaText(line).size();
    EXPECT_GT(items, 200000u);
    EXPECT_EQ(splitCommaText(lines[0]).front().size(), size_t(1) << 20);
    EXPECT_EQ(splitCommaText(lines[1]), Items{"unbalanced,\"quote"});
}

} // namespace
