#include "dialogs/ShortcutMenu.h"

#include "dialogs/MenuShortcuts.h"

#include <QAction>
#include <QStyleOptionMenuItem>

namespace trevane {

ShortcutMenu::ShortcutMenu(const QString& title, QWidget* parent) : QMenu(title, parent) {}

void ShortcutMenu::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const {
    QMenu::initStyleOption(option, action);
    // The style draws what follows a tab as the item's key.
    if (action && action->shortcut().isEmpty() && !option->text.contains(QLatin1Char('\t'))) {
        const QKeySequence shown = MenuShortcuts::itemShortcut(action);
        if (shown.isEmpty())
            return;
        const QString text = shown.toString(QKeySequence::NativeText);
        option->text += QLatin1Char('\t') + text;
        option->reservedShortcutWidth =
            qMax(option->reservedShortcutWidth, option->fontMetrics.horizontalAdvance(text));
    }
}

} // namespace trevane
