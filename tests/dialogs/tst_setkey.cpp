// Shortcut keys: the key map between shortcut values and Qt keys, ApplyKeyList on the main
// window's real menu bar, and the shortcut key dialog driven through its controls.

#include "app/Mainunit.h"
#include "dialogs/FileDialogs.h"
#include "dialogs/HotKeyEdit.h"
#include "dialogs/KeyCodeMap.h"
#include "dialogs/MenuShortcuts.h"
#include "dialogs/MessageBox.h"
#include "dialogs/Setkeyunit.h"
#include "dialogs/ShortcutMenu.h"
#include "jobs/ShortcutText.h"
#include "platform/TextCodec.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStyleOptionMenuItem>
#include <QTemporaryDir>
#include <QTest>

#include "support/WindowTestHome.h"

using namespace trevane;

class SetKeyTest : public QObject {
    Q_OBJECT

private:
    trevane::test::WindowTestHome m_home;
    std::string keyList() const { return m_home.path() + "/KeyList.ini"; }
    QByteArray keyListBytes() const {
        QFile file(toQString(keyList()));
        // Line ends are the INI writer's business; the entries are what counts here.
        return file.open(QIODevice::ReadOnly) ? file.readAll().replace("\r", "")
                                              : QByteArray("<missing>");
    }
    void writeKeyList(const QByteArray& bytes) const {
        QFile file(toQString(keyList()));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    static QKeySequence key(TMainForm& form, const char* name) {
        return form.action(QString::fromLatin1(name))->shortcut();
    }
    template <typename T> static T* child(QDialog& dialog, const char* name) {
        T* widget = dialog.findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    static QStringList lines(QListWidget* list) {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i)
            texts << list->item(i)->text();
        return texts;
    }
    // Selects the item of lbMenu whose line starts with caption, in the top-level menu row.
    static void select(TSetKeyDlg& dlg, int topRow, const QString& caption) {
        child<QListWidget>(dlg, "lbTopMenu")->setCurrentRow(topRow);
        QListWidget* items = child<QListWidget>(dlg, "lbMenu");
        for (int i = 0; i < items->count(); ++i) {
            if (items->item(i)->text().startsWith(caption + QStringLiteral("       "))) {
                items->setCurrentRow(i);
                return;
            }
        }
        QFAIL(qPrintable(QStringLiteral("no item ") + caption));
    }

private slots:
    void init() { m_home.start(); }
    void cleanup() { m_home.finish(); }

    void keyMap_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<QKeySequence>("sequence");
        using QKS = QKeySequence;
        QTest::newRow("Shift+Ctrl+Z") << 0x605A << QKS(Qt::SHIFT | Qt::CTRL | Qt::Key_Z);
        QTest::newRow("Ctrl+N") << 0x404E << QKS(Qt::CTRL | Qt::Key_N);
        QTest::newRow("F1") << 0x70 << QKS(Qt::Key_F1);
        QTest::newRow("F24") << 0x87 << QKS(Qt::Key_F24);
        QTest::newRow("Alt+Del") << 0x802E << QKS(Qt::ALT | Qt::Key_Delete);
        QTest::newRow("Ctrl+9") << 0x4039 << QKS(Qt::CTRL | Qt::Key_9);
        QTest::newRow("Ctrl+num pad 7")
            << 0x4067 << QKS(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_7));
        QTest::newRow("Num +") << 0x6B << QKS(QKeyCombination(Qt::KeypadModifier, Qt::Key_Plus));
        QTest::newRow("Ctrl+,") << 0x40BC << QKS(Qt::CTRL | Qt::Key_Comma);
        QTest::newRow("Shift+Enter") << 0x200D << QKS(Qt::SHIFT | Qt::Key_Return);
        QTest::newRow("Ctrl+Alt+PgDn") << 0xC022 << QKS(Qt::CTRL | Qt::ALT | Qt::Key_PageDown);
        QTest::newRow("none") << 0 << QKS();
    }
    void keyMap() {
        QFETCH(int, value);
        QFETCH(QKeySequence, sequence);
        QCOMPARE(KeyCodeMap::toKeySequence(value), sequence);
        QCOMPARE(KeyCodeMap::fromSequence(sequence), value);
    }

    void keyMapTakesShiftedCharactersAsTheirKeys() {
        auto from = [](Qt::KeyboardModifiers m, Qt::Key k) {
            return KeyCodeMap::fromCombination(QKeyCombination(m, k));
        };
        QCOMPARE(from(Qt::ShiftModifier, Qt::Key_Plus), 0x20BB);
        QCOMPARE(from(Qt::ShiftModifier | Qt::ControlModifier, Qt::Key_Exclam), 0x6031);
        QCOMPARE(from(Qt::ShiftModifier, Qt::Key_Backtab), 0x2009);
        QCOMPARE(from(Qt::KeypadModifier, Qt::Key_Enter), 0x0D);
        QCOMPARE(from(Qt::ControlModifier, Qt::Key_Asterisk), 0x4038);
        QCOMPARE(from(Qt::KeypadModifier, Qt::Key_Asterisk), 0x6A);
        QCOMPARE(from(Qt::ControlModifier, Qt::Key_Control), 0);
        QCOMPARE(from(Qt::MetaModifier, Qt::Key_A), 0);
        // Every key the texts name and Qt has survives a trip through Qt.
        for (int code = 1; code < 256; ++code) {
            QKeySequence sequence = KeyCodeMap::toKeySequence(CtrlBit | code);
            if (!sequence.isEmpty())
                QCOMPARE(KeyCodeMap::fromSequence(sequence), CtrlBit | code);
        }
    }

    void applyKeyListOnTheWindowsMenus() {
        TMainForm form;
        auto* popup = new QMenu(&form);
        QAction* popupItem = popup->addAction(QStringLiteral("ポップアップ"));
        popupItem->setObjectName(QStringLiteral("PopupItem"));
        QCOMPARE(ApplyKeyList(form.menuBar(), keyList()), 0); // no file: nothing changes
        QCOMPARE(key(form, "FileNew"), QKeySequence(Qt::CTRL | Qt::Key_N));

        writeKeyList("[Key]\r\n"
                     "fileSAVE=F6\r\n"
                     "EditUndo=no such key\r\n"
                     "NoSuchItem=Ctrl+A\r\n"
                     "OptionBtn=Ctrl+B\r\n"
                     "ShowLog=^n\r\n"
                     "PopupItem=Alt+P\r\n"
                     "FileDelete=\r\n");
        QCOMPARE(ApplyKeyList(form.menuBar(), keyList()), 5);
        QCOMPARE(key(form, "FileSave"), QKeySequence(Qt::Key_F6));
        // The run command shared Ctrl+S with FileSave; now it is the first holder.
        QCOMPARE(key(form, "StartCopy"), QKeySequence(Qt::CTRL | Qt::Key_S));
        QCOMPARE(key(form, "EditUndo"), QKeySequence());
        QCOMPARE(key(form, "OptionBtn"), QKeySequence()); // a tool button, no menu item
        QCOMPARE(key(form, "FileDelete"), QKeySequence());
        // Two holders of Ctrl+N: the earlier menu item receives it, the later shows it.
        QCOMPARE(key(form, "FileNew"), QKeySequence(Qt::CTRL | Qt::Key_N));
        QCOMPARE(key(form, "ShowLog"), QKeySequence());
        QCOMPARE(MenuShortcuts::itemShortcut(form.action("ShowLog")),
                 QKeySequence(Qt::CTRL | Qt::Key_N));
        QCOMPARE(popupItem->shortcut(), QKeySequence(Qt::ALT | Qt::Key_P));
        // Items without an entry keep their key.
        QCOMPARE(key(form, "Topics"), QKeySequence(Qt::Key_F1));
    }

    void dialogListsTheMenus() {
        TMainForm form;
        TSetKeyDlg dlg(form.menuBar(), keyList());
        QCOMPARE(dlg.windowTitle(), QStringLiteral("ショートカットの割り当て"));
        QListWidget* top = child<QListWidget>(dlg, "lbTopMenu");
        QCOMPARE(lines(top), QStringList({"ファイル(&F)", "編集(&E)", "実行(&D)", "表示(&W)",
                                          "ヘルプ(&H)", ""}));
        QCOMPARE(top->currentRow(), 0);
        QListWidget* items = child<QListWidget>(dlg, "lbMenu");
        const QString gap = QStringLiteral("       ");
        QCOMPARE(lines(items),
                 QStringList({"新規作成(&N)" + gap + "Ctrl+N", "開く(&O)" + gap + "Ctrl+O",
                              "上書き保存(&S)" + gap + "Ctrl+S", "名前を付けて保存(&A)..." + gap,
                              "ファイルの削除(&D)" + gap, "復元(&R)..." + gap + "Shift+Ctrl+R",
                              "終了(&X)" + gap}));
        QCOMPARE(items->currentRow(), 0);
        QCOMPARE(child<QLineEdit>(dlg, "edCurrentKey")->text(), QStringLiteral("Ctrl+N"));
        QCOMPARE(child<HotKeyEdit>(dlg, "hkNewKey")->value(), 0x404E);

        top->setCurrentRow(1);
        QCOMPARE(items->count(), 10);
        QCOMPARE(items->item(0)->text(), "元に戻す(&U)" + gap + "Shift+Ctrl+Z");
        top->setCurrentRow(2); // the run command keeps its shadowed Ctrl+S as text
        QCOMPARE(items->item(0)->text(), "開いているジョブファイルの実行(&S)" + gap + "Ctrl+S");
        top->setCurrentRow(3); // the tool bar sub-menu's items stand in place of its heading
        QStringList view = lines(items);
        QCOMPARE(view.size(), 10);
        QCOMPARE(view[6], "キャプション" + gap);
        QCOMPARE(view[7], "フラットボタン" + gap);
        QCOMPARE(view[9], "タスクトレーに隠す(&H)" + gap + "Ctrl+H");
        top->setCurrentRow(5);
        QCOMPARE(items->count(), 0);

        select(dlg, 0, QStringLiteral("名前を付けて保存(&A)..."));
        QCOMPARE(child<QLineEdit>(dlg, "edCurrentKey")->text(), QStringLiteral("なし"));
        QCOMPARE(child<HotKeyEdit>(dlg, "hkNewKey")->value(), 0);
        QVERIFY(child<HotKeyEdit>(dlg, "hkNewKey")->keySequence().isEmpty());
    }

    void bothHoldersOfCtrlSShowIt() {
        // What a menu of the window hands its style to draw for an item.
        struct Probe : ShortcutMenu {
            Probe() : ShortcutMenu(QString()) {}
            QString shown(const QAction* item) const {
                QStyleOptionMenuItem option;
                initStyleOption(&option, item);
                return option.text;
            }
        };
        TMainForm form;
        QVERIFY(qobject_cast<ShortcutMenu*>(form.findChild<QMenu*>("Run1")));
        QVERIFY(form.action("StartCopy")->shortcut().isEmpty()); // save receives the key
        QCOMPARE(Probe().shown(form.action("StartCopy")),
                 QStringLiteral("開いているジョブファイルの実行(&S)\tCtrl+S"));
    }

    void applyFromTheHotKeyField() {
        TMainForm form;
        TSetKeyDlg dlg(form.menuBar(), keyList());
        auto* hotKey = child<HotKeyEdit>(dlg, "hkNewKey");
        QTest::keyClick(hotKey, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(hotKey->value(), 0x604B);
        child<QPushButton>(dlg, "ApplyBtn")->click();
        QVERIFY(keyListBytes().contains("FileNew=Shift+Ctrl+K"));
        QCOMPARE(key(form, "FileNew"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K));
        QListWidget* items = child<QListWidget>(dlg, "lbMenu");
        QCOMPARE(items->currentRow(), 0);
        QCOMPARE(items->item(0)->text(), QStringLiteral("新規作成(&N)       Shift+Ctrl+K"));
        QCOMPARE(child<QLineEdit>(dlg, "edCurrentKey")->text(), QStringLiteral("Shift+Ctrl+K"));

        // A bare key gets Ctrl; the field holds one combination at a time.
        select(dlg, 0, QStringLiteral("ファイルの削除(&D)"));
        QTest::keyClick(hotKey, Qt::Key_G);
        QCOMPARE(hotKey->value(), 0x4047);
        QTest::keyClick(hotKey, Qt::Key_F7, Qt::AltModifier);
        QCOMPARE(hotKey->value(), 0x8076);
        QCOMPARE(hotKey->keySequence(), QKeySequence(Qt::ALT | Qt::Key_F7));
        child<QPushButton>(dlg, "ApplyBtn")->click();
        QCOMPARE(key(form, "FileDelete"), QKeySequence(Qt::ALT | Qt::Key_F7));
        QCOMPARE(items->currentRow(), 4);
        // The field spells a key as the key file stores it, not as Qt would.
        hotKey->setValue(textToShortcut("Shift+Ctrl+Enter"));
        QCOMPARE(hotKey->findChild<QLineEdit*>()->text(), QStringLiteral("Shift+Ctrl+Enter"));
    }

    void applyFromTheTextField() {
        TMainForm form;
        TSetKeyDlg dlg(form.menuBar(), keyList());
        select(dlg, 4, QStringLiteral("バージョン情報情報(&A)..."));
        auto* text = child<QLineEdit>(dlg, "edNewKey");
        text->setText(QStringLiteral("F5"));
        child<QPushButton>(dlg, "ApplyBtn")->click();
        QCOMPARE(key(form, "About"), QKeySequence(Qt::Key_F5));
        QCOMPARE(child<QLineEdit>(dlg, "edCurrentKey")->text(), QStringLiteral("F5"));

        // A text that names no key is stored as typed and removes the shortcut at once; it
        // wins over the hot-key field while it is there.
        select(dlg, 4, QStringLiteral("トピックスの検索(&S)..."));
        text->setText(QStringLiteral("Ctrl+Nothing"));
        child<QPushButton>(dlg, "ApplyBtn")->click();
        QCOMPARE(key(form, "Topics"), QKeySequence());
        QVERIFY(keyListBytes().contains("Topics=Ctrl+Nothing"));
        QCOMPARE(child<QLineEdit>(dlg, "edCurrentKey")->text(), QStringLiteral("なし"));
        QCOMPARE(text->text(), QStringLiteral("Ctrl+Nothing"));
        QCOMPARE(keyListBytes(), QByteArray("[Key]\nAbout=F5\nTopics=Ctrl+Nothing\n"));
    }

    void defaultRemovesTheEntryForTheNextStart() {
        writeKeyList("[Key]\r\nFileOpen=Ctrl+F2\r\nExit=Alt+X\r\n");
        {
            TMainForm form;
            ApplyKeyList(form.menuBar(), keyList());
            QCOMPARE(key(form, "FileOpen"), QKeySequence(Qt::CTRL | Qt::Key_F2));
            TSetKeyDlg dlg(form.menuBar(), keyList());
            select(dlg, 0, QStringLiteral("開く(&O)"));
            child<QPushButton>(dlg, "DefaultBtn")->click();
            QCOMPARE(child<QLineEdit>(dlg, "edCurrentKey")->text(),
                     QStringLiteral("次回立ち上げ時変更"));
            QCOMPARE(key(form, "FileOpen"), QKeySequence(Qt::CTRL | Qt::Key_F2));
            QCOMPARE(child<QListWidget>(dlg, "lbMenu")->item(1)->text(),
                     QStringLiteral("開く(&O)       Ctrl+F2"));
            ApplyKeyList(form.menuBar(), keyList()); // as the window does after the dialog
            QCOMPARE(key(form, "FileOpen"), QKeySequence(Qt::CTRL | Qt::Key_F2));
        }
        QCOMPARE(keyListBytes(), QByteArray("[Key]\nExit=Alt+X\n"));
        TMainForm next; // the next start: the built-in key is back
        ApplyKeyList(next.menuBar(), keyList());
        QCOMPARE(key(next, "FileOpen"), QKeySequence(Qt::CTRL | Qt::Key_O));
        QCOMPARE(key(next, "Exit"), QKeySequence(Qt::ALT | Qt::Key_X));
    }

    void applyAndDefaultWithNoItemDoNothing() {
        TMainForm form;
        TSetKeyDlg dlg(form.menuBar(), keyList());
        child<QListWidget>(dlg, "lbTopMenu")->setCurrentRow(5);
        child<QLineEdit>(dlg, "edNewKey")->setText(QStringLiteral("F9"));
        child<QPushButton>(dlg, "ApplyBtn")->click();
        child<QPushButton>(dlg, "DefaultBtn")->click();
        QVERIFY(!QFile::exists(toQString(keyList())));
    }

    void aKeyListThatCannotBeWrittenIsReported() {
        TMainForm form;
        TSetKeyDlg dlg(form.menuBar(), m_home.path() + "/no such folder/KeyList.ini");
        child<QLineEdit>(dlg, "edNewKey")->setText(QStringLiteral("F9"));
        MessageBox::setNextAnswer(QMessageBox::Ok);
        child<QPushButton>(dlg, "ApplyBtn")->click();
        QCOMPARE(key(form, "FileNew"), QKeySequence(Qt::CTRL | Qt::Key_N));
        QVERIFY(MessageBox::lastText().startsWith(
            QStringLiteral("キーの割り当てを保存できませんでした。")));
    }
};

QTEST_MAIN(SetKeyTest)
#include "tst_setkey.moc"
