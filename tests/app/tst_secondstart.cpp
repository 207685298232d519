// A second start of the real program while the window runs: the window shows itself, through
// the socket beside the single-instance lock.

#include "app/Mainunit.h"
#include "app/SecondStartServer.h"
#include "platform/AppPaths.h"
#include "platform/InstanceChannel.h"
#include "platform/SingleInstance.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include "support/WindowTestHome.h"

using namespace trevane;

class SecondStartTest : public QObject {
    Q_OBJECT

    test::WindowTestHome m_home;

private slots:
    void init() { m_home.start(); }
    void cleanup() { m_home.finish(); }

    void showsTheWindow() {
        // The test's folder is the runtime folder too (made closed to others).
        qputenv("XDG_RUNTIME_DIR", m_home.qpath().toLocal8Bit());
        SingleInstance lock("Trevan", programFolder());
        QVERIFY(lock.isFirst());
        TMainForm form;
        SecondStartServer server(form);
        QVERIFY(server.listen(instanceSocketPath("Trevan", programFolder())));
        QVERIFY(!form.isVisible());
        QProcess second;
        QSignalSpy finished(&second, &QProcess::finished);
        second.start(QStringLiteral(TREVANE_BIN_DIR "/trevane"), {});
        QVERIFY(finished.wait(30000));
        QCOMPARE(second.exitCode(), 1);
        QVERIFY(form.isVisible());
    }
};

QTEST_MAIN(SecondStartTest)
#include "tst_secondstart.moc"
