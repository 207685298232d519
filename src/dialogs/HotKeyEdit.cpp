#include "dialogs/HotKeyEdit.h"

#include "dialogs/KeyCodeMap.h"
#include "jobs/ShortcutText.h"
#include "platform/TextCodec.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace trevane {

HotKeyEdit::HotKeyEdit(QWidget* parent) : QKeySequenceEdit(parent) {}

void HotKeyEdit::setValue(int value) {
    m_value = KeyCodeMap::toKeySequence(value).isEmpty() ? 0 : value;
    setKeySequence(KeyCodeMap::toKeySequence(m_value));
    // Qt would spell the key its own way ("Ctrl+Shift+Return"); the field shows the text the
    // key file stores and the dialog's lists show ("Shift+Ctrl+Enter").
    if (auto* shown = findChild<QLineEdit*>())
        shown->setText(toQString(shortcutToText(m_value)));
    emit valueChanged(m_value);
}

void HotKeyEdit::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const bool plainTab = (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) &&
                          !(modifiers & (Qt::ControlModifier | Qt::AltModifier));
    if (plainTab) {
        focusNextPrevChild(event->key() == Qt::Key_Tab && !(modifiers & Qt::ShiftModifier));
        return;
    }
    // The base class would collect up to four combinations and end after a pause; a hot-key
    // field holds one, taken as soon as the key goes down.
    const int captured = KeyCodeMap::fromCombination(event->keyCombination());
    event->accept();
    if (captured != 0)
        setValue(hotKeyFieldValue(captured));
}

void HotKeyEdit::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
}

} // namespace trevane
