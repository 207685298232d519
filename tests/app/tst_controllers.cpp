// The rules of the main window's commands, on the controllers alone: no main window, a runner
// that only counts its starts, questions answered through the message-box seam.

#include "app/JobFileController.h"
#include "app/JobFileList.h"
#include "app/RunController.h"
#include "dialogs/FileDialogs.h"
#include "dialogs/MessageBox.h"
#include "jobs/AtomicFile.h"
#include "jobs/IniFile.h"
#include "platform/AppPaths.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include "support/WindowTestHome.h"

using namespace trevane;

namespace {

// The job-file and run controllers over one document, list and queue.
struct Commands {
    ProgramFiles files{programFolder()};
    Settings settings;
    JobDocument doc{files.jobFileFolder(), files.settingsPath()};
    JobFileList list{files.jobFileFolder()};
    JobQueue queue;
    JobFileController jobFiles{doc, files, settings, list, nullptr};
    int runnerStarts = 0;
    RunController run{queue,    jobFiles, doc,     files,
                      settings, list,     nullptr, [this] { ++runnerStarts; }};
};

} // namespace

class ControllersTest : public QObject {
    Q_OBJECT

    test::WindowTestHome m_home;
    std::string home() const { return m_home.path(); }

private slots:
    void init() {
        m_home.start();
        QDir(m_home.qpath()).mkpath("CPL");
    }
    void cleanup() { m_home.finish(); }

    // Start with the option that empties the destination first asks; only Ok queues the job.
    void startAsksBeforeEmptyingTheDestination() {
        Commands c;
        c.doc.setOptionItems(JobOptionItems{JobOption::ClearDestination}, "");
        FileDialogs::setNextAnswer(QString::fromStdString(home() + "/CPL/a.cpl"));
        c.jobFiles.FileSaveAsClick();
        MessageBox::setNextAnswer(QMessageBox::Cancel);
        c.run.StartCopyClick();
        QCOMPARE(MessageBox::lastText(),
                 QStringLiteral("ｺﾋﾟｰ先をすべて消去してから開始しますか？"));
        QVERIFY(c.run.queue().empty());
        MessageBox::setNextAnswer(QMessageBox::Ok);
        c.run.StartCopyClick();
        QCOMPARE(c.run.queue(), std::vector<std::string>{"a.cpl"});
        QCOMPARE(c.runnerStarts, 1);
    }

    // Deleting another job file keeps the edits of the open table, and their question;
    // deleting the open one resets the table without a save question and erases its options.
    void deletingAJobFileResetsTheTableOnlyWhenItIsTheOpenOne() {
        QVERIFY(writeFileAtomically(home() + "/CPL/other.cpl", "").ok);
        Commands c;
        c.doc.setEditText(1, 1, "/a");
        FileDialogs::setNextAnswer(QString::fromStdString(home() + "/CPL/one.cpl"));
        c.jobFiles.FileSaveAsClick();
        c.doc.setEditText(1, 2, "/unsaved");
        c.list.setCurrentRow(1);
        QCOMPARE(c.list.currentItem()->text(), QStringLiteral("other.cpl"));
        MessageBox::setNextAnswer(QMessageBox::Ok);
        c.jobFiles.FileDeleteClick();
        QVERIFY(c.doc.isModified());
        QCOMPARE(c.doc.table().cell(1, 2), std::string("/unsaved"));
        QCOMPARE(c.list.count(), 1);

        c.list.setCurrentRow(0);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QSignalSpy replaced(&c.jobFiles, &JobFileController::documentReplaced);
        c.jobFiles.FileDeleteClick();
        QCOMPARE(MessageBox::lastText(),
                 QString::fromStdString(home() + "/CPL/one.cplを削除しますか？"));
        QVERIFY(!QFileInfo::exists(QString::fromStdString(home() + "/CPL/one.cpl")));
        QCOMPARE(replaced.count(), 1);
        QCOMPARE(c.doc.path(), std::string(JobDocument::NewFileName));
        QVERIFY(!c.doc.isModified());
        IniFile ini;
        QCOMPARE(ini.load(home() + "/Trevane.ini"), ReadStatus::Ok);
        QVERIFY(!ini.hasSection(home() + "/CPL/one.cpl"));
        // Nothing selected: a message.
        MessageBox::setNextAnswer(QMessageBox::Ok);
        c.jobFiles.CPLFileListBoxDblClick();
        QCOMPARE(MessageBox::lastText(), QStringLiteral("ファイルを選択してください"));
    }
};

QTEST_MAIN(ControllersTest)
#include "tst_controllers.moc"
