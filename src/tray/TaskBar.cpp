#include "tray/TaskBar.h"

#include "platform/TextCodec.h"

#include "tray/SystemTrayBackend.h"

#include <QGuiApplication>
#include <QMenu>
#include <QWidget>
#include <QtDebug>
#include <exception>

namespace trevane {

TTaskBar::TTaskBar(QWidget* applicationWindow, QObject* parent)
    : TTaskBar(std::make_unique<SystemTrayBackend>(), TaskBarEntry::create(), applicationWindow,
               parent) {}

TTaskBar::TTaskBar(std::unique_ptr<TrayBackend> backend, std::unique_ptr<TaskBarEntry> taskBarEntry,
                   QWidget* applicationWindow, QObject* parent)
    : QObject(parent), m_backend(std::move(backend)), m_taskBarEntry(std::move(taskBarEntry)),
      m_applicationWindow(applicationWindow) {
    listen();
}

void TTaskBar::listen() {
    m_backend->setSinks([this](TrayMouse message) { trayMessage(message); },
                        [this](bool available) { availabilityChanged(available); });
}

void TTaskBar::setBackend(std::unique_ptr<TrayBackend> backend) {
    Delete();
    m_backend->setSinks({}, {});
    m_backend = std::move(backend);
    listen();
    if (m_enableTaskTray)
        Add();
}

bool TTaskBar::showMessage(std::string_view title, std::string_view text, bool warning) {
    if (!isTrayIconShown())
        return false;
    m_backend->showMessage(toQString(title), toQString(text), warning);
    return true;
}

TTaskBar::~TTaskBar() {
    Delete();
    m_backend->setSinks({}, {});
}

void TTaskBar::setIcon(const QIcon& icon) {
    m_icon = icon;
    Modify();
}

void TTaskBar::setEnableTaskBar(bool value) {
    m_enableTaskBar = value;
    applyTaskBarButton();
}

void TTaskBar::setEnableTaskTray(bool value) {
    m_enableTaskTray = value;
    if (value)
        Add();
    else
        Delete();
    applyTaskBarButton();
}

void TTaskBar::setTips(std::string_view tips) {
    m_tips = cutAtCharacter(tips, MaxTipsBytes);
    Modify();
}

void TTaskBar::loaded() {
    if (m_enableTaskTray)
        Add();
    setEnableTaskBar(m_enableTaskBar);
}

bool TTaskBar::isTrayAvailable() const {
    return m_backend->isAvailable();
}

std::string TTaskBar::cutAtCharacter(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes)
        return std::string(text);
    std::size_t cut = maxBytes;
    // The first byte left out continues a character: that character goes as a whole.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return std::string(text.substr(0, cut));
}

std::string TTaskBar::tipText(std::string_view tips) {
    return cutAtCharacter(tips, MaxTipBytes);
}

TrayIconRecord TTaskBar::record() const {
    TrayIconRecord out;
    out.tip = tipText(m_tips);
    out.icon = m_icon.isNull() ? QGuiApplication::windowIcon() : m_icon;
    return out;
}

void TTaskBar::Add() {
    m_backend->add(record());
}

void TTaskBar::Modify() {
    if (m_enableTaskTray)
        m_backend->modify(record());
}

void TTaskBar::Delete() {
    m_backend->remove(record());
}

void TTaskBar::applyTaskBarButton() {
    // Without an icon in a notification area, the task-bar button is the only way back to a
    // hidden window, so it stays.
    const bool shown = m_enableTaskBar || !isTrayIconShown();
    bool applied = false;
    if (m_applicationWindow && m_taskBarEntry)
        applied = m_taskBarEntry->setShown(*m_applicationWindow, shown);
    m_taskBarButtonShown = applied ? shown : true;
}

void TTaskBar::availabilityChanged(bool available) {
    applyTaskBarButton();
    emit trayAvailableChanged(available);
}

void TTaskBar::trayMessage(TrayMouse message) {
    const QPoint cursor = m_backend->cursorPosition();
    try {
        dispatch(message, cursor);
    } catch (const std::exception& error) {
        qWarning("tray event handler failed: %s", error.what());
    } catch (...) {
        qWarning("tray event handler failed");
    }
}

void TTaskBar::dispatch(TrayMouse message, const QPoint& cursor) {
    if (m_onTrayDblClick) {
        switch (message) {
        case TrayMouse::LeftDouble:
            m_onTrayDblClick(LeftButton);
            break;
        case TrayMouse::RightDouble:
            m_onTrayDblClick(RightButton);
            break;
        case TrayMouse::MiddleDouble:
            m_onTrayDblClick(MiddleButton);
            break;
        default:
            break;
        }
    }
    if (m_onTrayClick) {
        switch (message) {
        case TrayMouse::LeftDown:
            m_onTrayClick(LeftButton);
            break;
        case TrayMouse::RightDown:
            m_onTrayClick(RightButton);
            break;
        case TrayMouse::MiddleDown:
            m_onTrayClick(MiddleButton);
            break;
        default:
            break;
        }
    }
    // Read after the handlers: a handler may have deleted a menu.
    if (m_popupMenuLeft && message == TrayMouse::LeftUp)
        m_backend->popup(*m_popupMenuLeft, cursor);
    if (m_popupMenuMiddle && message == TrayMouse::MiddleUp)
        m_backend->popup(*m_popupMenuMiddle, cursor);
    if (m_popupMenuRight && message == TrayMouse::RightUp)
        m_backend->popup(*m_popupMenuRight, cursor);
}

} // namespace trevane
