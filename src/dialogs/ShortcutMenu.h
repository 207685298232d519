#pragma once

#include <QMenu>

namespace trevane {

// A menu that shows every item's key, also the key of an item that holds it only as text
// because an earlier item receives it (MenuShortcuts): both items that own a key show it, so
// the user sees the key on every item it stands for. Keys are spelled as KeyList.ini and the
// key dialog spell them ("Shift+Ctrl+Z").
class ShortcutMenu : public QMenu {
    Q_OBJECT

public:
    explicit ShortcutMenu(const QString& title, QWidget* parent = nullptr);
    // The key an item shows; empty when it has none.
    static QString keyText(const QAction* action);

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;
};

} // namespace trevane
