// The folder dialog and the bookmark editor driven through their real widgets, on real
// temporary folders: the cells each mode writes, the bookmark list, drops, new folders and
// DirList.txt, which only OK writes.

#include "dialogs/Dirlistedit.h"
#include "dialogs/Folderselect.h"
#include "dialogs/MessageBox.h"
#include "jobs/AtomicFile.h"
#include "jobs/JobTable.h"
#include "platform/TextCodec.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <functional>

using namespace trevane;

namespace {
using Entries = std::vector<std::string>;

void makeFile(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

// Runs act on the modal window that exec() is about to show, once it is up.
void whenModal(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, qApp, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        act(modal);
    });
}
} // namespace

class FolderSelectTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir* m_home = nullptr;
    QString m_startDir;
    std::string home() const { return toBytes(m_home->path()); }
    std::string dir(const char* name) const { return home() + "/data/" + name; }
    std::string dirListFile() const { return home() + "/DirList.txt"; }
    std::string readDirList() const { return readWholeFile(dirListFile()).bytes; }

    // A table with one job row (source A, destination B) and the entry row.
    JobTable table() const {
        JobTable t;
        t.setRowCount(3);
        t.numberRows();
        t.setCell(1, 1, dir("A"));
        t.setCell(2, 1, dir("B"));
        t.setCell(3, 1, "a2.TXT");
        t.setCell(4, 1, "b1.lzh");
        return t;
    }

    static QTreeWidgetItem* treeItem(TFolderSelectForm& dlg, const std::string& path) {
        auto* tree = dlg.findChild<QTreeWidget*>("DirectoryListBox");
        const QString wanted = toQString(path);
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
            if ((*it)->data(0, Qt::UserRole).toString() == wanted)
                return *it;
        return nullptr;
    }
    static void clickTree(TFolderSelectForm& dlg, const std::string& path,
                          Qt::MouseButton button = Qt::LeftButton) {
        auto* tree = dlg.findChild<QTreeWidget*>("DirectoryListBox");
        QTreeWidgetItem* item = treeItem(dlg, path);
        QVERIFY2(item, path.c_str());
        QTest::mouseClick(tree->viewport(), button, {}, tree->visualItemRect(item).center());
    }
    static void clickFile(TFolderSelectForm& dlg, const QString& name) {
        auto* files = dlg.findChild<QListWidget*>("FileListBox");
        const auto found = files->findItems(name, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                          files->visualItemRect(found.front()).center());
    }
    static void click(QWidget& dlg, const char* button) {
        auto* b = dlg.findChild<QPushButton*>(button);
        QVERIFY2(b, button);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    static QString text(QWidget& dlg, const char* lineEdit) {
        return dlg.findChild<QLineEdit*>(lineEdit)->text();
    }

private slots:
    void initTestCase() { m_startDir = QDir::currentPath(); }

    void init() {
        m_home = new QTemporaryDir;
        QDir root(m_home->path());
        for (const char* d : {"data/A/sub", "data/B", "data/C"})
            QVERIFY(root.mkpath(QString::fromLatin1(d)));
        for (const char* f : {"data/A/a1.txt", "data/A/a2.txt", "data/B/b1.lzh"})
            makeFile(root.filePath(QString::fromLatin1(f)));
    }
    void cleanup() {
        // The dialog moves the process's current folder; give the next test a stable one.
        QDir::setCurrent(m_startDir);
        QCOMPARE(MessageBox::pendingAnswers(), 0);
        QCOMPARE(MessageBox::unansweredBoxes(), 0);
        delete m_home;
    }

    void modesWriteTheirCells_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("startFolder"); // relative to data/
        QTest::addColumn<QString>("fileToClick"); // file modes: a file of the start folder
        QTest::addColumn<QStringList>("cells");   // columns 1..4 of the row after OK
        QTest::addColumn<bool>("appended");

        const QString d = QStringLiteral("%1/data/");
        QTest::newRow("1 source") << 1 << 1 << "コピー元ディレクトリ"
                                  << "A"
                                  << "" << QStringList{d + "A", d + "B", "a2.TXT", "b1.lzh"}
                                  << false;
        QTest::newRow("2 destination")
            << 2 << 1 << "コピー先ディレクトリ"
            << "B"
            << "" << QStringList{d + "A", d + "B", "a2.TXT", "b1.lzh"} << false;
        QTest::newRow("3 files") << 3 << 1 << "コピーするファイル"
                                 << "A"
                                 << "a1.txt" << QStringList{d + "A", d + "B", "a1.txt", "b1.lzh"}
                                 << false;
        QTest::newRow("4 archive")
            << 4 << 1 << "書庫ファイル"
            << "B"
            << "b1.lzh" << QStringList{d + "A", d + "B", "a2.TXT", "b1.lzh"} << false;
        // Nothing in the entry row: the tree opens at the current folder, and without a file
        // chosen the files cell gets an empty text.
        QTest::newRow("3 on the entry row") << 3 << 2 << "コピーするファイル"
                                            << ""
                                            << "" << QStringList{"CWD", "", "", ""} << true;
    }
    void modesWriteTheirCells() {
        QFETCH(int, column);
        QFETCH(int, row);
        QFETCH(QString, heading);
        QFETCH(QString, startFolder);
        QFETCH(QString, fileToClick);
        QFETCH(QStringList, cells);
        QFETCH(bool, appended);

        QDir::setCurrent(toQString(dir("C")));
        JobTable t = table();
        TFolderSelectForm dlg(home(), t, column, row);
        dlg.show();
        const bool fileMode = column >= 3;
        QCOMPARE(dlg.findChild<QLabel*>("FromToLabel")->text(), heading);
        QCOMPARE(dlg.findChild<QListWidget*>("FileListBox")->isVisible(), fileMode);
        QCOMPARE(dlg.findChild<QPushButton*>("CreateDirBtn")->isVisible(), !fileMode);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Trevane - FolderSelect"));
        const std::string expectedStart =
            startFolder.isEmpty() ? dir("C") : home() + "/data/" + toBytes(startFolder);
        QCOMPARE(dlg.treeFolder(), expectedStart);
        QCOMPARE(dlg.comboText(), expectedStart);
        // The file at start is taken when it is there, in the file system's own letter case:
        // "a2.TXT" names no file in A, "b1.lzh" is in B.
        QCOMPARE(text(dlg, "DirFileEdit"), !fileMode     ? QStringLiteral("新規フォルダ")
                                           : column == 4 ? QStringLiteral("b1.lzh")
                                                         : QString());
        if (!fileToClick.isEmpty()) {
            clickFile(dlg, fileToClick);
            QCOMPARE(text(dlg, "DirFileEdit"), fileToClick);
        }
        click(dlg, "OkBtn");
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.rowAppended(), appended);
        QCOMPARE(dlg.chosenFolder(), expectedStart);
        QCOMPARE(t.rowCount(), appended ? 4 : 3);
        for (int c = 1; c <= 4; ++c) {
            QString want = cells[c - 1];
            want.replace(QLatin1String("%1"), m_home->path());
            if (want == QLatin1String("CWD"))
                want = toQString(dir("C"));
            QCOMPARE(toQString(t.cell(c, row)), want);
        }
        if (appended)
            QCOMPARE(t.cell(0, 3), std::string("3"));
        QCOMPARE(readDirList(), expectedStart + "\r\n");
    }

    void visitingABAKeepsAThenBOnTop() {
        QVERIFY(writeFileAtomically(dirListFile(), "/old\r\n").ok);
        JobTable t = table();
        TFolderSelectForm dlg(home(), t, 1, 1); // opens at A
        dlg.show();
        clickTree(dlg, home() + "/data");
        clickTree(dlg, dir("B"));
        QCOMPARE(dlg.treeFolder(), dir("B"));
        clickTree(dlg, home() + "/data");
        clickTree(dlg, dir("A"), Qt::RightButton); // any button moves the tree
        QCOMPARE(dlg.treeFolder(), dir("A"));
        const Entries expected = {dir("A"), home() + "/data", dir("B"), "/old"};
        QCOMPARE(dlg.bookmarks(), expected);
        auto* combo = dlg.findChild<QComboBox*>("cbDirList");
        QCOMPARE(combo->count(), 4);
        QCOMPARE(combo->currentIndex(), 0);
        click(dlg, "OkBtn");
        QCOMPARE(readDirList(),
                 dir("A") + "\r\n" + home() + "/data\r\n" + dir("B") + "\r\n/old\r\n");
    }

    void pickingABookmarkMovesTheTree() {
        QVERIFY(writeFileAtomically(dirListFile(), dir("C") + "\r\n/nowhere\r\n").ok);
        JobTable t = table();
        TFolderSelectForm dlg(home(), t, 1, 1);
        dlg.show();
        auto* combo = dlg.findChild<QComboBox*>("cbDirList");
        QCOMPARE(dlg.bookmarks(), (Entries{dir("A"), dir("C"), "/nowhere"}));
        combo->setCurrentIndex(1);
        emit combo->activated(1);
        QCOMPARE(dlg.treeFolder(), dir("C"));
        QCOMPARE(dlg.bookmarks(), (Entries{dir("C"), dir("A"), "/nowhere"}));
        // A bookmark whose folder is gone leaves the tree where it is, and the combo shows it.
        combo->setCurrentIndex(2);
        emit combo->activated(2);
        QCOMPARE(dlg.treeFolder(), dir("C"));
        QCOMPARE(dlg.comboText(), dir("C"));
        QCOMPARE(dlg.bookmarks(), (Entries{dir("C"), dir("A"), "/nowhere"}));
    }

    void typedFolderIsWrittenButNotBookmarked() {
        // A bookmark that differs in letter case only leaves the typed text as it is.
        QVERIFY(writeFileAtomically(dirListFile(), "/Typed/Out/\r\n").ok);
        JobTable t = table();
        TFolderSelectForm dlg(home(), t, 2, 1);
        dlg.show();
        auto* combo = dlg.findChild<QComboBox*>("cbDirList");
        combo->setFocus();
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), QStringLiteral("/typed/out/"));
        click(dlg, "OkBtn");
        QCOMPARE(t.cell(2, 1), std::string("/typed/out/"));
        QCOMPARE(readDirList(), dir("B") + "\r\n/Typed/Out/\r\n");
    }

    void dropOfAFolderThenAFile() {
        JobTable t = table();
        TFolderSelectForm dlg(home(), t, 4, 1);
        dlg.show();
        auto* mime = new QMimeData;
        mime->setUrls({QUrl::fromLocalFile(toQString(dir("C"))),
                       QUrl::fromLocalFile(toQString(dir("A") + "/a1.txt"))});
        // As the shell delivers a drop: enter, then drop.
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, mime, Qt::LeftButton, {});
        QApplication::sendEvent(&dlg, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, mime, Qt::LeftButton, {});
        QApplication::sendEvent(&dlg, &drop);
        delete mime;
        QCOMPARE(dlg.treeFolder(), dir("A"));
        QCOMPARE(text(dlg, "DirFileEdit"), QStringLiteral("a1.txt"));
        click(dlg, "OkBtn");
        QCOMPARE(t.cell(2, 1), dir("A"));
        QCOMPARE(t.cell(4, 1), std::string("a1.txt"));

        // In a folder mode a dropped file moves the tree only.
        TFolderSelectForm folders(home(), t, 1, 1);
        folders.DropFiles({dir("B") + "/b1.lzh"});
        QCOMPARE(folders.treeFolder(), dir("B"));
        QCOMPARE(text(folders, "DirFileEdit"), QStringLiteral("新規フォルダ"));
    }

    void newFolderButton() {
        JobTable t = table();
        TFolderSelectForm dlg(home(), t, 2, 1); // at B
        dlg.show();
        click(dlg, "CreateDirBtn");
        const std::string created = dir("B") + "/新規フォルダ";
        QVERIFY(QFileInfo(toQString(created)).isDir());
        QCOMPARE(dlg.treeFolder(), created);
        QCOMPARE(dlg.comboText(), created);
        // An existing folder is moved to; a name under a missing folder is not created and
        // the tree stays.
        dlg.findChild<QLineEdit*>("DirFileEdit")->setText(QStringLiteral("x/y"));
        click(dlg, "CreateDirBtn");
        QCOMPARE(dlg.treeFolder(), created);
        QVERIFY(!QFileInfo::exists(toQString(created + "/x")));
    }

    void doubleClickOnTheTreeActsAsOk() {
        JobTable t = table();
        TFolderSelectForm dlg(home(), t, 1, 1);
        dlg.show();
        auto* tree = dlg.findChild<QTreeWidget*>("DirectoryListBox");
        QTreeWidgetItem* sub = treeItem(dlg, dir("A") + "/sub");
        QVERIFY(sub);
        // As a real double click arrives: press and release (which moves the tree), then the
        // double-click press.
        const QPoint at = tree->visualItemRect(sub).center();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(!dlg.isVisible());
        QCOMPARE(t.cell(1, 1), dir("A") + "/sub");
    }

    void cancelLeavesDirListUntouched() {
        const std::string before = dir("C") + "\r\n" + dir("B") + "\r\n";
        QVERIFY(writeFileAtomically(dirListFile(), before).ok);
        JobTable t = table();
        TFolderSelectForm dlg(home(), t, 1, 1);
        dlg.show();
        clickTree(dlg, dir("A") + "/sub");
        // Delete two bookmarks in the editor and keep that with its OK ...
        whenModal([](QWidget* modal) {
            auto* editor = qobject_cast<TDirListForm*>(modal);
            QVERIFY(editor);
            QCOMPARE(editor->windowTitle(), QStringLiteral("ディレクトリリスト"));
            auto* list = editor->findChild<QListWidget*>("DirListBox");
            QCOMPARE(list->count(), 4);
            list->item(0)->setSelected(true);
            list->item(2)->setSelected(true);
            click(*editor, "DeleteBtn");
            QCOMPARE(list->count(), 2);
            click(*editor, "OkBtn");
        });
        click(dlg, "EditDirListBtn");
        QCOMPARE(dlg.bookmarks(), (Entries{dir("A"), dir("B")}));
        QCOMPARE(dlg.comboText(), dir("A") + "/sub"); // the text stays
        // ... then cancel the folder dialog: nothing reaches the file or the table.
        click(dlg, "CancelBtn");
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(readDirList(), before);
        QCOMPARE(t.cell(1, 1), dir("A"));
        QCOMPARE(t.rowCount(), 3);
    }

    void editorClearAllAsksFirst() {
        const Entries entries = {"/a", "/b", "/c"};
        TDirListForm editor(entries);
        QCOMPARE(editor.findChild<QPushButton*>("AllClearBtn")->text(),
                 QStringLiteral("すべて消去(&C)"));
        MessageBox::setNextAnswer(QMessageBox::No);
        click(editor, "AllClearBtn");
        QCOMPARE(MessageBox::lastText(), QStringLiteral("ブックマークをすべてを消去しますか？"));
        QCOMPARE(editor.entries(), entries);
        click(editor, "DeleteBtn"); // nothing selected: nothing happens
        QCOMPARE(editor.entries(), entries);
        MessageBox::setNextAnswer(QMessageBox::Yes);
        click(editor, "AllClearBtn");
        QVERIFY(editor.entries().empty());

        // The editor's Cancel keeps the folder dialog's list.
        JobTable t = table();
        TFolderSelectForm dlg(home(), t, 1, 1);
        whenModal([](QWidget* modal) {
            MessageBox::setNextAnswer(QMessageBox::Yes);
            click(*modal, "AllClearBtn");
            click(*modal, "CancelBtn");
        });
        click(dlg, "EditDirListBtn");
        QCOMPARE(dlg.bookmarks(), (Entries{dir("A")}));
    }

    void handEditedListSurvivesTheEditor() {
        // A line in another code page (a list edited by hand), a Japanese folder with a
        // blank, and a blank line: the editor's OK writes back each kept line as it was.
        const std::string foreign = "/sjis/\x93\xfa\x96\x7b";
        const std::string japanese = home() + "/data/日本 語";
        QVERIFY(writeFileAtomically(dirListFile(), foreign + "\r\n" + japanese + "\r\n\r\n").ok);
        JobTable t = table();
        TFolderSelectForm dlg(home(), t, 1, 1);
        whenModal([](QWidget* modal) { click(*modal, "OkBtn"); });
        click(dlg, "EditDirListBtn");
        QCOMPARE(dlg.bookmarks(), (Entries{dir("A"), foreign, japanese, ""}));
        click(dlg, "OkBtn");
        QCOMPARE(readDirList(), dir("A") + "\r\n" + foreign + "\r\n" + japanese + "\r\n\r\n");
    }

    void homeFolderCellOpensThere() {
        // The runner reads a leading "~" as the home folder; the dialog opens where it copies.
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", m_home->path().toLocal8Bit());
        JobTable t = table();
        t.setCell(1, 1, "~/data/A");
        t.setCell(3, 1, "a1.txt");
        QDir::setCurrent(toQString(dir("C")));
        TFolderSelectForm dlg(home(), t, 3, 1);
        qputenv("HOME", oldHome);
        dlg.show();
        QCOMPARE(dlg.treeFolder(), dir("A"));
        QCOMPARE(text(dlg, "DirFileEdit"), QStringLiteral("a1.txt"));
    }

    void vanishedCurrentFolderOpensAtHome() {
        // The current folder is the last one a dialog showed; POSIX lets it be deleted.
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", toQString(dir("B")).toLocal8Bit());
        QVERIFY(QDir::setCurrent(toQString(dir("C"))));
        QVERIFY(QDir(toQString(dir("C"))).removeRecursively());
        JobTable t = table();
        TFolderSelectForm dlg(home(), t, 1, 2);
        qputenv("HOME", oldHome);
        QCOMPARE(dlg.treeFolder(), dir("B"));
        QCOMPARE(dlg.comboText(), dir("B"));
        click(dlg, "OkBtn");
        QCOMPARE(t.cell(1, 2), dir("B"));
    }

    void driveSelectorOffersTheRoot() {
        const Entries roots = TFolderSelectForm::driveRoots();
        QVERIFY(!roots.empty());
        QCOMPARE(roots.front(), std::string("/"));
        JobTable t = table();
        TFolderSelectForm dlg(home(), t, 1, 1);
        auto* drives = dlg.findChild<QComboBox*>("DriveComboBox");
        QVERIFY(drives->currentIndex() >= 0);
        drives->setCurrentIndex(0);
        emit drives->activated(0);
        QCOMPARE(dlg.treeFolder(), std::string("/"));
    }
};

QTEST_MAIN(FolderSelectTest)
#include "tst_folderselect.moc"
