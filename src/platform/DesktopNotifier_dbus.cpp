#include "platform/DesktopNotifier.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QVariantMap>

namespace trevane {

namespace {

// Where the desktop's notices are asked for (the freedesktop.org notification service).
constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr int kTimeoutMs = 3000;

// A session bus is there when its address is set, or at the standard place in the user's
// runtime folder; otherwise D-Bus would try to start one, which a run from cron must not do.
bool sessionBusKnown() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

class SessionBusNotifier : public DesktopNotifier {
public:
    bool notify(const std::string& summary, const std::string& body) override {
        if (!sessionBusKnown())
            return false;
        // A run without a window has no application object; D-Bus wants one.
        std::unique_ptr<QCoreApplication> app;
        static int argc = 1;
        static char name[] = "trevane";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            app = std::make_unique<QCoreApplication>(argc, argv);
        const QString connectionName = QStringLiteral("trevane-notices");
        bool told = false;
        {
            QDBusConnection bus =
                QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName);
            if (bus.isConnected()) {
                // A plain method call: an interface object would first ask the service to
                // describe itself, a second wait without a time limit of ours.
                QDBusMessage call = QDBusMessage::createMethodCall(
                    QString::fromLatin1(kService), QString::fromLatin1(kPath),
                    QString::fromLatin1(kService), QStringLiteral("Notify"));
                QVariantMap hints;
                hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(2))); // critical
                // The menu entry's name, by which the desktop groups the notices and shows the
                // program's icon and name.
                hints.insert(QStringLiteral("desktop-entry"),
                             QStringLiteral("org.trevane.Trevane"));
                call << QStringLiteral("Trevane") << uint(0) << QStringLiteral("dialog-warning")
                     << QString::fromLocal8Bit(summary) << QString::fromLocal8Bit(body)
                     << QStringList() << hints << -1;
                told =
                    bus.call(call, QDBus::Block, kTimeoutMs).type() == QDBusMessage::ReplyMessage;
            }
        }
        QDBusConnection::disconnectFromBus(connectionName);
        return told;
    }
};

} // namespace

std::unique_ptr<DesktopNotifier> DesktopNotifier::sessionBus() {
    return std::make_unique<SessionBusNotifier>();
}

} // namespace trevane
