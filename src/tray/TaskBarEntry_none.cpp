#include "tray/TaskBarEntry.h"

namespace trevane {
namespace {

// Built where the X11 client library is missing: the button cannot be hidden.
class NoTaskBarEntry : public TaskBarEntry {
public:
    bool setShown(QWidget&, bool) override { return false; }
};

} // namespace

std::unique_ptr<TaskBarEntry> TaskBarEntry::create() {
    return std::make_unique<NoTaskBarEntry>();
}

} // namespace trevane
