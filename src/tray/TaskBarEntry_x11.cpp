#include "tray/TaskBarEntry.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>
#include <xcb/xcb.h>

namespace trevane {
namespace {

// Where the program does not run on X11 (Wayland, offscreen) the button cannot be hidden.
class NoTaskBarEntry : public TaskBarEntry {
public:
    bool setShown(QWidget&, bool) override { return false; }
};

class NetWmTaskBarEntry : public QObject, public TaskBarEntry {
public:
    explicit NetWmTaskBarEntry(xcb_connection_t* connection) : m_connection(connection) {
        m_state = atom("_NET_WM_STATE");
        m_skipTaskbar = atom("_NET_WM_STATE_SKIP_TASKBAR");
    }

    ~NetWmTaskBarEntry() override {
        if (m_window)
            m_window->removeEventFilter(this);
    }

    bool setShown(QWidget& window, bool shown) override {
        if (m_window != &window) {
            if (m_window)
                m_window->removeEventFilter(this);
            m_window = &window;
            window.installEventFilter(this);
        }
        m_skip = !shown;
        if (m_state == XCB_ATOM_NONE || m_skipTaskbar == XCB_ATOM_NONE)
            return false;
        if (window.testAttribute(Qt::WA_WState_Created)) {
            const auto id = static_cast<xcb_window_t>(window.winId());
            if (window.isVisible())
                askWindowManager(id);
            else
                writeStateProperty(id);
        }
        return true;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // The show event comes before the native window is mapped; the state written now is
        // merged by Qt into the states it sets at mapping.
        if (watched == m_window && event->type() == QEvent::Show && m_window->isWindow())
            writeStateProperty(static_cast<xcb_window_t>(m_window->winId()));
        return false;
    }

private:
    xcb_atom_t atom(const char* name) {
        const auto cookie =
            xcb_intern_atom(m_connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(m_connection, cookie, nullptr), &std::free);
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    // A window that is not mapped owns its _NET_WM_STATE property.
    void writeStateProperty(xcb_window_t window) {
        const auto cookie =
            xcb_get_property(m_connection, 0, window, m_state, XCB_ATOM_ATOM, 0, 1024);
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(m_connection, cookie, nullptr), &std::free);
        std::vector<xcb_atom_t> states;
        if (reply && reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
            const auto* values =
                static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
            const int count = xcb_get_property_value_length(reply.get()) / 4;
            states.assign(values, values + count);
        }
        std::erase(states, m_skipTaskbar);
        if (m_skip)
            states.push_back(m_skipTaskbar);
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, m_state, XCB_ATOM_ATOM, 32,
                            static_cast<uint32_t>(states.size()), states.data());
        xcb_flush(m_connection);
    }

    // A mapped window's states belong to the window manager; EWMH has clients ask by a client
    // message to the root window.
    void askWindowManager(xcb_window_t window) {
        const auto cookie = xcb_get_geometry(m_connection, window);
        std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> geometry(
            xcb_get_geometry_reply(m_connection, cookie, nullptr), &std::free);
        if (!geometry)
            return;
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = m_state;
        message.data.data32[0] = m_skip ? 1 : 0; // _NET_WM_STATE_ADD / _REMOVE
        message.data.data32[1] = m_skipTaskbar;
        message.data.data32[2] = 0;
        message.data.data32[3] = 1; // from a normal application
        xcb_send_event(m_connection, 0, geometry->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(m_connection);
    }

    xcb_connection_t* m_connection;
    xcb_atom_t m_state = XCB_ATOM_NONE;
    xcb_atom_t m_skipTaskbar = XCB_ATOM_NONE;
    QPointer<QWidget> m_window;
    bool m_skip = false;
};

} // namespace

std::unique_ptr<TaskBarEntry> TaskBarEntry::create() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 && x11->connection())
        return std::make_unique<NetWmTaskBarEntry>(x11->connection());
    return std::make_unique<NoTaskBarEntry>();
}

} // namespace trevane
