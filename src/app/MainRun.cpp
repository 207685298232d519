// Run control: the job queue, handing job files to the background runner, the runner's
// operations on the main thread, the log panel and log file.

#include "app/DocumentDialogs.h"
#include "app/Mainunit.h"
#include "app/OptionsPanel.h"
#include "platform/PathConventions.h"

#include "app/LogPanel.h"
#include "dialogs/MessageBox.h"
#include "engine/BGCopyThread.h"
#include "engine/JobCommands.h"
#include "engine/StepResult.h"
#include "jobs/AtomicFile.h"
#include "platform/AppPaths.h"
#include "platform/DetachedLauncher.h"
#include "platform/TextCodec.h"
#include "tray/TaskBar.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>

namespace trevane {

void TMainForm::QueueJobFile(const std::string& path) {
    if (m_jobQueue.add(path))
        m_runnerHost.start();
    m_que->showQueue();
}

void TMainForm::OnRunnerTerminate() {
    m_runnerHost.ended();
    m_tray->setTip("Trevane");
    m_progress->hide();
    if (m_jobQueue.runnerEnded()) {
        m_runnerHost.start();
        return;
    }
    if (m_settings.bExitOnJobEnd)
        close();
}

void TMainForm::StartCopyClick() {
    if (QuerySaveChanges() == QMessageBox::Cancel)
        return;
    const std::string before = m_doc.path();
    if (!m_doc.readyToRun(documentDialogs(this)))
        return;
    if (m_doc.path() != before)
        m_cplFileList->refresh(m_doc.path());
    if (m_options->items()[JobOption::ClearDestination] &&
        MessageBox::critical(this, QStringLiteral("ｺﾋﾟｰ先をすべて消去してから開始しますか？"),
                             QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
        return;
    QueueJobFile(m_doc.path());
}

void TMainForm::StartJobFileClick() {
    ReadResult list = readWholeFile(m_files.registeredListPath(), Writers::OwnerOnlyAsRoot);
    if (list.status == ReadStatus::Refused)
        MessageBox::critical(this, QString::fromLocal8Bit(list.error));
    if (!list.ok())
        return;
    if (m_jobQueue.addBlock(list.bytes))
        m_runnerHost.start();
    m_que->showQueue();
}

void TMainForm::SendSelectedJobFileClick() {
    if (QuerySaveChanges() == QMessageBox::Cancel)
        return;
    const std::vector<std::string> selected = m_cplFileList->selectedNames();
    if (selected.empty()) {
        MessageBox::information(this, QStringLiteral("ジョブファイルを選択してください"));
        return;
    }
    for (const std::string& name : selected)
        QueueJobFile(name);
}

void TMainForm::StopCopyClick() {
    if (!m_jobQueue.stop())
        return;
    m_panels[0]->setText(QStringLiteral("Aborting..."));
    QApplication::processEvents();
}

void TMainForm::RestartCopyClick() {
    if (m_jobQueue.restart())
        m_runnerHost.start();
    m_que->showQueue();
}

void TMainForm::ClearQueClick() {
    m_jobQueue.clear();
    m_que->showQueue();
}

// --- the log ----------------------------------------------------------------------------------

bool TMainForm::SaveLogFile(const std::string& folder) {
    return m_log.save(PathConventions::native().join(folder, m_files.logName)).ok;
}

void TMainForm::ShowLogClick() {
    std::string command = JobCommands::quoted(m_settings.asApplicationFullPath) + " " +
                          JobCommands::quoted(m_files.logPath());
    // The default viewer, xdg-open, is watched: it fails after it started when the desktop has
    // no program for the log.
    if (m_settings.asApplicationFullPath == "xdg-open") {
        (void)startDetached(command, QString::fromLocal8Bit(m_files.logPath()));
        return;
    }
    if (!startDetached(command)) {
        MessageBox::warning(
            this, QStringLiteral("ログファイルが開けません。\n ビューアを指定してください"));
        OptionClick();
    }
}

} // namespace trevane
