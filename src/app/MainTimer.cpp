// The timer that starts the registered job files at set times of day.

#include "app/Mainunit.h"

#include "dialogs/MessageBox.h"
#include "engine/Clock.h"
#include "platform/TextCodec.h"

#include <QApplication>

namespace trevane {

void TMainForm::setClock(Clock* clock) {
    m_clock = clock ? clock : &Clock::system();
}

void TMainForm::TimerOnOffClick() {
    TimerScheduler::Toggle result =
        m_scheduler.toggle(m_clock->now(), TimerSlots::fromSettings(m_settings));
    if (result == TimerScheduler::Toggle::NoStartTime) {
        MessageBox::information(this, toQString(TimerScheduler::NoTimeMessage));
        return;
    }
    m_timerDisplay->show(m_scheduler);
}

void TMainForm::TimerTimer() {
    QApplication::processEvents();
    TimerScheduler::Tick result = m_scheduler.tick(
        m_clock->now(), TimerSlots::fromSettings(m_settings), [this] { StartJobFileClick(); });
    if (result != TimerScheduler::Tick::NotDue)
        m_timerDisplay->show(m_scheduler);
}

} // namespace trevane
