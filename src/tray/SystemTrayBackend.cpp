#include "tray/SystemTrayBackend.h"

#include "platform/TextCodec.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QStyle>

namespace trevane {

namespace {
constexpr int AvailabilityCheckMs = 5000;
}

SystemTrayBackend::SystemTrayBackend(QObject* parent)
    : QObject(parent), m_icon(this), m_available(QSystemTrayIcon::isSystemTrayAvailable()) {
    connect(&m_icon, &QSystemTrayIcon::activated, this, &SystemTrayBackend::activated);
    m_availabilityCheck.setInterval(AvailabilityCheckMs);
    connect(&m_availabilityCheck, &QTimer::timeout, this, &SystemTrayBackend::checkAvailability);
    m_availabilityCheck.start();
}

void SystemTrayBackend::apply(const TrayIconRecord& record) {
    QIcon icon = record.icon;
    // Without any icon the notification area would show nothing to click on.
    if (icon.isNull())
        icon = QApplication::style()->standardIcon(QStyle::SP_ComputerIcon);
    m_icon.setIcon(icon);
    m_icon.setToolTip(toQString(record.tip));
}

void SystemTrayBackend::add(const TrayIconRecord& record) {
    apply(record);
    m_wanted = true;
    // Without a notification area the icon waits for one (checkAvailability): a platform
    // without any (offscreen) only complains when asked to show one.
    if (m_available)
        m_icon.show();
}

void SystemTrayBackend::modify(const TrayIconRecord& record) {
    apply(record);
}

void SystemTrayBackend::remove(const TrayIconRecord&) {
    m_icon.hide();
}

bool SystemTrayBackend::isAvailable() const {
    return m_available;
}

QPoint SystemTrayBackend::cursorPosition() const {
    return QCursor::pos();
}

void SystemTrayBackend::popup(QMenu& menu, const QPoint& at) {
    menu.popup(at);
}

void SystemTrayBackend::showMessage(const QString& title, const QString& text, bool warning) {
    m_icon.showMessage(title, text,
                       warning ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information);
}

void SystemTrayBackend::activated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        deliverMouse(TrayMouse::LeftDown);
        deliverMouse(TrayMouse::LeftUp);
        break;
    case QSystemTrayIcon::DoubleClick:
        deliverMouse(TrayMouse::LeftDouble);
        deliverMouse(TrayMouse::LeftUp);
        break;
    case QSystemTrayIcon::Context:
        deliverMouse(TrayMouse::RightDown);
        deliverMouse(TrayMouse::RightUp);
        break;
    case QSystemTrayIcon::MiddleClick:
        deliverMouse(TrayMouse::MiddleDown);
        deliverMouse(TrayMouse::MiddleUp);
        break;
    case QSystemTrayIcon::Unknown:
        break;
    }
}

void SystemTrayBackend::checkAvailability() {
    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    if (available == m_available)
        return;
    m_available = available;
    if (available && m_wanted)
        m_icon.show();
    deliverAvailability(available);
}

} // namespace trevane
