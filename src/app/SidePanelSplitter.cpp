#include "app/SidePanelSplitter.h"

namespace trevane {

SidePanelSplitter::SidePanelSplitter(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {}

int SidePanelSplitter::leftWidth() const {
    return sizes().value(0);
}

void SidePanelSplitter::setLeftWidth(int width) {
    int total = qMax(1, this->width());
    if (sizes().value(0) + sizes().value(1) > 0)
        total = sizes().value(0) + sizes().value(1);
    width = qBound(0, width, total);
    setSizes({width, total - width});
}

} // namespace trevane
