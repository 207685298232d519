// The real executable run from the command line, as cron or a systemd timer would: no display,
// the real xcopy, one case per exit code.

#include "platform/SingleInstance.h"
#include "support/FieldDisk.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdlib>

class CommandLineTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_runtime;

    QString path(const QString& name) const { return QDir(m_home.path()).filePath(name); }

    void write(const QString& name, const QByteArray& bytes) {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QByteArray log() const {
        QFile f(path("Trevane.log"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    struct Run {
        int code = -1;
        QByteArray out;
        QByteArray err;
    };

    // Starts the program as cron would: no display, this test's home and runtime folder.
    void start(QProcess& p, const QStringList& args,
               const QString& program = QStringLiteral(TREVANE_BIN_DIR "/trevane")) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        env.insert("TREVANE_HOME", m_home.path());
        env.insert("XDG_RUNTIME_DIR", m_runtime.path());
        p.setProcessEnvironment(env);
        p.start(program, args);
    }

    Run run(const QStringList& args) {
        QProcess p;
        start(p, args);
        Run r;
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
            return r;
        r.code = p.exitCode();
        r.out = p.readAllStandardOutput();
        r.err = p.readAllStandardError();
        return r;
    }

    QByteArray row(const QString& src, const QString& dst, const QString& xcopySwitches = {}) {
        return (path(src) + "," + path(dst) + ",,," + xcopySwitches + ",,\r\n").toUtf8();
    }

private slots:
    void initTestCase() {
        QDir root(m_home.path());
        QVERIFY(root.mkpath("CPL"));
        QVERIFY(root.mkpath("src/deep"));
        write("src/deep/one.txt", "one");
        write("CPL/good.cpl", row("src", "out1"));
        write("CPL/second job.cpl", row("src", "out2"));
        write("CPL/broken.cpl", row("src", "out3", "/NO-SUCH-SWITCH"));
        write("BGCopyList.txt", "good.cpl\r\nsecond job.cpl\r\n");
    }

    // Under a Japanese locale the log's times read "2026/12/07 17:14:29", not "17時14分29秒".
    void japaneseLogTimes() {
        const QByteArray saved = qgetenv("LC_ALL");
        qputenv("LC_ALL", "ja_JP.UTF-8");
        QCOMPARE(run({"--run", "good.cpl"}).code, 0);
        qputenv("LC_ALL", saved);
        const QRegularExpression start(QStringLiteral("Job Start @ \\d{4}/\\d\\d/\\d\\d \\d+:\\d\\d:\\d\\d\r"));
        QVERIFY2(start.match(QString::fromUtf8(log())).hasMatch(), log().constData());
    }

    void exitCodes() {
        struct Case {
            QStringList args;
            int code;
            QByteArray logHas; // empty: the log file is not looked at
            QByteArray errHas;
        };
        const QByteArray cpl = path("CPL").toUtf8();
        const Case cases[] = {
            {{"--run", "good.cpl", path("CPL/second job.cpl")},
             0,
             "Job File: " + cpl + "/second job.cpl",
             ""},
            {{"--run-registered"}, 0, "Job File: " + cpl + "/good.cpl", ""},
            {{"--run", "--verify", "good.cpl"}, 0, "検証しました: 1 個のファイル", ""},
            {{"--run", "broken.cpl"},
             1,
             "xcopy が失敗しました。(終了コード 4)\r\nJob End @ ",
             "失敗した手順: 1 件"},
            {{"--run", "good.cpl", "gone.cpl"},
             2,
             "Job File: " + cpl + "/gone.cplは存在しないのでスキップします。",
             "実行できなかったジョブファイル: 1 件"},
            {{"--run", "../CPL/good.cpl"},
             2,
             "/CPL/good.cplはCPLフォルダ (" + cpl + ") の外にあるのでスキップします。",
             ""},
            {{"--run"}, 2, "", "--run にはジョブファイルを1つ以上指定してください"},
            {{"--run-registered", "good.cpl"}, 2, "", "何も指定できません"},
            {{"--help"}, 0, "", ""},
            {{"--version"}, 0, "", ""},
            {{"gone.cpl"}, 2, "", "ジョブファイルが見つかりません: gone.cpl"}, // to open
            {{path("src")}, 2, "", "ジョブファイル (.cpl) ではありません"},
        };
        for (const Case& c : cases) {
            const Run r = run(c.args);
            const QByteArray what = c.args.join(' ').toUtf8();
            QVERIFY2(r.code == c.code, what + " gave " + QByteArray::number(r.code) + ": " + r.err);
            QVERIFY2(log().contains(c.logHas), what);
            QVERIFY2(r.err.contains(c.errHas), what + ": " + r.err);
        }
        QVERIFY(QFile::exists(path("out1/deep/one.txt")));
        QVERIFY(QFile::exists(path("out2/deep/one.txt")));
        QVERIFY(log().contains("失敗した手順: 1 件"));
        QCOMPARE(log().count("失敗した手順"), 1); // clean jobs add nothing
        // A log file that cannot be written (a folder in its way) is told, and the run is no
        // clean one; the copy itself still happens.
        QVERIFY(QFile::remove(path("Trevane.log")));
        QVERIFY(QDir(m_home.path()).mkdir("Trevane.log"));
        const Run unlogged = run({"--run", "good.cpl"});
        QVERIFY(QDir(path("Trevane.log")).removeRecursively());
        QCOMPARE(unlogged.code, 1);
        QVERIFY2(unlogged.err.contains("ログファイル " + path("Trevane.log").toUtf8() +
                                       " を書けませんでした。"),
                 unlogged.err);
        // A registered list that is there but cannot be read (a folder in its place) runs nothing.
        const QString list = path("BGCopyList.txt");
        QVERIFY(QFile::rename(list, list + ".kept") && QDir().mkdir(list));
        const Run unread = run({"--run-registered"});
        QVERIFY(QDir().rmdir(list) && QFile::rename(list + ".kept", list));
        QVERIFY2(unread.code == 2 && unread.err.contains("登録ジョブの一覧を読み込めません"),
                 unread.err);
        QVERIFY(run({"--help"}).out.contains("--run-registered"));
        QVERIFY(run({"--version"}).out.startsWith("trevane "));
        // A run history the disk cannot take is a log not written: a run's output outgrows it,
        // then no header fits, and no empty file stays.
        using trevane::test::FieldDisk;
        if (FieldDisk::unavailable(FieldDisk::Kind::Tmpfs).empty()) {
            FieldDisk full(FieldDisk::Kind::Tmpfs, "4k", path("runs").toStdString());
            write("CPL/many.cpl", row("src", "out1").repeated(40));
            const Run first = run({"--run", "many.cpl"}), again = run({"--run", "many.cpl"});
            QVERIFY2(first.code == 1 && first.err.contains("ログファイル " + path("runs").toUtf8()),
                     first.err);
            QVERIFY2(again.code == 1 && again.err.contains(path("runs").toUtf8() + " を"),
                     again.err);
            QCOMPARE(QDir(path("runs")).entryList(QDir::Files).size(), 1);
        }
    }

    // --restore from an archive the archiver made and from a copy's folder, into a target
    // holding a newer file: one row per exit code and cause, in order.
    void restoreExitCodes() {
        QProcess archiver;
        archiver.start(QStringLiteral(TREVANE_BIN_DIR "/unlha"),
                       {"u", path("bak.lzh"), path("src") + "/", "-d1"});
        QVERIFY(archiver.waitForFinished(60000) && archiver.exitCode() == 0);
        QVERIFY(QDir(m_home.path()).mkpath("newer/deep"));
        write("newer/deep/one.txt", "mine"); // newer than the backup, made before it
        QFile newer(path("newer/deep/one.txt"));
        QVERIFY(newer.open(QIODevice::Append) &&
                newer.setFileTime(QDateTime::currentDateTime().addDays(1),
                                  QFileDevice::FileModificationTime));
        struct Case {
            QStringList args;
            int code;
            QByteArray outHas;
            QByteArray errHas;
        };
        const QString bak = path("bak.lzh");
        const Case cases[] = {
            {{"--restore", bak, "--to", path("r1")}, 0, "1 個のファイルを復元しました", ""},
            {{"--restore", path("src"), "--to", path("r2"), "deep"}, 0, "1 個のファイル", ""},
            {{"--restore", bak, "--to", path("newer")}, 1, "新しいファイル 1 個", "--overwrite"},
            {{"--restore", path("src"), "--to", path("newer")}, 1, "新しいファイル 1 個", "--"},
            {{"--restore", bak, "--to", path("newer"), "--overwrite"}, 0, "1 個", ""},
            {{"--restore", bak, "--to", path("r1"), "nothing"}, 1, "", "一致するものがありません"},
            {{"--restore", path("gone.lzh"), "--to", path("r3")}, 2, "", "見つかりません"},
            {{"--restore", bak}, 2, "", "--to"},
            {{"--restore", "--to", path("r3")}, 2, "", "復元する書庫かフォルダ"},
        };
        for (const Case& c : cases) {
            const Run r = run(c.args);
            const QByteArray what = c.args.join(' ').toUtf8();
            QVERIFY2(r.code == c.code, what + " gave " + QByteArray::number(r.code) + ": " + r.err);
            QVERIFY2(r.out.contains(c.outHas), what + ": " + r.out);
            QVERIFY2(r.err.contains(c.errHas), what + ": " + r.err);
        }
        QVERIFY(QFile::exists(path("r1/deep/one.txt")));
        QVERIFY(QFile::exists(path("r2/deep/one.txt")));
        QCOMPARE(QFile(path("newer/deep/one.txt")).size(), 3); // "one", overwritten at last
        QVERIFY(!QFile::exists(path("r3")));
    }

    // A run told to stop (SIGTERM from a service manager or timeout, Ctrl+C) ends the step that
    // runs, runs nothing more, writes its log and exits with 128 + the signal. The program runs
    // from a folder of its own beside an xcopy that notes each start and then waits.
    void stopBySignal() {
        QTemporaryDir tools;
        const QString program = QDir(tools.path()).filePath("trevane");
        const QString xcopy = QDir(tools.path()).filePath("xcopy");
        QVERIFY(QFile::copy(QStringLiteral(TREVANE_BIN_DIR "/trevane"), program));
        QFile script(xcopy);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho started >>\"$0.started\"\nexec sleep 60\n");
        script.close();
        for (const QString& f : {program, xcopy})
            QVERIFY(
                QFile::setPermissions(f, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        write("CPL/slow.cpl", row("src", "out4") + row("src", "out5"));

        QProcess p;
        start(p, {"--run", "slow.cpl"}, program);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(xcopy + ".started"), 20000);
        QElapsedTimer stopping;
        stopping.start();
        QVERIFY(p.processId() > 0);
        QCOMPARE(::kill(static_cast<pid_t>(p.processId()), SIGTERM), 0);
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(stopping.elapsed() < 20000, "the running step was not stopped");
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 128 + SIGTERM);
        QVERIFY(p.readAllStandardError().contains("シグナル 15"));
        QVERIFY(log().contains("コピーを中止しました\r\nJob End @ "));
        QFile starts(xcopy + ".started");
        QVERIFY(starts.open(QIODevice::ReadOnly));
        QCOMPARE(starts.readAll(), QByteArray("started\n")); // the second row did not run
    }

    // While another instance runs on the data folder (its runtime folder its own), a run says so.
    void anotherInstanceRunning() {
        QVERIFY(QFile::remove(path("Trevane.log")));
        QTemporaryDir otherRuntime;
        qputenv("XDG_RUNTIME_DIR", otherRuntime.path().toUtf8());
        trevane::SingleInstance other("Trevan", m_home.path().toStdString());
        QVERIFY(other.isFirst());
        const Run r = run({"--run", "good.cpl"});
        QCOMPARE(r.code, 3);
        QVERIFY(r.err.contains("既に起動しています"));
        QVERIFY(!QFile::exists(path("Trevane.log")));
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
