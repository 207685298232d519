// The self-extracting archive dialog driven through its widgets: pre-filling from the job
// table, the archive chooser, the folder dialog in the archive dialog's mode, bookmarks,
// Delete, OK with its message and log lines, and a real self-extracting archive made by the
// archiver library in bin/ and run.

#include "dialogs/FileDialogs.h"
#include "dialogs/Folderselect.h"
#include "dialogs/MessageBox.h"
#include "dialogs/Sfxunit.h"
#include "engine/UnlhaLibrary.h"
#include "jobs/AtomicFile.h"
#include "platform/DetachedLauncher.h"
#include "platform/TextCodec.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

using namespace trevane;

namespace {
using Entries = std::vector<std::string>;

class RecordingLauncher : public DetachedLauncher {
public:
    Entries started;
    bool start(const std::string& commandLine, std::string*) override {
        started.push_back(commandLine);
        return true;
    }
};

class ScriptedArchiver : public ArchiverLibrary {
public:
    Entries calls;
    Result callUnlha(const std::string& commandLine) override {
        calls.push_back(commandLine);
        return {Status::Called, 0};
    }
};

void makeFile(const QString& path, const QByteArray& bytes = "x") {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void whenModal(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, qApp, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        act(modal);
    });
}

void click(QWidget& dlg, const char* button) {
    auto* b = dlg.findChild<QPushButton*>(button);
    QVERIFY2(b, button);
    QTest::mouseClick(b, Qt::LeftButton);
}

// Every file under root with its bytes, by path relative to root.
QMap<QString, QByteArray> filesUnder(const QString& root) {
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            files.insert(QDir(root).relativeFilePath(path), file.readAll());
    }
    return files;
}
} // namespace

class SfxDlgTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir* m_home = nullptr;
    QString m_startDir;
    ScriptedArchiver m_archiver;
    RecordingLauncher m_launcher;
    Entries m_log;
    Entries m_saved;

    std::string home() const { return toBytes(m_home->path()); }
    std::string path(const char* name) const { return home() + "/" + name; }

    TSfxDlg::Services services(ArchiverLibrary& archiver) {
        return {home(), archiver, m_launcher,
                [this](const std::string& line) { m_log.push_back(line); },
                [this](const std::string& folder) { m_saved.push_back(folder); }};
    }
    // A job row whose destination is bak/ and whose archive cell is archive.
    static JobTable table(const std::string& destination, const std::string& archive) {
        JobTable t;
        t.setRowCount(3);
        t.numberRows();
        t.setCell(1, 1, "/src");
        t.setCell(2, 1, destination);
        t.setCell(4, 1, archive);
        return t;
    }
    static QComboBox* combo(TSfxDlg& dlg) { return dlg.findChild<QComboBox*>("cbDirList"); }

private slots:
    void initTestCase() { m_startDir = QDir::currentPath(); }
    void init() {
        m_home = new QTemporaryDir;
        QDir root(m_home->path());
        for (const char* d : {"bak", "out", "other"})
            QVERIFY(root.mkpath(QString::fromLatin1(d)));
        makeFile(root.filePath("bak/data.lzh"));
        m_archiver.calls.clear();
        m_launcher.started.clear();
        m_log.clear();
        m_saved.clear();
    }
    void cleanup() {
        QDir::setCurrent(m_startDir);
        QCOMPARE(MessageBox::pendingAnswers(), 0);
        QCOMPARE(FileDialogs::pendingAnswers(), 0);
        QCOMPARE(MessageBox::unansweredBoxes(), 0);
        delete m_home;
    }

    void prefillsFromTheCurrentRow_data() {
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("archive");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("folder");
        QTest::newRow("existing archive") << "bak"
                                          << "data.lzh"
                                          << "bak/data.lzh"
                                          << "bak";
        QTest::newRow("destination with separator") << "bak/"
                                                    << "data.lzh"
                                                    << "bak/data.lzh"
                                                    << "bak/";
        QTest::newRow("empty archive cell") << "bak"
                                            << ""
                                            << ""
                                            << "";
        QTest::newRow("placeholder not expanded") << "bak"
                                                  << "data%t.lzh"
                                                  << ""
                                                  << "";
        QTest::newRow("missing archive") << "bak"
                                         << "none.lzh"
                                         << ""
                                         << "";
    }
    void prefillsFromTheCurrentRow() {
        QFETCH(QString, destination);
        QFETCH(QString, archive);
        QFETCH(QString, field);
        QFETCH(QString, folder);
        QVERIFY(writeFileAtomically(path("DirList.txt"), "/x\r\n/y\r\n").ok);
        const QString h = m_home->path() + QLatin1Char('/');
        const JobTable t = table(toBytes(h + destination), toBytes(archive));
        TSfxDlg dlg(t, 1, services(m_archiver));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("自動解凍書庫の作成"));
        QCOMPARE(dlg.findChild<QLineEdit*>("edLHAFile")->text(),
                 field.isEmpty() ? QString() : h + field);
        QCOMPARE(combo(dlg)->currentText(), folder.isEmpty() ? QString() : h + folder);
        QCOMPARE(dlg.bookmarks(), (Entries{"/x", "/y"}));
        QCOMPARE(dlg.chooserFolder(), toBytes(h + destination));
    }

    void archiveChooser() {
        const JobTable t = table(path("bak"), "");
        TSfxDlg dlg(t, 1, services(m_archiver));
        FileDialogs::setNextAnswer(toQString(path("other/x.lzh")));
        click(dlg, "refLHAFileBtn");
        QCOMPARE(FileDialogs::lastTitle(), QStringLiteral("自動解凍書庫に変換するLHAファイル"));
        QCOMPARE(dlg.archiveText(), path("other/x.lzh"));
        FileDialogs::setNextAnswer(QString()); // Cancel keeps the field
        click(dlg, "refLHAFileBtn");
        QCOMPARE(dlg.archiveText(), path("other/x.lzh"));
    }

    void folderButtonOpensTheArchiveMode() {
        QVERIFY(writeFileAtomically(path("DirList.txt"), "/x\r\n").ok);
        const JobTable t = table(path("bak"), "data.lzh");
        TSfxDlg dlg(t, 1, services(m_archiver));
        whenModal([this](QWidget* modal) {
            auto* folders = qobject_cast<TFolderSelectForm*>(modal);
            QVERIFY(folders);
            QCOMPARE(folders->mode(), FolderSelectMode::SfxOutput);
            QCOMPARE(folders->findChild<QLabel*>("FromToLabel")->text(),
                     QStringLiteral("自動解凍書庫作成先"));
            QCOMPARE(folders->treeFolder(), path("bak")); // the archive's folder
            QVERIFY(folders->moveTree(path("out")));
            click(*folders, "OkBtn");
        });
        click(dlg, "refSFXDirBtn");
        QCOMPARE(dlg.comboText(), path("out"));
        QCOMPARE(dlg.bookmarks(), (Entries{path("out"), path("bak"), "/x"}));
        QCOMPARE(readWholeFile(path("DirList.txt")).bytes,
                 path("out") + "\r\n" + path("bak") + "\r\n/x\r\n");
    }

    void doubleClickInTheArchiveModeLeavesTheFolderDialogOpen() {
        const JobTable t = table(path("bak"), "data.lzh");
        TSfxDlg dlg(t, 1, services(m_archiver));
        whenModal([this, &dlg](QWidget* modal) {
            auto* folders = qobject_cast<TFolderSelectForm*>(modal);
            QVERIFY(folders);
            auto* tree = folders->findChild<QTreeWidget*>("DirectoryListBox");
            QTreeWidgetItem* current = tree->currentItem();
            const QPoint at = tree->visualItemRect(current).center();
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
            QVERIFY(folders->isVisible());
            QCOMPARE(dlg.comboText(), path("bak"));
            QVERIFY(QFileInfo::exists(toQString(path("DirList.txt"))));
            click(*folders, "CancelBtn");
        });
        click(dlg, "refSFXDirBtn");
        QCOMPARE(dlg.comboText(), path("bak"));
    }

    void cancelledFolderDialogStillRunsTheBookmarkStep() {
        QVERIFY(writeFileAtomically(path("DirList.txt"), "/x\r\n").ok);
        const JobTable t = table(path("bak"), "none.lzh");
        TSfxDlg dlg(t, 1, services(m_archiver));
        combo(dlg)->setEditText(QStringLiteral("/typed"));
        whenModal([](QWidget* modal) { click(*modal, "CancelBtn"); });
        click(dlg, "refSFXDirBtn");
        QCOMPARE(dlg.bookmarks(), (Entries{"/typed", "/x"}));
        QCOMPARE(dlg.comboText(), std::string("/typed"));
        QCOMPARE(readWholeFile(path("DirList.txt")).bytes, std::string("/x\r\n"));
    }

    void pickingAndDeletingBookmarks() {
        QVERIFY(writeFileAtomically(path("DirList.txt"), "/a\r\n/b\r\n/c\r\n").ok);
        const JobTable t = table(path("bak"), "");
        TSfxDlg dlg(t, 1, services(m_archiver));
        combo(dlg)->setCurrentIndex(2);
        emit combo(dlg)->activated(2);
        QCOMPARE(dlg.bookmarks(), (Entries{"/c", "/a", "/b"}));
        QCOMPARE(dlg.comboText(), std::string("/c"));
        // No existence check here: a missing folder becomes a bookmark too.
        combo(dlg)->setEditText(QStringLiteral("/nowhere"));
        emit combo(dlg)->activated(0);
        QCOMPARE(dlg.bookmarks(), (Entries{"/nowhere", "/c", "/a", "/b"}));
        // Delete removes the entry for good and shows the most recent one left.
        click(dlg, "DeleteBtn");
        QCOMPARE(dlg.bookmarks(), (Entries{"/c", "/a", "/b"}));
        QCOMPARE(dlg.comboText(), std::string("/c"));
        combo(dlg)->setEditText(QStringLiteral("/other"));
        click(dlg, "DeleteBtn"); // not an entry: the step puts the text on top
        QCOMPARE(dlg.bookmarks(), (Entries{"/other", "/c", "/a", "/b"}));
        QCOMPARE(readWholeFile(path("DirList.txt")).bytes, std::string("/a\r\n/b\r\n/c\r\n"));
    }

    void okWithAMissingArchiveShowsTheMessageAndCloses() {
        const JobTable t = table(path("bak"), "");
        TSfxDlg dlg(t, 1, services(m_archiver));
        dlg.show();
        dlg.findChild<QLineEdit*>("edLHAFile")->setText(toQString(path("gone.lzh")));
        MessageBox::setNextAnswer(QMessageBox::Ok);
        click(dlg, "OKBtn");
        QCOMPARE(MessageBox::lastText(), toQString(path("gone.lzh") + "が存在しません"));
        QVERIFY(!dlg.isVisible());
        QVERIFY(m_archiver.calls.empty());
        QVERIFY(m_log.empty());
        QVERIFY(m_launcher.started.empty());
    }

    void makesARealSelfExtractingArchive() {
        const QString bin = QStringLiteral(TREVANE_BIN_DIR);
        QDir root(m_home->path());
        QVERIFY(root.mkpath("src/sub/深い"));
        makeFile(root.filePath("src/a.txt"), "hello\n");
        QByteArray big;
        for (int i = 0; i < 200000; ++i)
            big.append(char('a' + (i * 7 + i / 13) % 26));
        makeFile(root.filePath("src/sub/深い/b.dat"), big);
        makeFile(root.filePath("src/sub/empty.txt"), QByteArray());

        QProcess unlha;
        unlha.start(bin + "/unlha",
                    {"a", root.filePath("bak/real.lzh"), root.filePath("src") + "/", "-d1"});
        QVERIFY(unlha.waitForFinished(60000));
        QCOMPARE(unlha.exitCode(), 0);

        UnlhaLibrary library(UnlhaLibrary::beside(toBytes(bin)));
        const JobTable t = table(path("bak"), "real.lzh");
        TSfxDlg dlg(t, 1, services(library));
        QCOMPARE(dlg.archiveText(), path("bak/real.lzh"));
        combo(dlg)->setEditText(toQString(path("out")));
        click(dlg, "OKBtn");

        const std::string command =
            "s \"" + path("bak/real.lzh") + "\" \"" + path("out") + "/\" -gw";
        QCOMPARE(dlg.lastResult().outcome, SfxConverter::Outcome::Done);
        QCOMPARE(m_log, (Entries{command}));
        QCOMPARE(m_saved, (Entries{home()}));
        QCOMPARE(m_launcher.started, (Entries{"xdg-open \"" + path("out") + "\""}));

        const QString program = root.filePath("out/real.run");
        QVERIFY(QFileInfo(program).isExecutable());
        QVERIFY(root.mkpath("run"));
        QProcess sfx;
        sfx.setWorkingDirectory(root.filePath("run"));
        sfx.start(program, {});
        QVERIFY(sfx.waitForFinished(60000));
        QCOMPARE(sfx.exitCode(), 0);
        const auto extracted = filesUnder(root.filePath("run"));
        const auto original = filesUnder(root.filePath("src"));
        QCOMPARE(extracted.keys(), original.keys());
        QVERIFY(extracted == original);
    }
};

QTEST_MAIN(SfxDlgTest)
#include "tst_sfxdlg.moc"
