#include "jobs/ShortcutText.h"

#include "support/TempDir.h"
#include "jobs/AtomicFile.h"
#include "jobs/KeyListFile.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace trevane;

TEST(ShortcutText, NamedKeysRoundTrip) {
    struct Case {
        const char* text;
        int value;
    } cases[] = {
        {"A", 0x41},
        {"Z", 0x5A},
        {"0", 0x30},
        {"9", 0x39},
        {"F1", 0x70},
        {"F11", 0x7A},
        {"F12", 0x7B},
        {"F24", 0x87},
        {"BkSp", 0x08},
        {"Tab", 0x09},
        {"Enter", 0x0D},
        {"Esc", 0x1B},
        {"Space", 0x20},
        {"PgUp", 0x21},
        {"PgDn", 0x22},
        {"End", 0x23},
        {"Home", 0x24},
        {"Left", 0x25},
        {"Up", 0x26},
        {"Right", 0x27},
        {"Down", 0x28},
        {"Ins", 0x2D},
        {"Del", 0x2E},
        {"Num +", 0x6B},
        {",", 0xBC},
        {"Key5E", 0x5E},
        {"Ctrl+N", 0x404E},
        {"Shift+Ctrl+Z", 0x605A},
        {"Shift+Ctrl+Alt+Del", 0xE02E},
        {"Alt+F4", 0x8073},
        {"Shift+Enter", 0x200D},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shortcutToText(c.value), c.text) << c.text;
        EXPECT_EQ(textToShortcut(c.text), c.value) << c.text;
    }
}

TEST(ShortcutText, EveryWrittenTextReadsBack) {
    for (int code = 1; code < 256; ++code)
        for (int modifiers : {0, ShiftBit, CtrlBit, AltBit, ShiftBit | CtrlBit, ShiftBit | AltBit,
                              CtrlBit | AltBit, ShiftBit | CtrlBit | AltBit}) {
            const int value = code | modifiers;
            const std::string text = shortcutToText(value);
            const int read = textToShortcut(text);
            // The number-pad digits share the digit keys' names and read as those.
            const bool numberPadDigit = code >= 0x60 && code <= 0x69;
            EXPECT_EQ(read, numberPadDigit ? (code - 0x30) | modifiers : value) << text;
            EXPECT_EQ(shortcutToText(read), text) << text;
        }
}

TEST(ShortcutText, ReadingRules) {
    struct Case {
        const char* name;
        const char* text;
        int value;
    } cases[] = {
        {"prefixesInAnyOrder", "Ctrl+Shift+Z", 0x605A},
        {"anyLetterCase", "cTRL+sHIFT+z", 0x605A},
        {"caretForCtrl", "^N", 0x404E},
        {"caretWithOthers", "Alt+^s", 0xC053},
        {"keyNameCase", "ctrl+pgup", 0x4021},
        {"blanksAround", "  Shift+F5 ", 0x2074},
        {"unnamedKeyAnyCase", "keye2", 0xE2},
        {"empty", "", 0},
        {"prefixOnly", "Ctrl+", 0},
        {"unknownPrefix", "Hyper+A", 0},
        {"unknownName", "F25", 0},
        {"twoKeys", "A+B", 0},
        {"blankInside", "Ctrl + A", 0},
        {"keyZero", "Key00", 0},
        {"badHex", "KeyZZ", 0},
        {"japanese", "なし", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(textToShortcut(c.text), c.value) << c.name;
}

TEST(ShortcutText, ValuesWithoutKeyAndParts) {
    EXPECT_EQ(shortcutToText(0), "");
    EXPECT_EQ(shortcutToText(ShiftBit | CtrlBit), "");
    EXPECT_EQ(shortcutToText(0x1000 | 0x41), "A") << "unused bits are ignored";

    EXPECT_EQ(ShortcutParts::fromValue(0x605A), (ShortcutParts{0x5A, true, true, false}));

    EXPECT_EQ(hotKeyFieldValue(0x41), 0x4041);
    EXPECT_EQ(hotKeyFieldValue(0x2041), 0x2041);
    EXPECT_EQ(hotKeyFieldValue(0x8074), 0x8074);
    EXPECT_EQ(hotKeyFieldValue(0), 0);
}

TEST(KeyListFile, EntriesAreWrittenOneByOne) {
    test::TempDir dir;
    const std::string path = dir.file("KeyList.ini");
    KeyListFile file(path);

    EXPECT_TRUE(file.entries().empty());
    EXPECT_TRUE(file.deleteEntry("FileNew").ok);
    EXPECT_FALSE(std::filesystem::exists(path)) << "only a write creates the file";

    ASSERT_TRUE(file.writeEntry("FileNew", "Shift+Ctrl+K").ok);
    ASSERT_TRUE(file.writeEntry("EditUndo", "F5").ok);
    ASSERT_TRUE(file.writeEntry("ColCopyAll", "no such key").ok);
    ASSERT_TRUE(file.writeEntry("filenew", "^Q").ok);
    EXPECT_EQ(file.entries(), (std::vector<KeyListFile::Entry>{
                                  {"FileNew", "^Q", 0x4051},
                                  {"EditUndo", "F5", 0x74},
                                  {"ColCopyAll", "no such key", 0},
                              }));

    ASSERT_TRUE(file.deleteEntry("EDITUNDO").ok);
    EXPECT_TRUE(file.deleteEntry("EditUndo").ok);
    EXPECT_EQ(file.entries().size(), 2u);
    EXPECT_EQ(file.entries()[1].name, "ColCopyAll");
}

TEST(KeyListFile, HandWrittenFileIsKept) {
    test::TempDir dir;
    const std::string path = dir.file("KeyList.ini");
    ASSERT_TRUE(writeFileAtomically(path, "; mine\r\n[Other]\r\nx=1\r\n[Key]\r\n"
                                          "PopupCut=Ctrl+X\r\nShowLog=\r\n")
                    .ok);
    KeyListFile file(path);
    EXPECT_EQ(file.entries(), (std::vector<KeyListFile::Entry>{{"PopupCut", "Ctrl+X", 0x4058},
                                                               {"ShowLog", "", 0}}));
    ASSERT_TRUE(file.writeEntry("Topics", "Shift+F1").ok);
    const std::string text = readWholeFile(path).bytes;
    EXPECT_NE(text.find("x=1"), std::string::npos) << text;
    EXPECT_NE(text.find("PopupCut=Ctrl+X"), std::string::npos) << text;
    EXPECT_NE(text.find("Topics=Shift+F1"), std::string::npos) << text;
}
