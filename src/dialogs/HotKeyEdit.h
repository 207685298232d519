#pragma once

#include <QKeySequenceEdit>

namespace trevane {

// A field that captures one key combination, as a hot-key control does: the next key pressed
// with its modifiers replaces the combination at once. A key pressed without Shift, Ctrl or Alt
// gets Ctrl (such a key can be given only as text). Tab and Shift+Tab without Ctrl or Alt move
// the focus as in any other field. The held combination is a shortcut value (ShortcutText.h),
// shown in the program's shortcut text.
class HotKeyEdit : public QKeySequenceEdit {
    Q_OBJECT

public:
    explicit HotKeyEdit(QWidget* parent = nullptr);

    int value() const { return m_value; }
    // Shows value as it is (no Ctrl is added); 0 empties the field.
    void setValue(int value);

signals:
    void valueChanged(int value);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    int m_value = 0;
};

} // namespace trevane
