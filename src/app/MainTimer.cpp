// The timer that starts the registered job files at set times of day.

#include "app/Mainunit.h"

#include "dialogs/MessageBox.h"
#include "engine/Clock.h"
#include "platform/TextCodec.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTimer>

namespace trevane {

void TMainForm::buildTimer() {
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &TMainForm::TimerTimer);
    m_layout.timerLabel()->setStyleSheet(QStringLiteral("QLabel { color: blue; font-weight: bold; }"));
    connect(m_actions.value("TimerOnOff"), &QAction::triggered, this, &TMainForm::TimerOnOffClick);
}

void TMainForm::setClock(Clock* clock) { m_clock = clock ? clock : &Clock::system(); }

void TMainForm::showTimerState() {
    bool on = m_scheduler.isOn();
    m_layout.timerLabel()->setText(toQString(m_scheduler.label()));
    m_actions.value("TimerOnOff")->setText(toQString(TimerScheduler::menuCaption(on)));
    if (QAction* tray = m_actions.value("TrayTimerOnOff"))
        tray->setText(toQString(TimerScheduler::trayCaption(on)));
    if (on && !m_timer->isActive())
        m_timer->start();
    else if (!on)
        m_timer->stop();
}

void TMainForm::TimerOnOffClick() {
    TimerScheduler::Toggle result =
        m_scheduler.toggle(m_clock->now(), TimerSlots::fromSettings(m_settings));
    if (result == TimerScheduler::Toggle::NoStartTime) {
        MessageBox::information(this, toQString(TimerScheduler::NoTimeMessage));
        return;
    }
    showTimerState();
}

void TMainForm::TimerTimer() {
    QApplication::processEvents();
    TimerScheduler::Tick result = m_scheduler.tick(m_clock->now(), TimerSlots::fromSettings(m_settings),
                                                   [this] { StartJobFileClick(); });
    if (result != TimerScheduler::Tick::NotDue)
        showTimerState();
}

} // namespace trevane
