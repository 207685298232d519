// The main window driven through its real widgets: layout, typing, drops, hints, caption,
// modified flag, settings and the close question.

#include "app/JobTableModel.h"
#include "app/Mainunit.h"
#include "app/SidePanelSplitter.h"
#include "dialogs/FileDialogs.h"
#include "dialogs/MessageBox.h"
#include "dialogs/RunHistoryDialog.h"
#include "dialogs/ShortcutMenu.h"
#include "engine/Clock.h"
#include "engine/RunHistory.h"
#include "jobs/AtomicFile.h"
#include "jobs/IniFile.h"
#include "platform/TextCodec.h"
#include "tray/TaskBar.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStyle>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include "support/StandIns.h"
#include "support/WindowTestHome.h"
#include <QMenu>
#include <QTimer>
#include <QToolTip>
#include <QToolBar>

#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <tuple>
#include <unistd.h>

using namespace trevane;

namespace {
using test::FixedClock;
DateTime at(int day, int hour, int minute) {
    DateTime t;
    t.year = 2026;
    t.month = 12;
    t.day = day; // 2026-12-07 is a Monday
    t.hour = hour;
    t.minute = minute;
    return t;
}
} // namespace

class MainFormTest : public QObject {
    Q_OBJECT

private:
    trevane::test::WindowTestHome m_home;
    std::string home() const { return m_home.path(); }
    static QString panel(TMainForm& form, int i) { return form.statusPanel(i)->text(); }
    static void type(TMainForm& form, int column, int row, const char* text) {
        form.grid()->setCurrentIndex(form.grid()->model()->index(row - 1, column - 1));
        form.tableEdit().sgCopyListSetEditText(column, row, text);
    }

private slots:
    void init() { m_home.start(); }
    void cleanup() { m_home.finish(); }

    void startsWithTheLayoutAndHeaders() {
        TMainForm form;
        QCOMPARE(QDir::currentPath(), m_home.qpath() + "/CPL"); // where the folder dialog opens
        QCOMPARE(form.windowTitle(), QStringLiteral("Trevane - 新規.cpl"));
        QVERIFY(QFileInfo(QString::fromStdString(home() + "/CPL")).isDir());
        QTableView* grid = form.findChild<QTableView*>("sgCopyList");
        QVERIFY(grid);
        const QStringList headers = {
            "コピー元ディレクトリ", "コピー先ディレクトリ",        "コピーするファイル",
            "書庫ファイル(.lzh)",   "xcopyのスイッチ(/D/S/I/K等)", "u(圧縮)のスイッチ(-d1等)",
            "任意コマンド"};
        const int widths[] = {142, 130, 106, 99, 86, 85, 92};
        for (int c = 0; c < 7; ++c) {
            QCOMPARE(grid->model()->headerData(c, Qt::Horizontal).toString(), headers[c]);
            // The default width, or wider where the font needs more for the caption.
            const int caption = grid->horizontalHeader()->sectionSizeHint(c);
            QCOMPARE(grid->columnWidth(c), caption > widths[c] ? caption : widths[c]);
        }
        QCOMPARE(grid->model()->rowCount(), 1);
        QCOMPARE(grid->model()->headerData(0, Qt::Vertical).toString(), QStringLiteral("1"));
        QCOMPARE(panel(form, 0), QStringLiteral("ready"));
        QCOMPARE(panel(form, 1), QString());
        QCOMPARE(panel(form, 2), QStringLiteral("xcopy /Y/D/S/I/K || u -d1"));
        QCOMPARE(form.statusPanel(0)->minimumWidth(), 70);
        QCOMPARE(form.statusPanel(2)->minimumWidth(), 200);
        QVERIFY(form.findChild<QListWidget*>("CPLFileListBox"));
        QVERIFY(form.findChild<QPlainTextEdit*>("reLog"));
        auto* timer = form.findChild<QLabel*>("TimerLabel");
        QVERIFY(timer);
        QCOMPARE(timer->text(), QStringLiteral("Timer Off"));
        // Qt would drop the "..." of the folder button's caption.
        QCOMPARE(form.action("ReferBtn")->iconText(), QStringLiteral("参照..."));
        QVERIFY(form.action("FileSave")->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_S));
        // The run command shares Ctrl+S; the earlier menu item receives the key.
        QVERIFY(form.action("StartCopy")->shortcut().isEmpty());
    }

    void toolButtonsShowTheirOwnIconsWithoutAnIconTheme() {
        // Without the desktop's icon theme (none under offscreen) a button shows the picture the
        // program carries for its command, or the style's where that fits; icons are made once
        // and shared, and each button must still show its own, enabled and disabled.
        QVERIFY(!QIcon::hasThemeIcon(QStringLiteral("edit-cut")));
        TMainForm form;
        const auto own = [](const char* name) {
            return QIcon(QStringLiteral(":/icons/16/%1.png").arg(QLatin1String(name)));
        };
        const struct {
            const char* button;
            QIcon want;
        } cases[] = {{"NewBtn", form.style()->standardIcon(QStyle::SP_FileIcon)},
                     {"SaveBtn", form.style()->standardIcon(QStyle::SP_DialogSaveButton)},
                     {"CutBtn", own("edit-cut")},
                     {"PasteBtn", own("edit-paste")},
                     {"LogBtn", own("text-x-generic")},
                     {"ShowCommandBtn", own("utilities-terminal")},
                     {"StartBtn", form.style()->standardIcon(QStyle::SP_MediaPlay)},
                     {"TimerBtn", own("chronometer")},
                     {"OptionBtn", own("preferences-system")},
                     {"HideBtn", form.style()->standardIcon(QStyle::SP_TitleBarMinButton)}};
        for (const auto& c : cases) {
            QVERIFY2(!c.want.isNull(), c.button);
            const QIcon shown = form.action(c.button)->icon();
            for (QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled})
                QCOMPARE(shown.pixmap(16, mode).toImage(), c.want.pixmap(16, mode).toImage());
        }
    }

    void typingIntoTheLastRowAppendsAnEntryRow() {
        TMainForm form;
        QAbstractItemModel* model = form.grid()->model();
        type(form, 1, 1, "/data");
        QCOMPARE(model->rowCount(), 2);
        QCOMPARE(model->headerData(1, Qt::Vertical).toString(), QStringLiteral("2"));
        type(form, 2, 1, "/backup"); // an earlier row: no growth
        QCOMPARE(model->rowCount(), 2);
        // A long text widens its column, a short one never narrows it.
        std::string longText(80, 'x');
        type(form, 3, 1, longText.c_str());
        int wide = form.grid()->columnWidth(2);
        QVERIFY(wide > form.grid()->fontMetrics().horizontalAdvance(QString(80, QLatin1Char('x'))) + 5); // and the margins
        type(form, 3, 1, "a");
        QCOMPARE(form.grid()->columnWidth(2), wide);
    }

    // Read as a run reads a folder cell: "~/" is the home folder, and a relative folder ("."
    // always names one) is none.
    void typingAnExistingFolderMakesItTheLastFolder() {
        TMainForm form;
        type(form, 1, 1, home().c_str());
        QCOMPARE(form.tableEdit().lastFolder(), home());
        const QByteArray savedHome = qgetenv("HOME");
        qputenv("HOME", QByteArray::fromStdString(home()));
        type(form, 2, 1, "~/CPL");
        const std::string typedHome = form.tableEdit().lastFolder();
        type(form, 2, 1, ".");
        qputenv("HOME", savedHome);
        QCOMPARE(typedHome, home() + "/CPL");
        QCOMPARE(form.tableEdit().lastFolder(), home() + "/CPL");
    }

    void dropsFillCellsByColumn() {
        TMainForm form;
        std::string file = home() + "/report.doc";
        QVERIFY(writeFileAtomically(file, "x").ok);
        // Column 1: the folder of the file, with its separator; a row is appended.
        form.grid()->setCurrentIndex(form.grid()->model()->index(0, 0));
        form.tableEdit().DropFiles({file});
        QCOMPARE(form.table().cell(1, 1), home() + "/");
        QCOMPARE(form.table().rowCount(), 3);
        QVERIFY(form.isModified());
        QCOMPARE(panel(form, 1), QStringLiteral("修正あり"));
        // Column 3: source folder and file name, no row appended even on the last row.
        form.grid()->setCurrentIndex(form.grid()->model()->index(1, 2));
        form.tableEdit().DropFiles({file});
        QCOMPARE(form.table().cell(1, 2), home() + "/");
        QCOMPARE(form.table().cell(3, 2), std::string("report.doc"));
        QCOMPARE(form.table().rowCount(), 3);
        // Column 4: destination folder and archive name.
        form.grid()->setCurrentIndex(form.grid()->model()->index(0, 3));
        form.tableEdit().DropFiles({home()});
        QCOMPARE(form.table().cell(2, 1), home());
        // Columns 5 to 7: no cell changes, but modified and last folder.
        form.document().discardChanges();
        form.grid()->setCurrentIndex(form.grid()->model()->index(0, 5));
        form.tableEdit().DropFiles({file});
        QCOMPARE(form.table().cell(6, 1), std::string());
        QVERIFY(form.isModified());
        QCOMPARE(form.tableEdit().lastFolder(), home() + "/");
    }

    void rowHintShowsTheCommandOfCopyAndArchiveRows() {
        TMainForm form;
        type(form, 1, 1, "/data/");
        type(form, 2, 1, "/bak");
        type(form, 3, 1, "*.doc");
        type(form, 1, 2, "/src");
        type(form, 2, 2, "/arc");
        type(form, 4, 2, "b%t-%t.lzh");
        form.tableEdit().sgCopyListMouseMove(1);
        QCOMPARE(panel(form, 3), QStringLiteral("xcopy \"/data/*.doc\" \"/bak\" /Y/D/S/I/K"));
        form.tableEdit().sgCopyListMouseMove(2);
        QString stamp = QDate::currentDate().toString(QStringLiteral("yyMMdd"));
        QCOMPARE(panel(form, 3), QStringLiteral("u \"/arc/b%1-%t.lzh\" \"/src/\" -d1").arg(stamp));
        form.tableEdit().sgCopyListMouseMove(3); // the entry row has no hint
        QCOMPARE(panel(form, 3), QString());
    }

    void optionChecksChangeSwitchesAndModifiedFlag() {
        TMainForm form;
        auto* list = form.findChild<QListWidget*>("OptionCheckListBox");
        QCOMPARE(list->count(), 14);
        QCOMPARE(list->item(4)->text(),
                 QStringLiteral("xcopy /I  コピー先のディレクトリがないとき新規に作成"));
        list->item(11)->setCheckState(Qt::Checked);
        QCOMPARE(panel(form, 2), QStringLiteral("xcopy /Y/D:1998-01-01/S/I/K || u -d1"));
        QVERIFY(form.isModified());
        form.document().discardChanges();
        list->item(1)->setCheckState(Qt::Unchecked);
        list->item(13)->setCheckState(Qt::Unchecked);
        QCOMPARE(panel(form, 2), QStringLiteral("xcopy /Y/S/I/K || u "));
        QVERIFY(form.isModified());
    }

    void aFirstStartSavesTheTableDefaults() {
        {
            TMainForm form;
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            QVERIFY(form.close());
        }
        IniFile ini;
        QCOMPARE(ini.load(home() + "/Trevane.ini"), ReadStatus::Ok);
        const std::pair<const char*, int> sizes[] = {
            {"iMainFormLeft", 5},         {"iMainFormHeight", 416}, {"iMainFormWidth", 701},
            {"iLeftPanelWidth", 129},     {"iQuePanelWidth", 163},  {"iLogHeight", 58},
            {"iRightBtmPanelHeight", 119}};
        for (const auto& [key, value] : sizes)
            QCOMPARE(ini.readInteger("CONFIG", key, -1), value);
    }

    void saveAndOpenRoundTripWithOptions() {
        std::string path = home() + "/CPL/daily.cpl";
        {
            TMainForm form;
            type(form, 1, 1, "/my data");
            type(form, 2, 1, "/bak");
            form.findChild<QListWidget*>("OptionCheckListBox")->item(7)->setCheckState(Qt::Checked);
            FileDialogs::setNextAnswer(QString::fromStdString(path));
            form.jobFiles().FileSaveClick();
            QCOMPARE(FileDialogs::lastTitle(), QStringLiteral("CPLフォルダに保存してください"));
            QCOMPARE(form.windowTitle(), QStringLiteral("Trevane - daily.cpl"));
            QVERIFY(!form.isModified());
            QCOMPARE(readWholeFile(path).bytes, std::string("\"/my data\",/bak,,,,,\r\n"));
            QVERIFY(form.close());
        }
        IniFile ini;
        QCOMPARE(ini.load(home() + "/Trevane.ini"), ReadStatus::Ok);
        QCOMPARE(ini.readString("CONFIG", "asCPLFile", ""), path);
        QCOMPARE(ini.readBool(path, "bOption7", false), true);
        // The next start reopens the job with its options.
        TMainForm again;
        QCOMPARE(again.windowTitle(), QStringLiteral("Trevane - daily.cpl"));
        QCOMPARE(again.table().cell(1, 1), std::string("/my data"));
        QCOMPARE(again.table().rowCount(), 3);
        QVERIFY(again.findChild<QListWidget*>("OptionCheckListBox")->item(7)->checkState() ==
                Qt::Checked);
        QVERIFY(!again.isModified());
    }

    // The table has the keys at start and Ctrl+Tab leaves it; Alt+W opens the view menu; keys
    // are spelled as KeyList.ini spells them; the job-file list tells its double click and
    // opens a file on Enter.
    void keyboardAndTheJobFileList() {
        QVERIFY(QDir().mkpath(QString::fromStdString(home() + "/CPL")));
        QVERIFY(writeFileAtomically(home() + "/CPL/a.cpl", "/a,/b,,,,,\r\n").ok);
        TMainForm form;
        form.show();
        QApplication::setActiveWindow(&form);
        QCOMPARE(QApplication::focusWidget(), form.grid());
        QTest::keyClick(form.grid(), Qt::Key_Tab, Qt::ControlModifier);
        QVERIFY(QApplication::focusWidget() != form.grid());
        QCOMPARE(ShortcutMenu::keyText(form.action("EditUndo")), QStringLiteral("Shift+Ctrl+Z"));
        auto* list = form.findChild<QListWidget*>("CPLFileListBox");
        const QPoint at = list->visualItemRect(list->item(0)).center();
        QHelpEvent help(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &help);
        QCOMPARE(QToolTip::text(), QStringLiteral("ダブルクリックで開きます"));
        list->setCurrentRow(0);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(form.table().cell(2, 1), std::string("/b"));
        QTest::keyClick(&form, Qt::Key_W, Qt::AltModifier);
        QVERIFY(form.findChild<QMenu*>("View1")->isVisible());
    }

    void jobFileListFollowsSavesAndDeletes() {
        TMainForm form;
        auto* list = form.findChild<QListWidget*>("CPLFileListBox");
        QCOMPARE(list->count(), 0);
        QCOMPARE(list->palette().color(QPalette::Base),
                 QApplication::palette().color(QPalette::Button));
        QCOMPARE(list->statusTip(), QString::fromStdString(home() + "/CPL"));
        type(form, 1, 1, "/a");
        type(form, 2, 1, "/b");
        FileDialogs::setNextAnswer(QString::fromStdString(home() + "/CPL/one.cpl"));
        form.jobFiles().FileSaveAsClick();
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->currentItem()->text(), QStringLiteral("one.cpl"));
        QVERIFY(!list->currentItem()->icon().isNull());
        QCOMPARE(list->palette().color(QPalette::Base),
                 QApplication::palette().color(QPalette::Base));
        // A later save goes straight to the file.
        type(form, 2, 1, "/c");
        form.jobFiles().FileSaveClick();
        QCOMPARE(readWholeFile(home() + "/CPL/one.cpl").bytes, std::string("/a,/c,,,,,\r\n"));
        // A name that differs in case only is another file, and the list marks that one.
        FileDialogs::setNextAnswer(QString::fromStdString(home() + "/CPL/One.cpl"));
        form.jobFiles().FileSaveAsClick();
        QCOMPARE(list->currentItem()->text(), QStringLiteral("One.cpl"));
        form.jobFiles().OpenJobFile(home() + "/CPL/one.cpl");
        QCOMPARE(list->currentItem()->text(), QStringLiteral("one.cpl"));
        QVERIFY(QFile::remove(QString::fromStdString(home() + "/CPL/One.cpl")));
        FileDialogs::setNextAnswer(QString::fromStdString(home() + "/CPL/one.cpl"));
        form.jobFiles().FileSaveAsClick(); // reads the list again
        QCOMPARE(list->count(), 1);

        // Double click opens; with bDoCopyByDClick it queues the selected files instead.
        form.jobFiles().FileNewClick();
        list->setCurrentRow(0);
        form.jobFiles().CPLFileListBoxDblClick();
        QCOMPARE(form.table().cell(2, 1), std::string("/c"));
        form.settings().bDoCopyByDClick = true;
        form.jobFiles().CPLFileListBoxDblClick();
        QCOMPARE(form.run().queue(), std::vector<std::string>{"one.cpl"});
        form.runnerHost().waitForEnd();
    }

    void closeAsksBeforeDroppingChanges() {
        TMainForm form;
        form.show();
        type(form, 1, 1, "/a");
        form.document().markModified();
        MessageBox::setNextAnswer(QMessageBox::Cancel);
        QVERIFY(!form.close());
        QCOMPARE(MessageBox::lastText(),
                 QStringLiteral("編集中のジョブファイルが保存されていません。\n保存しますか"));
        QVERIFY(form.isVisible());
        MessageBox::setNextAnswer(QMessageBox::No);
        QVERIFY(form.close());
        QVERIFY(QFileInfo::exists(QString::fromStdString(home() + "/Trevane.ini")));
    }

    // The timer may start the registered jobs while the save question waits for the user (the
    // window left in the tray overnight): the close is then refused, not the run cut short.
    void aRunStartedDuringTheCloseQuestionKeepsTheWindowOpen() {
        QVERIFY(writeFileAtomically(home() + "/BGCopyList.txt", "timed.cpl\r\n").ok);
        TMainForm form;
        form.show();
        type(form, 1, 1, "/a");
        form.document().markModified();
        MessageBox::setNextAnswer(QMessageBox::No, [&form] { form.run().StartJobFileClick(); });
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QVERIFY(!form.close());
        QCOMPARE(MessageBox::lastText(),
                 QStringLiteral("コピー継続中です。\nコピーを中止するか、完了を待ってください。"));
        QVERIFY(form.isVisible());
        form.runnerHost().waitForEnd();
        MessageBox::setNextAnswer(QMessageBox::No);
        QVERIFY(form.close());
    }

    // A session that ends (logout) asks as closing does, when it may ask at all.
    void sessionEndAsksBeforeDroppingChanges() {
        TMainForm form;
        type(form, 1, 1, "/a");
        MessageBox::setNextAnswer(QMessageBox::Cancel);
        QVERIFY(!form.SessionEndQuery(true));
        QCOMPARE(MessageBox::lastText(),
                 QStringLiteral("編集中のジョブファイルが保存されていません。\n保存しますか"));
        const int shown = MessageBox::shownCount();
        QVERIFY(form.SessionEndQuery(false));
        QCOMPARE(MessageBox::shownCount(), shown);
        MessageBox::setNextAnswer(QMessageBox::No);
        QVERIFY(form.SessionEndQuery(true));
        form.document().discardChanges();
    }

    // Typing into the cell editor is a change however it started: "/" is no key that starts
    // editing, and re-editing a cell never passes the grid's key rule at all.
    void typedTextInTheCellEditorIsNeverLost() {
        TMainForm form;
        form.show();
        QTableView* grid = form.grid();
        const QModelIndex cell = grid->model()->index(0, 0);
        auto typeInEditor = [&](const char* text) {
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                              grid->visualRect(cell).center());
            grid->edit(cell);
            auto* editor = grid->viewport()->findChild<QLineEdit*>();
            QVERIFY(editor);
            QTest::keyClick(editor, Qt::Key_End);
            QTest::keyClicks(editor, text);
            QTest::keyClick(editor, Qt::Key_Tab);
        };
        typeInEditor("/tmp/x");
        QCOMPARE(form.table().cell(1, 1), std::string("/tmp/x"));
        QVERIFY(form.isModified());
        form.document().discardChanges();
        typeInEditor("def");
        QCOMPARE(form.table().cell(1, 1), std::string("/tmp/xdef"));
        QVERIFY(form.isModified());
        // Typed in the middle, every key lands where the cursor is.
        grid->edit(cell);
        QLineEdit* editor = nullptr; // the closed editors are still there until deleted
        for (QLineEdit* open : grid->viewport()->findChildren<QLineEdit*>())
            editor = open->isVisible() ? open : editor;
        QVERIFY(editor);
        editor->setCursorPosition(4);
        QTest::keyClicks(editor, "/y z");
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(form.table().cell(1, 1), std::string("/tmp/y z/xdef"));
        MessageBox::setNextAnswer(QMessageBox::Cancel);
        QVERIFY(!form.close());
        form.document().discardChanges();
    }

    // "Yes, save" followed by a save that did not happen must not drop the table.
    void aSaveThatDidNotHappenCancelsTheCommand() {
        TMainForm form;
        form.show();
        type(form, 1, 1, "/a");
        type(form, 2, 1, "/b");
        MessageBox::setNextAnswer(QMessageBox::Yes);
        FileDialogs::setNextAnswer(QString()); // the save dialog is cancelled
        QVERIFY(!form.close());
        QVERIFY(form.isModified());
        MessageBox::setNextAnswer(QMessageBox::Yes);
        FileDialogs::setNextAnswer(QString::fromStdString(home() + "/missing/x.cpl"));
        MessageBox::setNextAnswer(QMessageBox::Ok); // the save fails: a warning
        form.jobFiles().FileNewClick();
        QCOMPARE(form.table().cell(1, 1), std::string("/a"));
        QVERIFY(form.isModified());
        form.document().discardChanges();
    }

    void aFailedSaveWarnsAndKeepsTheFlag() {
        TMainForm form;
        type(form, 1, 1, "/a");
        type(form, 2, 1, "/b");
        form.document().markModified();
        // The folder does not exist, so the file cannot be written (also for root).
        FileDialogs::setNextAnswer(QString::fromStdString(home() + "/missing/x.cpl"));
        MessageBox::setNextAnswer(QMessageBox::Ok);
        form.jobFiles().FileSaveAsClick();
        QVERIFY(MessageBox::lastText().contains(QStringLiteral("保存できませんでした")));
        QVERIFY(form.isModified());
        QCOMPARE(form.windowTitle(), QStringLiteral("Trevane - 新規.cpl"));
        form.document().discardChanges();
    }

    // The cleared table is no picture of the job: the user is told, and saving it is a choice.
    void unreadableJobFileLeavesAClearedTableAndSaysSo() {
        TMainForm form;
        type(form, 1, 1, "/a");
        std::string folder = home() + "/CPL/broken.cpl"; // a folder cannot be read as a file
        QDir().mkpath(QString::fromStdString(folder));
        form.document().discardChanges();
        MessageBox::setNextAnswer(QMessageBox::Ok);
        form.jobFiles().OpenJobFile(folder);
        QVERIFY(MessageBox::lastText().startsWith(QString::fromStdString(folder) +
                                                  QStringLiteral("\nを開けませんでした。\n")));
        QCOMPARE(form.windowTitle(), QStringLiteral("Trevane - broken.cpl"));
        QCOMPARE(form.table().cell(1, 1), std::string());
        QVERIFY(!form.isModified());
    }

    void binaryJobFileLoadsWithoutHarm() {
        std::string bytes;
        for (int i = 0; i < 5000; ++i)
            bytes.push_back(static_cast<char>((i * 131) & 0xFF));
        bytes += "\"unclosed, quote\r\n";
        std::string path = home() + "/CPL/binary.cpl";
        QVERIFY(QDir().mkpath(QString::fromStdString(home() + "/CPL")));
        QVERIFY(writeFileAtomically(path, bytes).ok);
        TMainForm form;
        form.jobFiles().OpenJobFile(path);
        QVERIFY(form.table().rowCount() >= 2);
        QVERIFY(!form.isModified());
    }

    void settingsSurviveARestart() {
        {
            TMainForm form;
            form.settings().iMaxLog = 42;
            form.settings().bAutoTimer = false;
            QVERIFY(form.close());
        }
        TMainForm again;
        QCOMPARE(again.settings().iMaxLog, 42);
        QCOMPARE(again.settings().iTaskTrayClick, 1);
    }

    void garbageSettingsGiveDefaults() {
        QVERIFY(
            writeFileAtomically(home() + "/Trevane.ini",
                                std::string("\x01\x02garbage\n[CONFIG]\niMaxLog=abc\nbAddLog=0\n"))
                .ok);
        TMainForm form;
        QCOMPARE(form.settings().iMaxLog, 500);
        QCOMPARE(form.settings().bAddLog, false);
    }

    // A left edge or size from another screen arrangement (a monitor gone since) or a
    // hand-edited file never puts the window out of reach; one that fits stays as it was.
    void theWindowStartsOnAScreen_data() {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QRect>("expected"); // empty: anywhere on the screen
        QTest::newRow("fits") << QByteArray("iMainFormLeft=40\r\niMainFormWidth=600\r\n")
                              << QRect(40, 0, 600, 416);
        QTest::newRow("right of the screen") << QByteArray("iMainFormLeft=3000\r\n") << QRect();
        QTest::newRow("left of the screen") << QByteArray("iMainFormLeft=-9000\r\n") << QRect();
        QTest::newRow("taller and wider than the screen")
            << QByteArray("iMainFormHeight=100000\r\niMainFormWidth=5000\r\n") << QRect();
    }
    void theWindowStartsOnAScreen() {
        QFETCH(QByteArray, keys);
        QFETCH(QRect, expected);
        QVERIFY(
            writeFileAtomically(home() + "/Trevane.ini", "[CONFIG]\r\n" + keys.toStdString()).ok);
        TMainForm form;
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        if (!expected.isEmpty()) {
            QCOMPARE(form.x(), expected.x());
            QCOMPARE(form.size(), expected.size());
        } else {
            QVERIFY(area.intersected(form.geometry()).width() >= 100);
            QVERIFY(form.width() <= area.width() && form.height() <= area.height());
        }
    }

    void aSettingsFileNotReadWholeIsNeverReplaced() {
        const std::string ini = home() + "/Trevane.ini", gone = home() + "/CPL/gone.cpl";
        const std::string kept = home() + "/CPL/kept.cpl";
        // Behind a NUL byte: the sections are read, and kept by the deletion and the close.
        QVERIFY(writeFileAtomically(ini, "[CONFIG]\r\niMaxLog=700\r\n" + std::string(1, '\0') +
                                             "\r\n[" + kept + "]\r\nbOption3=1\r\n[" + gone +
                                             "]\r\nbOption3=1\r\n")
                    .ok);
        QVERIFY(QDir().mkpath(QString::fromStdString(home() + "/CPL")));
        QVERIFY(writeFileAtomically(gone, ",,,,,,\r\n").ok);
        {
            TMainForm form;
            QCOMPARE(form.settings().iMaxLog, 700);
            form.findChild<QListWidget*>("CPLFileListBox")->setCurrentRow(0);
            MessageBox::setNextAnswer(QMessageBox::Ok);
            form.jobFiles().FileDeleteClick();
            QVERIFY(form.close());
        }
        IniFile after;
        QCOMPARE(after.load(ini), ReadStatus::Ok);
        QCOMPARE(after.sections(), (std::vector<std::string>{"CONFIG", kept}));
        QCOMPARE(after.readBool(kept, "bOption3", false), true);

        // A file that is there but cannot be read (a socket: not even root can open it) stays
        // as it is through a job file save, which says so, and the close.
        QVERIFY(std::remove(ini.c_str()) == 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, ini.c_str(), sizeof address.sun_path - 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
        ::close(fd);
        {
            TMainForm form;
            FileDialogs::setNextAnswer(QString::fromStdString(kept));
            MessageBox::setNextAnswer(QMessageBox::Ok);
            form.jobFiles().FileSaveAsClick();
            QVERIFY(MessageBox::lastText().contains(
                QStringLiteral("オプションを保存できませんでした")));
            // The settings of this session are lost: closing says so, and still closes.
            MessageBox::setNextAnswer(QMessageBox::Ok);
            QVERIFY(form.close());
            QVERIFY(
                MessageBox::lastText().startsWith(QStringLiteral("設定を保存できませんでした")));
        }
        struct stat st {};
        QVERIFY(::lstat(ini.c_str(), &st) == 0 && S_ISSOCK(st.st_mode));
    }

    void fileListPanelTogglesAndRemembersItsWidth() {
        TMainForm form;
        form.show();
        QAction* item = form.action("ShowLeftPanel");
        int width = form.mainSplitter().leftWidth();
        QVERIFY(width > 0);
        form.action("FileListBtn")->trigger();
        QCOMPARE(form.mainSplitter().leftWidth(), 0);
        QVERIFY(!item->isChecked());
        IniFile ini;
        QCOMPARE(ini.load(home() + "/Trevane.ini"), ReadStatus::Ok);
        QCOMPARE(ini.readInteger("FORM", "iOldLeftPanelWidth", -1), width);
        item->trigger();
        QCOMPARE(form.mainSplitter().leftWidth(), width);
        QVERIFY(item->isChecked());
        // Hidden at close: the next start shows it hidden.
        form.view().ShowLeftPanelClick();
        QVERIFY(form.close());
        TMainForm again;
        again.show();
        QCOMPARE(again.mainSplitter().leftWidth(), 0);
        QVERIFY(!again.action("ShowLeftPanel")->isChecked());
    }

    void showingAHiddenPanelWithNoRememberedWidthKeepsItHidden() {
        QVERIFY(
            writeFileAtomically(home() + "/Trevane.ini", "[CONFIG]\r\niLeftPanelWidth=0\r\n").ok);
        TMainForm form;
        form.show();
        form.view().ShowLeftPanelClick();
        QCOMPARE(form.mainSplitter().leftWidth(), 0);
        QVERIFY(form.action("ShowLeftPanel")->isChecked());
    }

    void trayActionsRunOnTheLeftButtonOnly() {
        TMainForm form;
        form.show();
        // Without a notification area (as here) hiding only minimises the window.
        auto shown = [&form] { return form.isVisible() && !form.isMinimized(); };
        // Defaults: click toggles the window, double click does nothing; a double click arrives
        // as a click first.
        form.view().TaskBarTrayClick(0);
        form.view().TaskBarTrayDblClick(0);
        QVERIFY(!shown());
        form.view().TaskBarTrayClick(1);
        form.view().TaskBarTrayClick(2);
        QVERIFY(!shown());
        form.view().TaskBarTrayClick(0);
        QVERIFY(shown());
        form.settings().iTaskTrayDblClick = 1;
        form.settings().iTaskTrayClick = 7; // unknown: nothing
        form.view().TaskBarTrayClick(0);
        form.view().TaskBarTrayDblClick(0);
        QVERIFY(!shown());
    }

    void trayMenuAndTip() {
        TMainForm form;
        QStringList texts;
        for (QAction* a : form.trayMenu()->actions())
            texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(texts, (QStringList{"開いているジョブの実行", "登録ジョブの実行", "-",
                                     "実行待ちジョブの中止", "-", "タイマー起動", "-",
                                     "メインウインドウの表示/非表示", "-", "オプション設定",
                                     "トピックスの検索", "Trevanについて", "Trevanの終了"}));
        QCOMPARE(form.taskBar()->Tips(), std::string("Trevane"));
        QVERIFY(!form.taskBar()->EnableTaskBar());
        form.run().QueueJobFile("tip.cpl");
        form.runnerHost().showState("working...");
        QCOMPARE(form.taskBar()->Tips(), std::string("Trevane - tip.cpl 実行中"));
        form.runnerHost().waitForEnd();
        QCOMPARE(form.taskBar()->Tips(), std::string("Trevane"));
    }

    void captionsAndFlatButtonsToggle() {
        TMainForm form;
        auto* bar = form.findChild<QToolBar*>("ToolBar2");
        QCOMPARE(bar->toolButtonStyle(), Qt::ToolButtonIconOnly);
        form.action("ShowCaption")->trigger();
        QCOMPARE(bar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        QVERIFY(form.action("ShowCaption")->isChecked());
        QVERIFY(form.settings().bShowCaption);
        form.action("FlatButton")->trigger();
        QVERIFY(!form.settings().bFlatButton);
        QVERIFY(!form.action("FlatButton")->isChecked());
    }

    void timerShowsTheNextStartAndReArmsAfterATimedStart() {
        TMainForm form;
        FixedClock clock;
        form.run().setClock(&clock);
        auto* label = form.findChild<QLabel*>("TimerLabel");
        // No start time: a message, nothing else changes.
        MessageBox::setNextAnswer(QMessageBox::Ok);
        form.run().TimerOnOffClick();
        QCOMPARE(MessageBox::lastText(), QStringLiteral("時刻を設定してください"));
        QCOMPARE(label->text(), QStringLiteral("Timer Off"));

        form.settings().asTime0 = "8:00";
        form.settings().asTime2 = "20:00";
        clock.when = at(7, 10, 0);
        form.run().TimerOnOffClick();
        QCOMPARE(label->text(),
                 QStringLiteral("Timer On：Next Back_Up Time=2026年12月07日20時00分"));
        QCOMPARE(form.action("TimerOnOff")->text(), QStringLiteral("タイマー停止(&T)"));
        QVERIFY(form.findChild<QTimer*>("Timer")->isActive());

        // The tick before the time does nothing; at the time the registered jobs start and the
        // timer re-arms for the following start.
        QVERIFY(writeFileAtomically(home() + "/BGCopyList.txt", "timed.cpl\r\n").ok);
        clock.when = at(7, 19, 59);
        form.run().TimerTimer();
        QVERIFY(form.run().queue().empty());
        clock.when = at(7, 20, 0);
        form.run().TimerTimer();
        QCOMPARE(form.run().queue(), std::vector<std::string>{"timed.cpl"});
        QCOMPARE(label->text(),
                 QStringLiteral("Timer On：Next Back_Up Time=2026年12月08日08時00分"));
        form.runnerHost().waitForEnd();

        form.run().TimerOnOffClick();
        QCOMPARE(label->text(), QStringLiteral("Timer Off"));
        QCOMPARE(form.action("TimerOnOff")->text(), QStringLiteral("タイマー起動(&T)"));
        QVERIFY(!form.findChild<QTimer*>("Timer")->isActive());
        form.run().setClock(nullptr);
    }

    void aStartMissedWhileAsleepRunsOnceOnWaking() {
        QVERIFY(writeFileAtomically(home() + "/BGCopyList.txt", "timed.cpl\r\n").ok);
        TMainForm form;
        FixedClock clock;
        form.run().setClock(&clock);
        form.settings().asTime0 = "8:00";
        form.settings().asTime2 = "20:00";
        clock.when = at(4, 7, 0); // a Friday
        form.run().TimerOnOffClick();
        // Asleep until Monday 09:30, through five starts: the ticks after waking run one.
        clock.when = at(7, 9, 30);
        for (int tick = 0; tick < 3; ++tick)
            form.run().TimerTimer();
        form.runnerHost().waitForEnd();
        QCOMPARE(form.findChild<QPlainTextEdit*>("reLog")->toPlainText().count(
                     QStringLiteral("timed.cplは存在しないのでスキップします。")),
                 1);
        QCOMPARE(form.findChild<QLabel*>("TimerLabel")->text(),
                 QStringLiteral("Timer On：Next Back_Up Time=2026年12月07日20時00分"));
        form.run().setClock(nullptr);
    }

    void autoTimerSwitchesTheTimerOnAtStartUp() {
        QVERIFY(writeFileAtomically(home() + "/Trevane.ini",
                                    "[CONFIG]\r\nbAutoTimer=1\r\nasTime1=23:59\r\n")
                    .ok);
        TMainForm form;
        QVERIFY(form.run().scheduler().isOn());
        QVERIFY(form.findChild<QLabel*>("TimerLabel")
                    ->text()
                    .startsWith(QStringLiteral("Timer On：Next Back_Up Time=")));
    }

    void logFileIsLoadedAndAppendedWithTheLimit() {
        QVERIFY(writeFileAtomically(home() + "/Trevane.log", "old 1\r\nold 2\r\n").ok);
        TMainForm form;
        auto* log = form.findChild<QPlainTextEdit*>("reLog");
        QCOMPARE(log->toPlainText(), QStringLiteral("old 1\nold 2"));
        form.AppendLogLine("new", 2);
        QCOMPARE(log->toPlainText(), QStringLiteral("old 2\nnew"));
        form.AppendLogLine("a\nb\nc", 2);
        QCOMPARE(log->toPlainText(), QStringLiteral("b\nc"));
        form.AppendLogLine("x", 0);
        QCOMPARE(log->toPlainText(), QString());
        QCOMPARE(form.logLines().size(), std::size_t(0));

        // A batch from the runner: one update of the widget, the same lines as one by one.
        form.runnerHost().addLogLines({{"1\n2", 3}, {"3", 3}});
        QCOMPARE(log->toPlainText(), QStringLiteral("1\n2\n3"));
        form.runnerHost().addLogLines({{"4", 3}, {"5\n6\n7", 4}, {"8", 4}});
        QCOMPARE(log->toPlainText(), QStringLiteral("5\n6\n7\n8"));
        form.runnerHost().addLogLines({{"9", 0}, {"10\n11", 5}});
        QCOMPARE(log->toPlainText(), QStringLiteral("10\n11"));
        QCOMPARE(log->document()->blockCount(), 2);
    }

    // A stop signal closes the question that is open instead of waiting on it, and unsaved
    // edits come back at the next start.
    void aStopKeepsUnsavedEditsWithoutAsking() {
        const QString recovery = QString::fromStdString(home() + "/CPL/新規.cpl.recovery");
        {
            TMainForm form;
            type(form, 1, 1, "/kept");
            type(form, 2, 1, "/bak");
            QDialog question(&form);
            QTimer::singleShot(0, &form, [&form] { form.endSession(); });
            question.exec(); // returns only when the stop closed it
        }
        MessageBox::setNextAnswer(QMessageBox::Yes);
        TMainForm again;
        QCOMPARE(again.table().cell(1, 1), std::string("/kept"));
        QVERIFY(again.document().isModified() && !QFile::exists(recovery));
    }

    // A folder window that xdg-open could not open says so, instead of nothing happening.
    void aFailedOpenSaysSo() {
        QFile tool(QString::fromStdString(home() + "/xdg-open"));
        QVERIFY(tool.open(QIODevice::WriteOnly) && tool.write("#!/bin/sh\nexit 4\n") > 0);
        tool.close();
        tool.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QByteArray::fromStdString(home()) + ":" + path);
        TMainForm form;
        MessageBox::setNextAnswer(QMessageBox::Ok);
        form.view().ExecExplorerClick();
        QTRY_COMPARE(MessageBox::pendingAnswers(), 0);
        qputenv("PATH", path);
        QVERIFY(MessageBox::lastText().endsWith(QStringLiteral("(xdg-open 終了コード 4)")));
    }

    // The log command without a viewer opens the history: its runs newest first, and the log
    // of the run chosen.
    void theLogCommandWithoutAViewerOpensTheHistory() {
        using RunHistory::Result;
        const std::tuple<int, const char*, Result, int> runs[] = {
            {1, "daily.cpl", Result::Ok, 0}, {5, "weekly.cpl", Result::Failed, 2}};
        for (const auto& [second, job, result, failed] : runs) {
            RunLogFile file;
            QVERIFY(
                file.open(home() + "/runs", {2026, 12, 7, 2, 30, second}, home() + "/CPL/" + job));
            file.line(std::string("log of ") + job);
            file.finish(result, failed, {2026, 12, 7, 2, 31, 0});
        }
        TMainForm form;
        form.settings().asApplicationFullPath = "";
        form.action("ShowLog")->trigger();
        auto* history = form.findChild<RunHistoryDialog*>();
        QVERIFY(history && history->isVisible());
        QTableWidget* list = history->runs();
        const auto row = [list](int r) {
            QStringList cells;
            for (int c = 0; c < list->columnCount(); ++c)
                cells << list->item(r, c)->text();
            return cells.join('|');
        };
        QCOMPARE(list->rowCount(), 2);
        QCOMPARE(row(0), QStringLiteral("2026-12-07 02:30:05|weekly.cpl|失敗あり|2"));
        QCOMPARE(row(1), QStringLiteral("2026-12-07 02:30:01|daily.cpl|正常終了|0"));
        QVERIFY(history->runLog()->toPlainText().endsWith("log of weekly.cpl\n"));
        list->selectRow(1);
        QVERIFY(history->runLog()->toPlainText().endsWith("log of daily.cpl\n"));
        history->close();
    }
};

QTEST_MAIN(MainFormTest)
#include "tst_mainform.moc"
