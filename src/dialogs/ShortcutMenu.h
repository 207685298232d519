#pragma once

#include <QMenu>

namespace trevane {

// A menu that shows every item's key, also the key of an item that holds it only as text
// because an earlier item receives it (MenuShortcuts): both items that own a key show it, so
// the user sees the key on every item it stands for.
class ShortcutMenu : public QMenu {
    Q_OBJECT

public:
    explicit ShortcutMenu(const QString& title, QWidget* parent = nullptr);

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;
};

} // namespace trevane
