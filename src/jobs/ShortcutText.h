#pragma once

#include <string>
#include <string_view>

namespace trevane {

// A shortcut value: the key's code as KeyList.ini numbers keys (digits and capital letters as
// their ASCII codes, F1 as 0x70, Delete as 0x2E, ...; the texts are built on it) in the low
// byte, plus ShiftBit, CtrlBit and AltBit. 0 is no shortcut. Bits other than these are ignored.
inline constexpr int ShiftBit = 0x2000;
inline constexpr int CtrlBit = 0x4000;
inline constexpr int AltBit = 0x8000;

// A shortcut value taken apart, for the window to map onto its own key codes.
struct ShortcutParts {
    int keyCode = 0; // virtual-key code 0x01..0xFF; 0: no key, no shortcut
    bool shift = false;
    bool ctrl = false;
    bool alt = false;

    static ShortcutParts fromValue(int value);
    int value() const;
    bool operator==(const ShortcutParts&) const = default;
};

// Writes a shortcut value as text: "Shift+", "Ctrl+", "Alt+" in this order for the modifiers
// present, then the key's name: "A".."Z", "0".."9" (the number-pad digits too), "F1".."F24",
// "BkSp", "Tab", "Enter", "Esc", "Space", "PgUp", "PgDn", "End", "Home", "Left", "Up",
// "Right", "Down", "Ins", "Del", names such as "Num +" and "," for the number-pad operators
// and punctuation keys, and "Key" with two hex digits ("Key5F") for a key without a name.
// A value without a key (0, or modifier bits alone) is the empty text.
std::string shortcutToText(int value);

// Reads a shortcut text: modifier prefixes in any order and letter case, "^" standing for
// "Ctrl+", then a key name compared without regard to letter case. Blanks around the text are
// ignored. A text that names no key reads as 0 (no shortcut). Every text shortcutToText writes
// reads back to a value that writes the same text.
int textToShortcut(std::string_view text);

// The value the hot-key field of the shortcut dialog holds for a captured combination: a key
// pressed without Shift, Ctrl or Alt gets Ctrl, so a key without modifier can be given only
// as text.
int hotKeyFieldValue(int value);

} // namespace trevane
