// A second start of the real program while the window runs: the window shows itself and opens
// the job file the start names, through the socket beside the single-instance lock.

#include "app/Mainunit.h"
#include "app/SecondStartServer.h"
#include "platform/AppPaths.h"
#include "platform/InstanceChannel.h"
#include "platform/SingleInstance.h"

#include <QDialog>
#include <QFile>
#include <QLocalSocket>
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

    void showsTheWindowAndOpensTheNamedFile() {
        // The test's folder is the runtime folder too (made closed to others).
        qputenv("XDG_RUNTIME_DIR", m_home.qpath().toLocal8Bit());
        SingleInstance lock("Trevan", programFolder());
        QVERIFY(lock.isFirst());
        TMainForm form;
        SecondStartServer server(form);
        QVERIFY(server.listen(instanceSocketPath("Trevan", programFolder())));
        const QString job = m_home.qpath() + QStringLiteral("/外の.cpl");
        QFile file(job);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("/src,/dst,,,,,\r\n");
        file.close();

        struct {
            QStringList args;
            bool dialogOpen;
            int code;
            std::string openFile;
        } rows[] = {{{}, false, 1, std::string(JobDocument::NewFileName)},
                    {{job}, true, 0, std::string(JobDocument::NewFileName)},
                    {{job}, false, 0, toBytes(job)}};
        for (const auto& row : rows) {
            form.hide();
            form.document().markModified();
            QDialog dialog(&form);
            dialog.setModal(true);
            if (row.dialogOpen)
                dialog.show();
            // A named file raises one box: close the dialog first, or save the changes (No).
            if (!row.args.isEmpty())
                MessageBox::setNextAnswer(QMessageBox::No);
            QProcess second;
            QSignalSpy finished(&second, &QProcess::finished);
            second.start(QStringLiteral(TREVANE_BIN_DIR "/trevane"), row.args);
            QVERIFY(finished.wait(30000));
            QCOMPARE(second.exitCode(), row.code);
            QVERIFY(form.isVisible());
            QCOMPARE(form.document().path(), row.openFile);
            QCOMPARE(MessageBox::pendingAnswers(), 0);
        }
    }

    // Connections that say nothing do not pile up: those over the limit are closed at once, the
    // others when the idle time runs out.
    void idleConnectionsAreClosed() {
        const std::string socketPath = instanceSocketPath("Trevan", programFolder());
        for (const int idleMs : {60000, 10}) {
            TMainForm form;
            SecondStartServer server(form, std::chrono::milliseconds(idleMs));
            QVERIFY(server.listen(socketPath));
            QLocalSocket idle[SecondStartServer::MaxConnections + 4];
            for (QLocalSocket& s : idle) {
                s.connectToServer(QString::fromStdString(socketPath));
                QVERIFY(s.waitForConnected(5000));
            }
            QTRY_COMPARE_WITH_TIMEOUT(
                std::count_if(std::begin(idle), std::end(idle),
                              [](QLocalSocket& s) { return s.state() == s.UnconnectedState; }),
                idleMs > 1000 ? 4L : long(std::size(idle)), 20000);
        }
    }
};

QTEST_MAIN(SecondStartTest)
#include "tst_secondstart.moc"
