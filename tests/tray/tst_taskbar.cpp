// The task-tray component over a recording notification area: what reaches the desktop when
// properties change, how mouse messages are dispatched, the tip's cut, and the task-bar button.
// The real backend is checked through the activations QSystemTrayIcon reports.

#include "support/RecordingTray.h"
#include "tray/SystemTrayBackend.h"
#include "tray/TaskBar.h"

#include <QApplication>
#include <QMenu>
#include <QPixmap>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QWidget>
#include <stdexcept>

using namespace trevane;

namespace {

// Every call as one line of text, in order.
QStringList* g_calls = nullptr;

void record(const QString& line) {
    g_calls->append(line);
}

using RecordingBackend = test::RecordingTrayBackend;

class RecordingEntry : public TaskBarEntry {
public:
    bool setShown(QWidget& window, bool shown) override {
        record(
            QStringLiteral("taskbar %1 %2").arg(window.objectName(), shown ? "shown" : "hidden"));
        return true;
    }
};

} // namespace

class TaskBarTest : public QObject {
    Q_OBJECT

private:
    QStringList m_calls;
    QWidget* m_window = nullptr;
    RecordingBackend* m_backend = nullptr;
    QString m_appIcon;

    std::unique_ptr<TTaskBar> make() {
        auto backend = std::make_unique<RecordingBackend>(record);
        m_backend = backend.get();
        return std::make_unique<TTaskBar>(std::move(backend), std::make_unique<RecordingEntry>(),
                                          m_window);
    }
    QString tipCall(const char* what, const QString& tip, const QString& icon = {}) const {
        return QStringLiteral("%1 tip=%2 icon=%3")
            .arg(what, tip, icon.isEmpty() ? m_appIcon : icon);
    }

private slots:
    void initTestCase() {
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::blue);
        QApplication::setWindowIcon(QIcon(pixmap));
        m_appIcon = QString::number(QApplication::windowIcon().cacheKey());
    }
    void init() {
        m_calls.clear();
        g_calls = &m_calls;
        m_window = new QWidget;
        m_window->setObjectName(QStringLiteral("MainForm"));
    }
    void cleanup() {
        delete m_window;
        g_calls = nullptr;
    }

    // As the main window sets it up: button hidden, icon in the tray, tip "Trevane".
    void setUpLikeTheMainWindow() {
        auto bar = make();
        QCOMPARE(m_calls, QStringList()); // nothing is shown at construction
        QVERIFY(bar->EnableTaskBar() && bar->EnableTaskTray());
        bar->setEnableTaskBar(false);
        bar->setEnableTaskTray(true);
        bar->setTips("Trevane");
        bar->loaded();
        QCOMPARE(m_calls, (QStringList{
                              "taskbar MainForm hidden",
                              tipCall("add", ""),
                              "taskbar MainForm hidden",
                              tipCall("modify", "Trevane"),
                              tipCall("add", "Trevane"),
                              "taskbar MainForm hidden",
                          }));
        QVERIFY(!bar->isTaskBarButtonShown());
        m_calls.clear();
        bar.reset();
        QCOMPARE(m_calls, QStringList{tipCall("delete", "Trevane")});
    }

    void withTheTrayOffChangesWaitForTheNextAdd() {
        auto bar = make();
        bar->setEnableTaskTray(false);
        m_calls.clear();
        bar->setTips("job.cpl");
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::red);
        const QIcon own(pixmap);
        bar->setIcon(own);
        QCOMPARE(m_calls, QStringList()); // no call into the notification area
        bar->setEnableTaskTray(true);
        QCOMPARE(m_calls.value(0), tipCall("add", "job.cpl", QString::number(own.cacheKey())));
        m_calls.clear();
        bar->setIcon(QIcon());
        QCOMPARE(m_calls, QStringList{tipCall("modify",
                                              "job.cpl")}); // an empty icon shows the application's
    }

    void tipIsCutTo63Bytes_data() {
        QTest::addColumn<QByteArray>("tips");
        QTest::addColumn<QByteArray>("shown");
        const QByteArray seventy(70, 'x');
        QTest::newRow("70 characters") << seventy << seventy.left(63);
        QTest::newRow("63 characters") << seventy.left(63) << seventy.left(63);
        QTest::newRow("64 characters") << seventy.left(64) << seventy.left(63);
        QTest::newRow("empty") << QByteArray() << QByteArray();
        // 21 three-byte characters fill 63 bytes exactly; one byte earlier the 21st goes whole.
        const QByteArray kana = QString(21, QChar(0x30B8)).toUtf8();
        QTest::newRow("japanese to the byte") << kana + "x" << kana;
        QTest::newRow("japanese across the cut") << "x" + kana << "x" + kana.left(60);
    }
    void tipIsCutTo63Bytes() {
        QFETCH(QByteArray, tips);
        QFETCH(QByteArray, shown);
        auto bar = make();
        bar->setTips(tips.toStdString());
        QCOMPARE(QByteArray::fromStdString(bar->Tips()), tips); // Tips itself keeps it all
        QCOMPARE(m_calls.last(), tipCall("modify", QString::fromUtf8(shown)));
    }

    // Mouse messages as the notification area sends them, and what each one set off.
    void dispatch_data() {
        QTest::addColumn<QList<TrayMouse>>("messages");
        QTest::addColumn<QStringList>("events");
        using M = TrayMouse;
        QTest::newRow("left double click")
            << QList<M>{M::LeftDown, M::LeftUp, M::LeftDouble, M::LeftUp}
            << QStringList{"click 0", "popup left at 10,20", "dblclick 0", "popup left at 10,20"};
        QTest::newRow("right click") << QList<M>{M::RightDown, M::RightUp}
                                     << QStringList{"click 1", "popup pmTaskTray at 10,20"};
        QTest::newRow("right double click")
            << QList<M>{M::RightDown, M::RightUp, M::RightDouble, M::RightUp}
            << QStringList{"click 1", "popup pmTaskTray at 10,20", "dblclick 1",
                           "popup pmTaskTray at 10,20"};
        QTest::newRow("middle click and double click")
            << QList<M>{M::MiddleDown, M::MiddleUp, M::MiddleDouble}
            << QStringList{"click 2", "popup middle at 10,20", "dblclick 2"};
        QTest::newRow("moves do nothing") << QList<M>{M::Move, M::Move} << QStringList{};
    }
    void dispatch() {
        QFETCH(QList<TrayMouse>, messages);
        QFETCH(QStringList, events);
        QMenu left, middle, right;
        left.setObjectName("left");
        middle.setObjectName("middle");
        right.setObjectName("pmTaskTray");
        auto bar = make();
        bar->setOnTrayClick([](int b) { record(QStringLiteral("click %1").arg(b)); });
        bar->setOnTrayDblClick([](int b) { record(QStringLiteral("dblclick %1").arg(b)); });
        bar->setPopupMenuLeft(&left);
        bar->setPopupMenuMiddle(&middle);
        bar->setPopupMenuRight(&right);
        for (TrayMouse m : messages)
            m_backend->mouse(m);
        QCOMPARE(m_calls, events);
    }

    void aThrowingHandlerIsDropped() {
        QMenu right;
        right.setObjectName("pmTaskTray");
        auto bar = make();
        int clicks = 0;
        bar->setOnTrayClick([&](int) {
            ++clicks;
            throw std::runtime_error("handler failed");
        });
        bar->setPopupMenuRight(&right);
        QTest::ignoreMessage(QtWarningMsg, "tray event handler failed: handler failed");
        m_backend->mouse(TrayMouse::RightDown);
        m_backend->mouse(TrayMouse::RightUp);
        QCOMPARE(clicks, 1);
        QCOMPARE(m_calls, QStringList{"popup pmTaskTray at 10,20"}); // the next message still works
    }

    // Without a notification area the button stays, so the window can be reached.
    void taskBarButtonFollowsTheTray() {
        auto bar = make();
        m_backend->available = false;
        QSignalSpy spy(bar.get(), &TTaskBar::trayAvailableChanged);
        bar->setEnableTaskBar(false);
        QCOMPARE(m_calls.last(), QStringLiteral("taskbar MainForm shown"));
        QVERIFY(bar->isTaskBarButtonShown());
        QVERIFY(!bar->isTrayIconShown());

        m_backend->setAvailable(true);
        QCOMPARE(m_calls.last(), QStringLiteral("taskbar MainForm hidden"));
        QVERIFY(!bar->isTaskBarButtonShown());
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toBool(), true);

        bar->setEnableTaskTray(false);
        QCOMPARE(m_calls.last(), QStringLiteral("taskbar MainForm shown")); // no icon, no hiding
        bar->setEnableTaskTray(true);
        m_backend->setAvailable(false);
        QCOMPARE(m_calls.last(), QStringLiteral("taskbar MainForm shown"));
        QCOMPARE(spy.count(), 2);
    }

    // QSystemTrayIcon's activations become the notification area's mouse messages.
    void systemTrayActivations_data() {
        QTest::addColumn<int>("reason");
        QTest::addColumn<QList<TrayMouse>>("messages");
        using M = TrayMouse;
        QTest::newRow("trigger") << int(QSystemTrayIcon::Trigger)
                                 << QList<M>{M::LeftDown, M::LeftUp};
        QTest::newRow("double click")
            << int(QSystemTrayIcon::DoubleClick) << QList<M>{M::LeftDouble, M::LeftUp};
        QTest::newRow("context") << int(QSystemTrayIcon::Context)
                                 << QList<M>{M::RightDown, M::RightUp};
        QTest::newRow("middle") << int(QSystemTrayIcon::MiddleClick)
                                << QList<M>{M::MiddleDown, M::MiddleUp};
        QTest::newRow("unknown") << int(QSystemTrayIcon::Unknown) << QList<M>{};
    }
    void systemTrayActivations() {
        QFETCH(int, reason);
        QFETCH(QList<TrayMouse>, messages);
        SystemTrayBackend backend;
        QList<TrayMouse> got;
        backend.setSinks([&](TrayMouse m) { got.append(m); }, {});
        auto* icon = backend.findChild<QSystemTrayIcon*>();
        QVERIFY(icon);
        emit icon->activated(QSystemTrayIcon::ActivationReason(reason));
        QCOMPARE(got, messages);
    }
};

QTEST_MAIN(TaskBarTest)
#include "tst_taskbar.moc"
