#pragma once

#include <QObject>

class QAction;
class QLabel;
class QTimer;

namespace trevane {

class TimerScheduler;

// The widget side of the start timer: the tool band's label (blue and bold), the captions of
// the menu's and the tray menu's timer items, and the one-second tick (Timer) that runs while
// the scheduler is on. The label and items must outlive it.
class TimerDisplay : public QObject {
    Q_OBJECT

public:
    TimerDisplay(QObject& owner, QLabel* label, QAction* menuItem, QAction* trayItem);

    // The scheduler's label and captions; starts the tick when it is on, stops it when off.
    void show(const TimerScheduler& scheduler);

signals:
    // Once a second while the scheduler is on.
    void tick();

private:
    QLabel* m_label;
    QAction* m_menuItem;
    QAction* m_trayItem;
    QTimer* m_timer;
};

} // namespace trevane
