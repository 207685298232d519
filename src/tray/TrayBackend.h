#pragma once

#include <QIcon>
#include <QPoint>
#include <QString>
#include <functional>
#include <string>

class QMenu;

namespace trevane {

// The mouse messages of the tray icon, with the numbers the shell's notification area uses,
// so a backend that receives them raw can pass them on unchanged.
enum class TrayMouse : unsigned {
    Move = 0x0200,
    LeftDown = 0x0201,
    LeftUp = 0x0202,
    LeftDouble = 0x0203,
    RightDown = 0x0204,
    RightUp = 0x0205,
    RightDouble = 0x0206,
    MiddleDown = 0x0207,
    MiddleUp = 0x0208,
    MiddleDouble = 0x0209,
};

// What the tray icon shows: the record TTaskBar keeps filled between calls.
struct TrayIconRecord {
    static constexpr unsigned IconId = 1;
    // At most 63 bytes, never a broken character (TTaskBar::tipText).
    std::string tip;
    // Never null while the application has an icon: an empty TTaskBar icon is replaced by the
    // application's before the record reaches the backend.
    QIcon icon;
};

// The desktop's notification area as TTaskBar uses it: add, modify and delete one icon, read
// the cursor, pop up a menu, and hear about mouse messages on the icon. The real backend sits
// over QSystemTrayIcon; tests pass a recording one.
//
// Results of add/modify/remove are not reported: an icon the desktop refuses simply does not
// appear.
class TrayBackend {
public:
    using MouseSink = std::function<void(TrayMouse)>;
    using AvailabilitySink = std::function<void(bool available)>;

    virtual ~TrayBackend() = default;

    virtual void add(const TrayIconRecord& record) = 0;
    virtual void modify(const TrayIconRecord& record) = 0;
    virtual void remove(const TrayIconRecord& record) = 0;

    // Whether the desktop has a notification area right now.
    virtual bool isAvailable() const = 0;
    virtual QPoint cursorPosition() const = 0;
    // Shows menu at a global position and returns without waiting for a choice.
    virtual void popup(QMenu& menu, const QPoint& at) = 0;
    // A message balloon at the icon; warning picks the warning icon over the information one.
    virtual void showMessage(const QString& title, const QString& text, bool warning) = 0;

    // TTaskBar installs these once; the backend calls them on the GUI thread.
    void setSinks(MouseSink mouse, AvailabilitySink availability) {
        m_mouse = std::move(mouse);
        m_availability = std::move(availability);
    }

protected:
    void deliverMouse(TrayMouse message) const {
        if (m_mouse)
            m_mouse(message);
    }
    void deliverAvailability(bool available) const {
        if (m_availability)
            m_availability(available);
    }

private:
    MouseSink m_mouse;
    AvailabilitySink m_availability;
};

} // namespace trevane
