// The real executable: single instance, and a plain message where there is no display.

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
