#pragma once

#include <QKeySequence>
#include <QList>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace trevane {

// The shortcuts of a window's menu items, with the rule the window keeps for two items that
// hold the same key: the first in menu order receives it, a later one keeps it only as text
// (its action has no shortcut and the property "shadowedShortcut" holds the key), so the key
// is never ambiguous and the later item still shows it.
class MenuShortcuts {
public:
    static constexpr const char* ShadowProperty = "shadowedShortcut";

    // The key the item holds, whether in force or shadowed.
    static QKeySequence itemShortcut(const QAction* item);
    // Gives the item a key (empty: none); call resolveClashes afterwards.
    static void setItemShortcut(QAction* item, const QKeySequence& key);
    // Hands every key to its first holder: the menu bar's items depth first in menu order,
    // then the items of the window's other menus (popup menus).
    static void resolveClashes(QMenuBar* bar);

    // The items of a top-level menu that can take a shortcut, depth first in menu order: items
    // without sub-items, not separators, whose caption does not begin with "&". The items of a
    // sub-menu stand in place of its heading.
    static QList<QAction*> assignableItems(const QMenu* menu);
    // Whether the action is an item of some menu (and not only a tool button, say).
    static bool isMenuItem(const QAction* action);
    // The action among window's descendants with that object name, compared without regard to
    // letter case; nullptr when there is none.
    static QAction* findAction(const QWidget* window, const QString& name);
};

} // namespace trevane
