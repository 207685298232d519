// The real executable: single instance, and a plain message where there is no display.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

class ProgramTest : public QObject {
    Q_OBJECT

    static QString program() { return QStringLiteral(TREVANE_BIN_DIR "/trevane"); }

    QProcessEnvironment environment(const QTemporaryDir& home, const QTemporaryDir& runtime) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("TREVANE_HOME", home.path());
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        return env;
    }

    // Starts two instances at once: exactly one of them ends at once with code 1 and shows
    // nothing; the other keeps running and is returned.
    QProcess* startTwo(const QProcessEnvironment& env) {
        auto* a = new QProcess(this);
        auto* b = new QProcess(this);
        for (QProcess* p : {a, b}) {
            p->setProcessEnvironment(env);
            p->start(program(), {});
            if (!p->waitForStarted(10000))
                return nullptr;
        }
        QProcess* ended = nullptr;
        QProcess* running = nullptr;
        for (int i = 0; i < 600 && !ended; ++i) {
            for (QProcess* p : {a, b})
                if (p->waitForFinished(50))
                    ended = p;
        }
        if (!ended)
            return nullptr;
        running = ended == a ? b : a;
        if (ended->exitStatus() != QProcess::NormalExit || ended->exitCode() != 1 ||
            running->state() != QProcess::Running)
            return nullptr;
        return running;
    }

private slots:
    void secondInstanceExitsWithOne() {
        QTemporaryDir home, runtime;
        QProcessEnvironment env = environment(home, runtime);
        QProcess* first = startTwo(env);
        QVERIFY(first);
        // A killed instance never blocks the next start.
        first->kill();
        QVERIFY(first->waitForFinished(10000));
        QProcess* next = startTwo(env);
        QVERIFY(next);
        next->terminate();
        QVERIFY(next->waitForFinished(10000));
    }

    // Registered jobs run at start-up and the program closes itself when they are done.
    void autoStartRunsRegisteredJobsAndExits() {
        QTemporaryDir home, runtime;
        QDir root(home.path());
        root.mkpath("CPL");
        root.mkpath("src1/deep");
        root.mkpath("src2");
        auto write = [](const QString& path, const QByteArray& bytes) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        };
        write(root.filePath("src1/deep/one.txt"), "one");
        write(root.filePath("src2/two.txt"), "two");
        write(root.filePath("CPL/first.cpl"),
              (root.filePath("src1") + "," + root.filePath("out1") + ",,,,,\r\n").toUtf8());
        write(root.filePath("CPL/second job.cpl"),
              (root.filePath("src2") + "," + root.filePath("out2") + ",*.txt,,,,\r\n").toUtf8());
        write(root.filePath("BGCopyList.txt"), "first.cpl\r\nsecond job.cpl\r\n");
        write(root.filePath("Trevane.ini"), "[CONFIG]\r\nbAutoStart=1\r\nbExitOnJobEnd=1\r\n");

        QProcess p;
        p.setProcessEnvironment(environment(home, runtime));
        p.start(program(), {});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(QFile::exists(root.filePath("out1/deep/one.txt")));
        QVERIFY(QFile::exists(root.filePath("out2/two.txt")));
        QFile log(root.filePath("Trevane.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QByteArray text = log.readAll();
        QCOMPARE(text.count("Job End @ "), 2);
        QVERIFY(text.contains("Job File: " + root.filePath("CPL/second job.cpl").toUtf8()));
    }

    // A program that lives in the tray is mostly ended by the desktop (logout, shutdown: a
    // stop signal), not by its own exit command: the settings are saved all the same.
    void aStopSignalSavesTheSettingsAndEnds() {
        for (const int signal : {SIGTERM, SIGHUP}) {
            QTemporaryDir home, runtime;
            QDir root(home.path());
            QFile ini(root.filePath("Trevane.ini"));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[CONFIG]\r\nbShowAtStart=0\r\niMaxLog=777\r\n");
            ini.close();
            QProcess p;
            p.setProcessEnvironment(environment(home, runtime));
            p.start(program(), {});
            QVERIFY(p.waitForStarted(10000));
            // The job-file folder is made while the window is built, after the signals are
            // taken over.
            QTRY_VERIFY_WITH_TIMEOUT(root.exists("CPL"), 20000);
            ::kill(static_cast<pid_t>(p.processId()), signal);
            QVERIFY(p.waitForFinished(20000));
            QCOMPARE(p.exitStatus(), QProcess::NormalExit);
            QCOMPARE(p.exitCode(), 128 + signal);
            QVERIFY(ini.open(QIODevice::ReadOnly));
            const QByteArray saved = ini.readAll();
            QVERIFY2(saved.contains("iMaxLog=777") && saved.contains("bDayOfWeek6=1"), saved);
        }
    }

    void noDisplaySaysHowToRunIt() {
        QTemporaryDir home, runtime;
        QProcessEnvironment env = environment(home, runtime);
        env.remove("QT_QPA_PLATFORM");
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(program(), {});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(p.readAllStandardError().contains("xvfb-run"));
    }
};

QTEST_MAIN(ProgramTest)
#include "tst_program.moc"
