#pragma once

#include <memory>

class QWidget;

namespace trevane {

// The window's button in the desktop's task bar, shown or hidden.
//
// On X11 the window carries the EWMH state _NET_WM_STATE_SKIP_TASKBAR while hidden. The state
// is set on the unmapped window just before every map (the window manager drops a window's
// states when it is withdrawn, so hiding to the tray and showing again would otherwise bring
// the button back), and asked of the window manager while the window is mapped. A window flag
// such as Qt::Tool is not used: task bars still list a utility window that has no parent, and
// changing flags re-creates the native window and changes how the program quits.
//
// Elsewhere (Wayland, the offscreen platform) there is no such hint; setShown() then does
// nothing and returns false.
class TaskBarEntry {
public:
    virtual ~TaskBarEntry() = default;

    // Shows or hides window's task-bar button from now on, also across hiding and showing the
    // window. window must outlive this object or be set again. Returns false where the
    // platform cannot hide it.
    virtual bool setShown(QWidget& window, bool shown) = 0;

    // The platform's implementation.
    static std::unique_ptr<TaskBarEntry> create();
};

} // namespace trevane
