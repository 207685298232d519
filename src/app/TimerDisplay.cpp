#include "app/TimerDisplay.h"

#include "jobs/TimerScheduler.h"
#include "platform/TextCodec.h"

#include <QAction>
#include <QLabel>
#include <QTimer>

namespace trevane {

TimerDisplay::TimerDisplay(QObject& owner, QLabel* label, QAction* menuItem, QAction* trayItem)
    : QObject(&owner), m_label(label), m_menuItem(menuItem), m_trayItem(trayItem),
      m_timer(new QTimer(this)) {
    m_timer->setObjectName(QStringLiteral("Timer"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &TimerDisplay::tick);
    // The palette's link colour is blue, and stays readable under a dark theme.
    m_label->setStyleSheet(QStringLiteral("QLabel { color: palette(link); font-weight: bold; }"));
}

void TimerDisplay::show(const TimerScheduler& scheduler) {
    const bool on = scheduler.isOn();
    m_label->setText(toQString(scheduler.label()));
    m_menuItem->setText(toQString(TimerScheduler::menuCaption(on)));
    m_trayItem->setText(toQString(TimerScheduler::trayCaption(on)));
    if (on && !m_timer->isActive())
        m_timer->start();
    else if (!on)
        m_timer->stop();
}

} // namespace trevane
