// Running job files from the window: the queue, the runner, stops and the log, on real
// temporary folders with the real xcopy beside the test program.

#include "app/JobTableModel.h"
#include "app/Mainunit.h"
#include "app/QueuePanel.h"
#include "dialogs/FileDialogs.h"
#include "dialogs/MessageBox.h"
#include "jobs/AtomicFile.h"
#include "platform/TextCodec.h"

#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "support/RecordingTray.h"
#include "support/WindowTestHome.h"
#include "tray/TaskBar.h"

using namespace trevane;

class RunTest : public QObject {
    Q_OBJECT

    trevane::test::WindowTestHome m_home;
    std::string home() const { return m_home.path(); }

    // Writes a job file into the job-file folder.
    void writeJob(const std::string& name, const std::string& lines) {
        QVERIFY(writeFileAtomically(home() + "/CPL/" + name, lines).ok);
    }
    static QString logText(TMainForm& form) {
        return form.findChild<QPlainTextEdit*>("reLog")->toPlainText();
    }

private slots:
    void init() {
        m_home.start();
        QDir(m_home.qpath()).mkpath("CPL");
    }
    void cleanup() { m_home.finish(); }

    void runsTheOpenJobEndToEnd() {
        std::string src = home() + "/src", dst = home() + "/dst";
        QDir().mkpath(QString::fromStdString(src + "/sub"));
        QVERIFY(writeFileAtomically(src + "/a.doc", "alpha").ok);
        QVERIFY(writeFileAtomically(src + "/sub/b.doc", "beta").ok);
        TMainForm form;
        form.document().setEditText(1, 1, src);
        form.document().setEditText(2, 1, dst);
        FileDialogs::setNextAnswer(QString::fromStdString(home() + "/CPL/daily.cpl"));
        form.jobFiles().FileSaveClick();
        QVERIFY(!form.isModified());

        form.run().StartCopyClick();
        QCOMPARE(form.run().queue().size(), std::size_t(1));
        QCOMPARE(form.run().queue().front(), std::string("daily.cpl"));
        QVERIFY(form.run().jobQueue().hasRunner());
        form.runnerHost().waitForEnd();

        QVERIFY(!form.run().jobQueue().hasRunner());
        QVERIFY(form.run().queue().empty());
        QCOMPARE(form.statusPanel(0)->text(), QStringLiteral("ready"));
        QCOMPARE(readWholeFile(dst + "/sub/b.doc").bytes, std::string("beta"));
        QString log = logText(form);
        QVERIFY2(log.contains(QStringLiteral("Job File: %1/CPL/daily.cpl").arg(m_home.qpath())),
                 qPrintable(log));
        QVERIFY2(log.contains(QStringLiteral("xcopy \"%1\" \"%2\" /Y/D/S/I/K")
                                  .arg(QString::fromStdString(src), QString::fromStdString(dst))),
                 qPrintable(log));
        QVERIFY(log.contains(QStringLiteral("Job End @ ")));
        // The log file holds the panel's lines.
        std::string file = readWholeFile(home() + "/Trevane.log").bytes;
        QCOMPARE(toQString(file).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).trimmed(),
                 log.trimmed());
    }

    // A hidden window tells each job's end in the tray, a failure with the warning icon; the
    // tip and the status bar show the job and row while they run.
    void progressAndNoticesOfAnUnseenRun() {
        std::string src = home() + "/src";
        QDir().mkpath(QString::fromStdString(src));
        QVERIFY(writeFileAtomically(src + "/a.doc", "alpha").ok);
        writeJob("ok.cpl", src + "," + home() + "/dst,,,,,\r\n");
        writeJob("bad.cpl", home() + "/missing," + home() + "/dst2,,,,,\r\n");
        QStringList tray; // outlives the window, whose tray records its last calls at the end
        TMainForm form;
        form.taskBar()->setBackend(std::make_unique<test::RecordingTrayBackend>(
            [&](const QString& line) { tray.append(line); }));
        auto* progress = form.findChild<QProgressBar*>("RunProgress");
        QVERIFY(progress && !progress->isVisible());
        form.run().QueueJobFile("ok.cpl");
        form.run().QueueJobFile("bad.cpl");
        form.runnerHost().waitForEnd();

        const QString tips = tray.filter(QStringLiteral("modify tip=")).join('\n');
        QVERIFY2(tips.contains(QStringLiteral("tip=Trevane - ok.cpl 実行中 ジョブ 1/2 行 1/1")),
                 qPrintable(tips));
        QVERIFY2(tips.contains(QStringLiteral("tip=Trevane - bad.cpl 実行中 ジョブ 2/2 行 1/1")),
                 qPrintable(tips));
        QVERIFY(tray.last().startsWith(QStringLiteral("modify tip=Trevane icon=")));
        QCOMPARE(progress->isHidden(), true);
        QCOMPARE(
            tray.filter(QStringLiteral("message ")),
            QStringList({QStringLiteral("message information Trevane: ok.cpl が終了しました。"),
                         QStringLiteral("message warning Trevane: bad.cpl が終了しました。\n"
                                        "失敗した手順: 1 件")}));

        // With the window shown, or the option off, nothing is told.
        tray.clear();
        form.show();
        form.run().QueueJobFile("ok.cpl");
        form.runnerHost().waitForEnd();
        form.hide();
        form.settings().bNotifyJobEnd = false;
        form.run().QueueJobFile("ok.cpl");
        form.runnerHost().waitForEnd();
        QVERIFY(tray.filter(QStringLiteral("message ")).isEmpty());
    }

    // Only the head has a colour: not the names queued behind it, nor those after a stop.
    void onlyTheHeadIsColoured() {
        JobQueue queue;
        QueuePanel panel(queue, nullptr);
        (void)queue.add("a.cpl"), (void)queue.markHead(), panel.showQueue();
        panel.moveCursorToHead(); // as the runner does: the cursor takes the head's format
        (void)queue.add("b.cpl"), panel.showQueue();
        QCOMPARE(panel.lineColor(0), QColor(Qt::red));
        QCOMPARE(panel.lineColor(1), QColor());
        queue.reportAbort(), panel.showQueue();
        QCOMPARE(panel.lineColor(0), panel.palette().color(QPalette::Text));
    }

    void progressFollowsTheQueueAtOnce() {
        TMainForm form;
        form.run().QueueJobFile("a.cpl"); // the runner waits for the window's events meanwhile
        form.run().QueueJobFile("b.cpl");
        form.runnerHost().rowStarted(0, 2);
        form.run().ClearQueClick();
        QCOMPARE(form.findChild<QProgressBar*>("RunProgress")->format(), QStringLiteral("ジョブ 1/1 行 1/2"));
        form.runnerHost().waitForEnd();
    }

    void aMissingMiddleJobIsSkipped() {
        writeJob("one.cpl", ",,,,,,true\r\n");
        writeJob("three.cpl", ",,,,,,true\r\n");
        TMainForm form;
        for (const char* name : {"one.cpl", "two.cpl", "three.cpl"})
            form.run().QueueJobFile(name);
        form.runnerHost().waitForEnd();
        QStringList lines = logText(form).split(QLatin1Char('\n'));
        int one = lines.indexOf(QStringLiteral("Job File: %1/CPL/one.cpl").arg(m_home.qpath()));
        int two =
            lines.indexOf(QStringLiteral("Job File: %1/CPL/two.cplは存在しないのでスキップします。")
                              .arg(m_home.qpath()));
        int three = lines.indexOf(QStringLiteral("Job File: %1/CPL/three.cpl").arg(m_home.qpath()));
        QVERIFY2(one >= 0 && one < two && two < three, qPrintable(lines.join('\n')));
    }

    void stopBeforeAJobLeavesItQueuedAndUncoloured() {
        writeJob("one.cpl", ",,,,,,true\r\n");
        TMainForm form;
        form.run().QueueJobFile("one.cpl");
        form.run().StopCopyClick();
        QCOMPARE(form.statusPanel(0)->text(), QStringLiteral("Aborting..."));
        form.runnerHost().waitForEnd();
        QCOMPARE(form.run().queue(), std::vector<std::string>{"one.cpl"});
        QVERIFY(!form.findChild<QueuePanel*>("reQue")->headColor().isValid());
        QVERIFY(!logText(form).contains(QStringLiteral("Job File")));
    }

    void aNeverSavedTableIsNotQueuedUnsaved() {
        TMainForm form;
        MessageBox::setNextAnswer(QMessageBox::No);
        form.run().StartCopyClick();
        QVERIFY(MessageBox::lastText().contains(QStringLiteral("CPLフォルダに保存して開始しますか")));
        QVERIFY(form.run().queue().empty());
    }

    void closingIsRefusedWhileAJobIsQueued() {
        TMainForm form;
        form.show();
        form.run().QueueJobFile("a.cpl");
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QVERIFY(!form.close());
        QCOMPARE(MessageBox::lastText(),
                 QStringLiteral("コピー継続中です。\nコピーを中止するか、完了を待ってください。"));
        form.runnerHost().waitForEnd();
        QVERIFY(form.close());
    }

    void exitOnJobEndClosesTheWindow() {
        QVERIFY(writeFileAtomically(home() + "/Trevane.ini", "[CONFIG]\r\nbExitOnJobEnd=1\r\n").ok);
        TMainForm form;
        form.show();
        QSignalSpy closed(&form, &TMainForm::closed);
        form.run().QueueJobFile("a.cpl");
        form.runnerHost().waitForEnd();
        QCOMPARE(closed.count(), 1);
    }

    void idleCommandsAndOddSettingsAreHarmless() {
        QVERIFY(writeFileAtomically(home() + "/Trevane.ini", "[CONFIG]\r\niMaxLog=-5\r\n").ok);
        writeJob("日本語 ジョブ.cpl", ",,,,,,true\r\n");
        QVERIFY(
            writeFileAtomically(home() + "/BGCopyList.txt", "日本語 ジョブ.cpl\r\n\r\nunknown.cpl")
                .ok);
        TMainForm form;
        form.run().StartJobFileClick();
        QCOMPARE(form.run().queue(), (std::vector<std::string>{"日本語 ジョブ.cpl", "", "unknown.cpl"}));
        form.runnerHost().waitForEnd();
        QVERIFY(form.run().queue().empty());
        // A limit below zero keeps no lines.
        QCOMPARE(logText(form), QString());
        QCOMPARE(form.logLines().size(), std::size_t(0));
    }

    void logLimitAppliesToPanelAndFile() {
        QVERIFY(writeFileAtomically(home() + "/Trevane.ini", "[CONFIG]\r\niMaxLog=3\r\n").ok);
        writeJob("one.cpl", ",,,,,,true\r\n");
        TMainForm form;
        form.run().QueueJobFile("one.cpl");
        form.runnerHost().waitForEnd();
        QCOMPARE(logText(form).count(QLatin1Char('\n')), 2);
        std::string file = readWholeFile(home() + "/Trevane.log").bytes;
        QCOMPARE(std::count(file.begin(), file.end(), '\n'), 3);
    }
};

QTEST_MAIN(RunTest)
#include "tst_run.moc"
