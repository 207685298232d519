#pragma once

#include <QDialog>
#include <QList>
#include <string>

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenuBar;
class QPushButton;

namespace trevane {

class HotKeyEdit;

// Applies the shortcut key file (KeyList.ini) to the window that owns bar: for every entry of
// section Key, in file order, the action of that object name among the window's descendants
// (letter case ignored) takes the entry's text read as a shortcut, or none when the text names
// no key. Names of no action, or of an action in no menu, are skipped; items without an entry
// keep their shortcut. Afterwards every key goes to its first holder in menu order (see
// MenuShortcuts). A missing file changes nothing. Returns how many entries were applied.
int ApplyKeyList(QMenuBar* bar, const std::string& keyListPath);

// The shortcut key dialog: lists the top-level menus of bar, the assignable items of the
// selected one with their shortcuts, and writes the user's assignments to keyListPath entry by
// entry, applying them to the window at once (Apply). The dialog has no Cancel: what was
// applied stays. bar must outlive the dialog. The owner runs ApplyKeyList again after the
// dialog has closed.
//
// Controls: lbTopMenu, lbMenu, edCurrentKey, DefaultBtn, hkNewKey, edNewKey, ApplyBtn, OKBtn.
class TSetKeyDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* NoKeyText = "なし";
    static constexpr const char* NextStartText = "次回立ち上げ時変更";

    TSetKeyDlg(QMenuBar* bar, std::string keyListPath, QWidget* parent = nullptr);

    // A line of lbMenu: the item's caption, seven blanks, its shortcut text.
    static QString itemLine(const QAction* item);

    // Handlers, public so tests can run them as the controls do.
    void lbTopMenuClick();
    void lbMenuClick();
    void edCurrentKeyChange();
    void ApplyBtnClick();
    void DefaultBtnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    QAction* selectedItem() const;

    QMenuBar* m_bar;
    std::string m_keyListPath;
    QList<QAction*> m_topItems;  // the rows of lbTopMenu
    QList<QAction*> m_menuItems; // the rows of lbMenu
    bool m_centred = false;

    QListWidget* m_topMenu = nullptr;
    QListWidget* m_menu = nullptr;
    QLineEdit* m_currentKey = nullptr;
    HotKeyEdit* m_hotKey = nullptr;
    QLineEdit* m_newKey = nullptr;
};

} // namespace trevane
