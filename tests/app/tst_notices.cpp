// A run from the command line tells a job with failed steps through the desktop's notification
// service. The test runs on a session bus of its own (dbus-run-session), where it stands in for
// the service.

#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList calls; // "app|desktop entry|summary|body" of every Notify

public slots:
    uint Notify(const QString& app, uint, const QString&, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap& hints, int) {
        calls << app + "|" + hints.value("desktop-entry").toString() + "|" + summary + "|" + body;
        return uint(calls.size());
    }
};

class NoticesTest : public QObject {
    Q_OBJECT

private slots:
    void aFailedJobSendsOneNotice() {
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY2(bus.isConnected(), "run under dbus-run-session");
        FakeNotifications fake;
        QVERIFY(bus.registerService("org.freedesktop.Notifications"));
        QVERIFY(bus.registerObject("/org/freedesktop/Notifications", &fake,
                                   QDBusConnection::ExportAllSlots));

        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkpath("CPL"));
        const auto write = [&](const QString& name, const QByteArray& bytes) {
            QFile f(home.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        };
        write("CPL/good.cpl", ",,,,,,true\r\n");
        write("CPL/bad.cpl",
              (home.filePath("gone") + "," + home.filePath("out") + ",,,,,\r\n").toUtf8());

        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.insert("TREVANE_HOME", home.path());
        p.setProcessEnvironment(env);
        QSignalSpy ended(&p, &QProcess::finished);
        // The event loop serves the stand-in while the run waits for its answer.
        p.start(TREVANE_BIN_DIR "/trevane", {"--run", "good.cpl", "bad.cpl"});
        QVERIFY(ended.wait(60000));
        QCOMPARE(p.exitCode(), 1);
        QCOMPARE(fake.calls, QStringList{"Trevane|org.trevane.Trevane|Trevane: "
                                         "失敗した手順があります|bad.cpl が終了しました。\n"
                                         "失敗した手順: 1 件"});
    }
};

QTEST_GUILESS_MAIN(NoticesTest)
#include "tst_notices.moc"
