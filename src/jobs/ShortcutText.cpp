#include "jobs/ShortcutText.h"

#include <array>
#include <map>

namespace trevane {

namespace {

constexpr int KeyMask = 0xFF;
constexpr std::string_view UnnamedPrefix = "Key";

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = lowerAscii(c);
    return out;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (lowerAscii(text[i]) != lowerAscii(prefix[i]))
            return false;
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = lowerAscii(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Names of the keys that have one; the rest are written as "Key" and two hex digits.
const std::array<std::string, 256>& keyNames() {
    static const std::array<std::string, 256> names = [] {
        std::array<std::string, 256> n;
        for (char c = '0'; c <= '9'; ++c) {
            n[static_cast<unsigned char>(c)] = std::string(1, c);
            n[0x60 + (c - '0')] = std::string(1, c); // number pad
        }
        for (char c = 'A'; c <= 'Z'; ++c)
            n[static_cast<unsigned char>(c)] = std::string(1, c);
        // Built and moved in: GCC 12 at -O3 takes both "F" + text and assigning a literal to
        // an element here for an overlapping copy (-Wrestrict).
        for (int f = 1; f <= 24; ++f) {
            std::string name(1, 'F');
            name += std::to_string(f);
            n[0x70 + f - 1] = std::move(name);
        }
        const std::pair<int, const char*> named[] = {
            {0x03, "Break"},    {0x08, "BkSp"},      {0x09, "Tab"},       {0x0C, "Clear"},
            {0x0D, "Enter"},    {0x13, "Pause"},     {0x14, "Caps Lock"}, {0x15, "Kana"},
            {0x19, "Kanji"},    {0x1B, "Esc"},       {0x1C, "Convert"},   {0x1D, "NonConvert"},
            {0x20, "Space"},    {0x21, "PgUp"},      {0x22, "PgDn"},      {0x23, "End"},
            {0x24, "Home"},     {0x25, "Left"},      {0x26, "Up"},        {0x27, "Right"},
            {0x28, "Down"},     {0x29, "Select"},    {0x2A, "Print"},     {0x2B, "Execute"},
            {0x2C, "PrtSc"},    {0x2D, "Ins"},       {0x2E, "Del"},       {0x2F, "Help"},
            {0x5B, "Left Win"}, {0x5C, "Right Win"}, {0x5D, "Apps"},      {0x5F, "Sleep"},
            {0x6A, "Num *"},    {0x6B, "Num +"},     {0x6C, "Num Sep"},   {0x6D, "Num -"},
            {0x6E, "Num ."},    {0x6F, "Num /"},     {0x90, "Num Lock"},  {0x91, "Scroll Lock"},
            {0xBA, ";"},        {0xBB, "="},         {0xBC, ","},         {0xBD, "-"},
            {0xBE, "."},        {0xBF, "/"},         {0xC0, "`"},         {0xDB, "["},
            {0xDC, "\\"},       {0xDD, "]"},         {0xDE, "'"},
        };
        for (const auto& [code, name] : named)
            n[code] = name;
        return n;
    }();
    return names;
}

// Lower-case name -> key code. A name given to two codes (the number-pad digits) reads as the
// first, the main digit keys.
const std::map<std::string, int, std::less<>>& codesByName() {
    static const std::map<std::string, int, std::less<>> codes = [] {
        std::map<std::string, int, std::less<>> m;
        const auto& names = keyNames();
        for (int code = 1; code < 256; ++code)
            if (!names[code].empty())
                m.emplace(lowered(names[code]), code);
        return m;
    }();
    return codes;
}

int keyCodeOf(std::string_view name) {
    const auto& codes = codesByName();
    if (const auto found = codes.find(lowered(name)); found != codes.end())
        return found->second;
    if (name.size() == UnnamedPrefix.size() + 2 && startsWithNoCase(name, UnnamedPrefix)) {
        const int high = hexDigit(name[3]);
        const int low = hexDigit(name[4]);
        if (high >= 0 && low >= 0 && high * 16 + low != 0)
            return high * 16 + low;
    }
    return 0;
}

std::string_view trimmedBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

ShortcutParts ShortcutParts::fromValue(int value) {
    ShortcutParts parts;
    parts.keyCode = value & KeyMask;
    parts.shift = (value & ShiftBit) != 0;
    parts.ctrl = (value & CtrlBit) != 0;
    parts.alt = (value & AltBit) != 0;
    return parts;
}

int ShortcutParts::value() const {
    if ((keyCode & KeyMask) == 0)
        return 0;
    return (keyCode & KeyMask) | (shift ? ShiftBit : 0) | (ctrl ? CtrlBit : 0) | (alt ? AltBit : 0);
}

std::string shortcutToText(int value) {
    const ShortcutParts parts = ShortcutParts::fromValue(value);
    if (parts.keyCode == 0)
        return {};
    std::string text;
    if (parts.shift)
        text += "Shift+";
    if (parts.ctrl)
        text += "Ctrl+";
    if (parts.alt)
        text += "Alt+";
    const std::string& name = keyNames()[parts.keyCode];
    if (!name.empty()) {
        text += name;
    } else {
        static const char hex[] = "0123456789ABCDEF";
        text += UnnamedPrefix;
        text += hex[parts.keyCode >> 4];
        text += hex[parts.keyCode & 0xF];
    }
    return text;
}

int textToShortcut(std::string_view text) {
    text = trimmedBlanks(text);
    ShortcutParts parts;
    for (bool more = true; more;) {
        more = false;
        for (const auto& [prefix, flag] : {std::pair{std::string_view("Shift+"), &parts.shift},
                                           std::pair{std::string_view("Ctrl+"), &parts.ctrl},
                                           std::pair{std::string_view("^"), &parts.ctrl},
                                           std::pair{std::string_view("Alt+"), &parts.alt}}) {
            if (startsWithNoCase(text, prefix)) {
                *flag = true;
                text.remove_prefix(prefix.size());
                more = true;
            }
        }
    }
    parts.keyCode = keyCodeOf(text);
    return parts.value();
}

int hotKeyFieldValue(int value) {
    ShortcutParts parts = ShortcutParts::fromValue(value);
    if (!parts.shift && !parts.ctrl && !parts.alt)
        parts.ctrl = true;
    return parts.value();
}

} // namespace trevane
