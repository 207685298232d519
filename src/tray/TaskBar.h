#pragma once

#include "tray/TaskBarEntry.h"
#include "tray/TrayBackend.h"

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class QWidget;

namespace trevane {

// A tray event's argument: the mouse button, 0 left, 1 right, 2 middle. It carries no sender.
using TTrayEvent = std::function<void(int button)>;

// The task-tray icon: one icon with a tip in the desktop's notification area, the clicks and
// double clicks on it reported per mouse button, a menu per button popped up when that button
// is released, and the application window's task-bar button shown or hidden.
//
// Properties act as soon as they are written, also before loaded():
//   setEnableTaskTray(true) adds the icon, false deletes it;
//   setTips() and setIcon() refresh the icon, but touch the notification area only while
//   EnableTaskTray is true (the record is kept, so a later add shows the latest tip and icon);
//   setEnableTaskBar() shows or hides the application window's task-bar button.
// A new component has EnableTaskBar and EnableTaskTray true, no tip, no icon, and shows
// nothing until a property is written or loaded() runs. The destructor deletes the icon.
//
// The task-bar button is hidden only while the tray icon is really there (EnableTaskTray true
// and the desktop has a notification area): on a desktop without one, EnableTaskBar false
// leaves the button shown so the window can still be reached. trayAvailableChanged() reports
// when a notification area comes or goes.
//
// A tip longer than 63 bytes is cut to its first 63 (tipText), never inside a character.
//
// The tray icon is never animated: nothing in the program has frames to show.
//
// Everything runs on the GUI thread.
class TTaskBar : public QObject {
    Q_OBJECT

public:
    enum Button : int { LeftButton = 0, RightButton = 1, MiddleButton = 2 };

    static constexpr std::size_t MaxTipBytes = 63;   // the notification record's 64 bytes
    static constexpr std::size_t MaxTipsBytes = 255; // Tips itself is a short string

    // The real notification area (QSystemTrayIcon) and task bar. applicationWindow is the
    // window whose task-bar button EnableTaskBar governs; it may be null (then nothing is
    // hidden) and must outlive the component.
    explicit TTaskBar(QWidget* applicationWindow, QObject* parent = nullptr);
    // With given backends (tests). taskBarEntry may be null.
    TTaskBar(std::unique_ptr<TrayBackend> backend, std::unique_ptr<TaskBarEntry> taskBarEntry,
             QWidget* applicationWindow, QObject* parent = nullptr);
    ~TTaskBar() override;

    // --- published properties --------------------------------------------------------------
    // An empty icon shows the application's icon (QGuiApplication::windowIcon()).
    const QIcon& Icon() const { return m_icon; }
    void setIcon(const QIcon& icon);
    bool EnableTaskBar() const { return m_enableTaskBar; }
    void setEnableTaskBar(bool value);
    bool EnableTaskTray() const { return m_enableTaskTray; }
    void setEnableTaskTray(bool value);
    // Bytes in the locale's code page, at most MaxTipsBytes kept.
    const std::string& Tips() const { return m_tips; }
    void setTips(std::string_view tips);
    void setOnTrayClick(TTrayEvent handler) { m_onTrayClick = std::move(handler); }
    void setOnTrayDblClick(TTrayEvent handler) { m_onTrayDblClick = std::move(handler); }
    // Menus are not owned; a deleted menu is forgotten.
    void setPopupMenuLeft(QMenu* menu) { m_popupMenuLeft = menu; }
    void setPopupMenuMiddle(QMenu* menu) { m_popupMenuMiddle = menu; }
    void setPopupMenuRight(QMenu* menu) { m_popupMenuRight = menu; }
    QMenu* PopupMenuLeft() const { return m_popupMenuLeft; }
    QMenu* PopupMenuMiddle() const { return m_popupMenuMiddle; }
    QMenu* PopupMenuRight() const { return m_popupMenuRight; }

    // A message balloon at the icon, shown only while the icon is in the notification area
    // (false otherwise). Texts are in the locale's code page.
    bool showMessage(std::string_view title, std::string_view text, bool warning);
    // Replaces the notification area (tests: a recording backend); the icon moves over.
    void setBackend(std::unique_ptr<TrayBackend> backend);

    // The end of setting up: adds the icon when EnableTaskTray is true (a second add of the
    // same icon changes nothing) and applies EnableTaskBar.
    void loaded();

    // A mouse message on the icon, dispatched in this order: a double click to OnTrayDblClick,
    // a press to OnTrayClick, a release to that button's popup menu at the cursor position read
    // first. Moves do nothing. An exception from a handler ends the dispatch and is dropped.
    void trayMessage(TrayMouse message);

    // Whether the desktop has a notification area, and whether the icon is in it.
    bool isTrayAvailable() const;
    bool isTrayIconShown() const { return m_enableTaskTray && isTrayAvailable(); }
    // Whether the application window's task-bar button is shown (always true without a window
    // or where the platform cannot hide it).
    bool isTaskBarButtonShown() const { return m_taskBarButtonShown; }

    // The tip the notification area gets: tips cut to MaxTipBytes, never inside a character.
    static std::string tipText(std::string_view tips);
    // text cut to at most maxBytes, dropping a UTF-8 character the cut would split.
    static std::string cutAtCharacter(std::string_view text, std::size_t maxBytes);

signals:
    // The desktop's notification area came (true) or went (false).
    void trayAvailableChanged(bool available);

private:
    // Hands the backend's mouse messages and availability changes to this component.
    void listen();
    void Add();
    void Modify();
    void Delete();
    TrayIconRecord record() const;
    void applyTaskBarButton();
    void availabilityChanged(bool available);
    void dispatch(TrayMouse message, const QPoint& cursor);

    std::unique_ptr<TrayBackend> m_backend;
    std::unique_ptr<TaskBarEntry> m_taskBarEntry;
    QPointer<QWidget> m_applicationWindow;

    QIcon m_icon;
    bool m_enableTaskBar = true;
    bool m_enableTaskTray = true;
    std::string m_tips;
    TTrayEvent m_onTrayClick;
    TTrayEvent m_onTrayDblClick;
    QPointer<QMenu> m_popupMenuLeft;
    QPointer<QMenu> m_popupMenuMiddle;
    QPointer<QMenu> m_popupMenuRight;

    bool m_taskBarButtonShown = true;
};

} // namespace trevane
