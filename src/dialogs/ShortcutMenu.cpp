#include "dialogs/ShortcutMenu.h"

#include "dialogs/KeyCodeMap.h"
#include "dialogs/MenuShortcuts.h"
#include "jobs/ShortcutText.h"
#include "platform/TextCodec.h"

#include <QAction>
#include <QStyleOptionMenuItem>

namespace trevane {

ShortcutMenu::ShortcutMenu(const QString& title, QWidget* parent) : QMenu(title, parent) {}

QString ShortcutMenu::keyText(const QAction* action) {
    QKeySequence key = action->shortcut();
    if (key.isEmpty())
        key = MenuShortcuts::itemShortcut(action);
    if (key.isEmpty())
        return {};
    const QString text = toQString(shortcutToText(KeyCodeMap::fromSequence(key)));
    return text.isEmpty() ? key.toString(QKeySequence::NativeText) : text;
}

void ShortcutMenu::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const {
    QMenu::initStyleOption(option, action);
    const QString text = action ? keyText(action) : QString();
    if (text.isEmpty())
        return;
    // The style draws what follows a tab as the item's key.
    const int tab = option->text.indexOf(QLatin1Char('\t'));
    option->text = (tab < 0 ? option->text : option->text.left(tab)) + QLatin1Char('\t') + text;
    option->reservedShortcutWidth =
        qMax(option->reservedShortcutWidth, option->fontMetrics.horizontalAdvance(text));
}

} // namespace trevane
