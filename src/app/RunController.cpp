#include "app/RunController.h"

#include "app/DocumentDialogs.h"
#include "app/JobFileController.h"
#include "app/JobFileList.h"
#include "dialogs/MessageBox.h"
#include "engine/Clock.h"
#include "jobs/AtomicFile.h"
#include "platform/TextCodec.h"

#include <QApplication>

namespace trevane {

RunController::RunController(JobQueue& queue, JobFileController& jobFiles, JobDocument& doc,
                             const ProgramFiles& files, const Settings& settings, JobFileList& list,
                             QWidget* dialogParent, std::function<void()> startRunner,
                             QObject* parent)
    : QObject(parent), m_jobQueue(queue), m_jobFiles(jobFiles), m_doc(doc), m_files(files),
      m_settings(settings), m_list(list), m_dialogParent(dialogParent),
      m_startRunner(std::move(startRunner)), m_clock(&Clock::system()) {}

void RunController::QueueJobFile(const std::string& path) {
    if (m_jobQueue.add(path))
        m_startRunner();
    emit queueChanged();
}

void RunController::OnRunnerTerminate() {
    emit runnerEnded();
    if (m_jobQueue.runnerEnded()) {
        m_startRunner();
        return;
    }
    if (m_settings.bExitOnJobEnd)
        emit closeRequested();
}

void RunController::StartCopyClick() {
    if (m_jobFiles.QuerySaveChanges() == QMessageBox::Cancel)
        return;
    const std::string before = m_doc.path();
    if (!m_doc.readyToRun(documentDialogs(m_dialogParent)))
        return;
    if (m_doc.path() != before)
        m_list.refresh(m_doc.path());
    if (m_doc.options().items[JobOption::ClearDestination] &&
        MessageBox::critical(m_dialogParent,
                             QStringLiteral("ｺﾋﾟｰ先をすべて消去してから開始しますか？"),
                             QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
        return;
    QueueJobFile(m_doc.path());
}

void RunController::StartJobFileClick() {
    ReadResult list = readWholeFile(m_files.registeredListPath(), Writers::OwnerOnlyAsRoot);
    if (list.status == ReadStatus::Refused)
        MessageBox::critical(m_dialogParent, QString::fromLocal8Bit(list.error));
    if (!list.ok())
        return;
    if (m_jobQueue.addBlock(list.bytes))
        m_startRunner();
    emit queueChanged();
}

void RunController::SendSelectedJobFileClick() {
    if (m_jobFiles.QuerySaveChanges() == QMessageBox::Cancel)
        return;
    const std::vector<std::string> selected = m_list.selectedNames();
    if (selected.empty()) {
        MessageBox::information(m_dialogParent, QStringLiteral("ジョブファイルを選択してください"));
        return;
    }
    for (const std::string& name : selected)
        QueueJobFile(name);
}

void RunController::StopCopyClick() {
    if (!m_jobQueue.stop())
        return;
    emit stopping();
    QApplication::processEvents();
}

void RunController::RestartCopyClick() {
    if (m_jobQueue.restart())
        m_startRunner();
    emit queueChanged();
}

void RunController::ClearQueClick() {
    m_jobQueue.clear();
    emit queueChanged();
}

void RunController::setClock(Clock* clock) {
    m_clock = clock ? clock : &Clock::system();
}

void RunController::TimerOnOffClick() {
    TimerScheduler::Toggle result =
        m_scheduler.toggle(m_clock->now(), TimerSlots::fromSettings(m_settings));
    if (result == TimerScheduler::Toggle::NoStartTime) {
        MessageBox::information(m_dialogParent, toQString(TimerScheduler::NoTimeMessage));
        return;
    }
    emit timerChanged();
}

void RunController::TimerTimer() {
    QApplication::processEvents();
    TimerScheduler::Tick result = m_scheduler.tick(
        m_clock->now(), TimerSlots::fromSettings(m_settings), [this] { StartJobFileClick(); });
    if (result != TimerScheduler::Tick::NotDue)
        emit timerChanged();
}

} // namespace trevane
