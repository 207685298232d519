#include "dialogs/MenuShortcuts.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <functional>

namespace trevane {

QKeySequence MenuShortcuts::itemShortcut(const QAction* item) {
    if (!item->shortcut().isEmpty())
        return item->shortcut();
    return item->property(ShadowProperty).value<QKeySequence>();
}

void MenuShortcuts::setItemShortcut(QAction* item, const QKeySequence& key) {
    item->setProperty(ShadowProperty, QVariant());
    item->setShortcut(key);
}

void MenuShortcuts::resolveClashes(QMenuBar* bar) {
    QList<QKeySequence> taken;
    QSet<QAction*> seen;
    std::function<void(const QMenu*)> walk = [&](const QMenu* menu) {
        for (QAction* item : menu->actions()) {
            if (item->menu()) {
                walk(item->menu());
                continue;
            }
            if (item->isSeparator() || seen.contains(item))
                continue;
            seen.insert(item);
            const QKeySequence key = itemShortcut(item);
            if (key.isEmpty())
                continue;
            if (taken.contains(key)) {
                item->setShortcut({});
                item->setProperty(ShadowProperty, QVariant::fromValue(key));
            } else {
                taken.append(key);
                item->setProperty(ShadowProperty, QVariant());
                item->setShortcut(key);
            }
        }
    };
    for (QAction* top : bar->actions())
        if (top->menu())
            walk(top->menu());
    if (QWidget* window = bar->window())
        for (const QMenu* menu : window->findChildren<QMenu*>())
            walk(menu);
}

QList<QAction*> MenuShortcuts::assignableItems(const QMenu* menu) {
    QList<QAction*> items;
    for (QAction* item : menu->actions()) {
        if (item->menu()) {
            items += assignableItems(item->menu());
            continue;
        }
        if (item->isSeparator() || item->text().startsWith(QLatin1Char('&')))
            continue;
        items.append(item);
    }
    return items;
}

bool MenuShortcuts::isMenuItem(const QAction* action) {
    for (const QObject* owner : action->associatedObjects())
        if (qobject_cast<const QMenu*>(owner))
            return true;
    return false;
}

QAction* MenuShortcuts::findAction(const QWidget* window, const QString& name) {
    if (!window || name.isEmpty())
        return nullptr;
    for (QAction* action : window->findChildren<QAction*>())
        if (action->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return action;
    return nullptr;
}

} // namespace trevane
