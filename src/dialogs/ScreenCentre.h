#pragma once

#include <QScreen>
#include <QWidget>

namespace trevane {

// Moves a window so that it stands in the middle of the screen's free area (the dialogs that
// open "centred"). Nothing happens without a screen.
inline void centreOnScreen(QWidget* window, const QScreen* screen) {
    if (!screen)
        return;
    QRect frame(QPoint(), window->size());
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

} // namespace trevane
