#pragma once

#include "tray/TrayBackend.h"

#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>

namespace trevane {

// The notification area through QSystemTrayIcon.
//
// Qt reports activations rather than raw mouse messages; they are turned into the messages
// the notification area would send, press first, release last:
//   Trigger (left click)    -> LeftDown, LeftUp
//   DoubleClick (left)      -> LeftDouble, LeftUp
//   Context (right click)   -> RightDown, RightUp
//   MiddleClick             -> MiddleDown, MiddleUp
// On X11 Qt reports the first press of a double click as Trigger and the second as
// DoubleClick, so a double click arrives as press, release, double click, release.
//
// The icon's own context menu is never set: TTaskBar pops its menus up itself.
//
// Whether the desktop has a notification area is looked at every few seconds, because a
// panel may start after the program (at log-in) or go away; a change is reported through the
// availability sink; an icon added while there is none is shown when one comes.
class SystemTrayBackend : public QObject, public TrayBackend {
    Q_OBJECT

public:
    explicit SystemTrayBackend(QObject* parent = nullptr);

    void add(const TrayIconRecord& record) override;
    void modify(const TrayIconRecord& record) override;
    void remove(const TrayIconRecord& record) override;
    bool isAvailable() const override;
    QPoint cursorPosition() const override;
    void popup(QMenu& menu, const QPoint& at) override;
    void showMessage(const QString& title, const QString& text, bool warning) override;

private:
    void apply(const TrayIconRecord& record);
    void activated(QSystemTrayIcon::ActivationReason reason);
    void checkAvailability();

    QSystemTrayIcon m_icon;
    QTimer m_availabilityCheck;
    bool m_available = false;
    bool m_wanted = false; // added and not removed since
};

} // namespace trevane
