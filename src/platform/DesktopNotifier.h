#pragma once

#include <memory>
#include <string>

namespace trevane {

// Tells the user something through the desktop's notification service (the pop-up notices of
// the desktop, also when the program has no window or tray icon).
class DesktopNotifier {
public:
    virtual ~DesktopNotifier() = default;

    // Shows one notice from "Trevane" with summary and body (locale code page). False when no
    // notification service took it (no session bus, no service, no answer in time).
    virtual bool notify(const std::string& summary, const std::string& body) = 0;

    // The notifier of the user's session bus. Without a session bus its notify does nothing
    // and returns false, without starting one.
    static std::unique_ptr<DesktopNotifier> sessionBus();
};

} // namespace trevane
