#pragma once

#include <QKeyCombination>
#include <QKeySequence>

namespace trevane {

// Between the program's shortcut values (virtual-key code plus Shift/Ctrl/Alt bits, see
// jobs/ShortcutText.h) and Qt's keys. Both directions agree on every key that has a name in
// the shortcut texts and a Qt key; the number-pad keys carry Qt::KeypadModifier.
class KeyCodeMap {
public:
    // The key sequence of a shortcut value; empty for 0 or a key Qt has no code for.
    static QKeySequence toKeySequence(int value);
    // The shortcut value of one key combination as Qt reports it (a key event or the first
    // combination of a sequence). A shifted character is taken as the key that carries it on
    // the common (US) layout, so Shift+= and Shift++ both give Shift with the "=" key. 0 for a
    // modifier key alone, the Meta modifier, or a key without a code.
    static int fromCombination(QKeyCombination combination);
    // The value of the sequence's first combination; 0 for an empty sequence.
    static int fromSequence(const QKeySequence& sequence);
};

} // namespace trevane
