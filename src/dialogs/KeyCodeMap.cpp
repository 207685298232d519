#include "dialogs/KeyCodeMap.h"

#include "jobs/ShortcutText.h"

#include <utility>

namespace trevane {

namespace {

struct KeyPair {
    int code;
    Qt::Key key;
    bool keypad;
};

// Keys other than letters, digits and F-keys, in both directions. The first pair of a Qt key
// wins when going from Qt to a code.
constexpr KeyPair NamedKeys[] = {
    {0x08, Qt::Key_Backspace, false},    {0x09, Qt::Key_Tab, false},
    {0x0C, Qt::Key_Clear, false},        {0x0D, Qt::Key_Return, false},
    {0x13, Qt::Key_Pause, false},        {0x14, Qt::Key_CapsLock, false},
    {0x19, Qt::Key_Kanji, false},        {0x1B, Qt::Key_Escape, false},
    {0x1C, Qt::Key_Henkan, false},       {0x1D, Qt::Key_Muhenkan, false},
    {0x20, Qt::Key_Space, false},        {0x21, Qt::Key_PageUp, false},
    {0x22, Qt::Key_PageDown, false},     {0x23, Qt::Key_End, false},
    {0x24, Qt::Key_Home, false},         {0x25, Qt::Key_Left, false},
    {0x26, Qt::Key_Up, false},           {0x27, Qt::Key_Right, false},
    {0x28, Qt::Key_Down, false},         {0x29, Qt::Key_Select, false},
    {0x2A, Qt::Key_Printer, false},      {0x2B, Qt::Key_Execute, false},
    {0x2C, Qt::Key_Print, false},        {0x2D, Qt::Key_Insert, false},
    {0x2E, Qt::Key_Delete, false},       {0x2F, Qt::Key_Help, false},
    {0x5D, Qt::Key_Menu, false},         {0x5F, Qt::Key_Sleep, false},
    {0x6A, Qt::Key_Asterisk, true},      {0x6B, Qt::Key_Plus, true},
    {0x6D, Qt::Key_Minus, true},         {0x6E, Qt::Key_Period, true},
    {0x6F, Qt::Key_Slash, true},         {0x90, Qt::Key_NumLock, false},
    {0x91, Qt::Key_ScrollLock, false},   {0xBA, Qt::Key_Semicolon, false},
    {0xBB, Qt::Key_Equal, false},        {0xBC, Qt::Key_Comma, false},
    {0xBD, Qt::Key_Minus, false},        {0xBE, Qt::Key_Period, false},
    {0xBF, Qt::Key_Slash, false},        {0xC0, Qt::Key_QuoteLeft, false},
    {0xDB, Qt::Key_BracketLeft, false},  {0xDC, Qt::Key_Backslash, false},
    {0xDD, Qt::Key_BracketRight, false}, {0xDE, Qt::Key_Apostrophe, false},
};

// What Qt reports for a key pressed with Shift (or on the number pad's Enter), and the code
// of the key that carries it.
constexpr std::pair<Qt::Key, int> ExtraKeys[] = {
    {Qt::Key_Enter, 0x0D},      {Qt::Key_Backtab, 0x09},   {Qt::Key_Plus, 0xBB},
    {Qt::Key_Underscore, 0xBD}, {Qt::Key_Colon, 0xBA},     {Qt::Key_Less, 0xBC},
    {Qt::Key_Greater, 0xBE},    {Qt::Key_Question, 0xBF},  {Qt::Key_AsciiTilde, 0xC0},
    {Qt::Key_BraceLeft, 0xDB},  {Qt::Key_Bar, 0xDC},       {Qt::Key_BraceRight, 0xDD},
    {Qt::Key_QuoteDbl, 0xDE},   {Qt::Key_Exclam, '1'},     {Qt::Key_At, '2'},
    {Qt::Key_NumberSign, '3'},  {Qt::Key_Dollar, '4'},     {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'}, {Qt::Key_Ampersand, '7'},  {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'},   {Qt::Key_ParenRight, '0'},
};

bool toQtKey(int code, Qt::Key& key, bool& keypad) {
    keypad = false;
    if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z')) {
        key = static_cast<Qt::Key>(code); // Qt's codes of letters and digits are their ASCII
        return true;
    }
    if (code >= 0x60 && code <= 0x69) {
        key = static_cast<Qt::Key>(Qt::Key_0 + (code - 0x60));
        keypad = true;
        return true;
    }
    if (code >= 0x70 && code <= 0x87) {
        key = static_cast<Qt::Key>(Qt::Key_F1 + (code - 0x70));
        return true;
    }
    for (const KeyPair& pair : NamedKeys) {
        if (pair.code == code) {
            key = pair.key;
            keypad = pair.keypad;
            return true;
        }
    }
    return false;
}

int fromQtKey(int key, bool keypad) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return keypad ? 0x60 + (key - Qt::Key_0) : key;
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 0x70 + (key - Qt::Key_F1);
    for (const KeyPair& pair : NamedKeys)
        if (pair.key == key && pair.keypad == keypad)
            return pair.code;
    // A key the number pad does not have in the table (Enter, for one) counts as the main one.
    for (const KeyPair& pair : NamedKeys)
        if (pair.key == key && !pair.keypad)
            return pair.code;
    for (const auto& [qtKey, code] : ExtraKeys)
        if (qtKey == key)
            return code;
    return 0;
}

} // namespace

QKeySequence KeyCodeMap::toKeySequence(int value) {
    ShortcutParts parts = ShortcutParts::fromValue(value);
    Qt::Key key = Qt::Key_unknown;
    bool keypad = false;
    if (parts.keyCode == 0 || !toQtKey(parts.keyCode, key, keypad))
        return {};
    Qt::KeyboardModifiers modifiers;
    if (parts.shift)
        modifiers |= Qt::ShiftModifier;
    if (parts.ctrl)
        modifiers |= Qt::ControlModifier;
    if (parts.alt)
        modifiers |= Qt::AltModifier;
    if (keypad)
        modifiers |= Qt::KeypadModifier;
    return QKeySequence(QKeyCombination(modifiers, key));
}

int KeyCodeMap::fromCombination(QKeyCombination combination) {
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    if (modifiers & Qt::MetaModifier)
        return 0;
    const int key = combination.key();
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_AltGr:
    case Qt::Key_unknown:
        return 0;
    default:
        break;
    }
    ShortcutParts parts;
    parts.keyCode = fromQtKey(key, modifiers.testFlag(Qt::KeypadModifier));
    if (parts.keyCode == 0)
        return 0;
    parts.shift = modifiers.testFlag(Qt::ShiftModifier) || key == Qt::Key_Backtab;
    parts.ctrl = modifiers.testFlag(Qt::ControlModifier);
    parts.alt = modifiers.testFlag(Qt::AltModifier);
    return parts.value();
}

int KeyCodeMap::fromSequence(const QKeySequence& sequence) {
    return sequence.isEmpty() ? 0 : fromCombination(sequence[0]);
}

} // namespace trevane
