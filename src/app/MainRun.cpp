// Run control: the queue panel, handing job files to the background runner, the runner's
// operations on the main thread, the log panel and log file.

#include "app/Mainunit.h"

#include "dialogs/MessageBox.h"
#include "engine/BGCopyThread.h"
#include "jobs/AtomicFile.h"
#include "jobs/CommaText.h"
#include "platform/AppPaths.h"
#include "platform/DetachedLauncher.h"
#include "platform/TextCodec.h"
#include "tray/TaskBar.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTextBlock>
#include <QTextEdit>

namespace trevane {

namespace {
bool sameName(const std::string& a, const std::string& b) {
    return toQString(a).compare(toQString(b), Qt::CaseInsensitive) == 0;
}
} // namespace

// --- the queue panel ------------------------------------------------------------------------

void TMainForm::showQueue() {
    QStringList lines;
    for (const std::string& name : m_queue)
        lines.append(toQString(name));
    m_que->setPlainText(lines.join(QLatin1Char('\n')));
    if (!m_queue.empty() && m_queueHeadColor.isValid()) {
        QTextCursor head(m_que->document()->firstBlock());
        head.select(QTextCursor::BlockUnderCursor);
        QTextCharFormat format;
        format.setForeground(m_queueHeadColor);
        head.mergeCharFormat(format);
    }
}

QColor TMainForm::queueHeadColor() const { return m_queueHeadColor; }

void TMainForm::QueueJobFile(const std::string& path) {
    m_continueRun = true;
    std::string name = PathConventions::native().fileName(path);
    bool queued = std::any_of(m_queue.begin(), m_queue.end(),
                              [&](const std::string& line) { return sameName(line, name); });
    if (!queued) {
        m_queue.push_back(name);
        showQueue();
    }
    if (!m_runner) {
        // The runner's first step waits for this thread, so the end event is connected in time.
        m_runner = new TBGCopyThread(*this);
        connect(m_runner, &TBGCopyThread::OnTerminate, this, &TMainForm::OnRunnerTerminate);
    }
}

void TMainForm::OnRunnerTerminate() {
    m_runner = nullptr;
    setTrayTip("Trevane");
    // A name queued after the runner's last look at the queue, while it was ending, would
    // otherwise wait for the next start: hand it to a new runner.
    if (m_continueRun && !m_queue.empty()) {
        QueueJobFile(m_queue.front());
        return;
    }
    if (m_settings.bExitOnJobEnd)
        close();
}

void TMainForm::StartCopyClick() {
    if (QuerySaveChanges() == QMessageBox::Cancel)
        return;
    if (m_optionList->item(7)->checkState() == Qt::Checked &&
        MessageBox::critical(this, QStringLiteral("ｺﾋﾟｰ先をすべて消去してから開始しますか？"),
                             QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
        return;
    QueueJobFile(m_currentFile);
}

void TMainForm::StartJobFileClick() {
    ReadResult list = readWholeFile(m_programFolder + "/" + m_bgCopyListFileName);
    if (!list.ok())
        return;
    // The whole text, without leading and trailing blanks and line breaks, is appended as a
    // block: every line of it one queue line, already queued names included.
    const std::string& text = list.bytes;
    const char* blanks = " \t\r\n";
    auto first = text.find_first_not_of(blanks);
    if (first != std::string::npos) {
        auto last = text.find_last_not_of(blanks);
        for (std::string& name : splitLines(std::string_view(text).substr(first, last - first + 1)))
            m_queue.push_back(std::move(name));
        showQueue();
    }
    if (!m_runner && !m_queue.empty())
        QueueJobFile(m_queue.front());
}

void TMainForm::SendSelectedJobFileClick() {
    if (QuerySaveChanges() == QMessageBox::Cancel)
        return;
    QList<QListWidgetItem*> selected = m_cplFileList->selectedItems();
    if (selected.isEmpty()) {
        MessageBox::information(this, QStringLiteral("ジョブファイルを選択してください"));
        return;
    }
    std::sort(selected.begin(), selected.end(), [this](QListWidgetItem* a, QListWidgetItem* b) {
        return m_cplFileList->row(a) < m_cplFileList->row(b);
    });
    for (QListWidgetItem* item : selected)
        QueueJobFile(toBytes(item->text()));
}

void TMainForm::StopCopyClick() {
    if (!m_continueRun)
        return;
    m_panels[0]->setText(QStringLiteral("Aborting..."));
    m_continueRun = false;
    QApplication::processEvents();
}

void TMainForm::RestartCopyClick() {
    if (m_queue.empty())
        return;
    QueueJobFile(m_queue.front());
}

void TMainForm::ClearQueClick() {
    if (m_runner) {
        if (m_queue.size() > 1)
            m_queue.resize(1);
    } else {
        m_queue.clear();
        m_queueHeadColor = QColor();
    }
    showQueue();
}

bool TMainForm::runnerHasQueuedWork() const { return m_runner && !m_queue.empty(); }

void TMainForm::waitForRunner() {
    // The runner may be waiting inside a synchronized call, so keep serving events.
    // Its end event arrives through the event queue after the thread has finished.
    while (m_runner) {
        m_runner->wait(10);
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// --- the log ----------------------------------------------------------------------------------

bool TMainForm::SaveLogFile(const std::string& folder) {
    return m_log.save(folder + "/" + m_logFileName).ok;
}

void TMainForm::ShowLogClick() {
    std::string command = "\"" + m_settings.asApplicationFullPath + "\" \"" + m_programFolder +
                          "/" + m_logFileName + "\"";
    if (!startDetached(command)) {
        MessageBox::warning(this, QStringLiteral("ログファイルが開けません。\n ビューアを指定してください"));
        OptionClick();
    }
}

// --- the runner's operations, run on the main thread ----------------------------------------

RunnerSettings TMainForm::copySettings() {
    RunnerSettings copy;
    copy.programFolder = m_programFolder;
    copy.settingsFileName = m_settingsFileName;
    copy.logFileName = m_logFileName;
    copy.maxLogLines = m_settings.iMaxLog;
    copy.isWinNT = m_isWinNT;
    copy.captureOutput = m_settings.bAddLog;
    copy.dateTimeFormat = m_settings.asDateTimeFormat;
    return copy;
}

bool TMainForm::checkRunAllowed() { return !m_queue.empty() && m_continueRun; }

std::optional<std::string> TMainForm::markQueueHead() {
    if (m_queue.empty())
        return std::nullopt;
    m_queueHeadColor = QColor(Qt::red);
    showQueue();
    m_que->setTextCursor(QTextCursor(m_que->document()));
    return m_queue.front();
}

void TMainForm::removeQueueHead() {
    if (m_queue.empty())
        return;
    m_queue.erase(m_queue.begin());
    m_queueHeadColor = QColor();
    showQueue();
}

void TMainForm::reportAbort() {
    if (m_queue.empty())
        return;
    m_queueHeadColor = QColor(Qt::black);
    showQueue();
}

void TMainForm::hideMainWindow() { hideToTray(); }

void TMainForm::addLogLine(const std::string& message, int maxLogLines) {
    AppendLogLine(message, maxLogLines);
}

void TMainForm::addLogLines(const std::vector<LogLines::Entry>& entries) {
    showLogChange(m_log.append(entries));
}

RunnerHost::SaveResult TMainForm::saveLogPanel(const std::string& path) {
    WriteResult written = m_log.save(path);
    return {written.ok, written.error};
}

void TMainForm::showState(const std::string& state) {
    m_panels[0]->setText(toQString(state));
    setTrayTip(runningTrayTip(m_queue.empty() ? std::string() : m_queue.front()));
}

void TMainForm::showFatalMessage(const std::string& message) {
    MessageBox::critical(this, toQString(message));
}

void TMainForm::setTrayTip(const std::string& tip) {
    if (m_taskBar)
        m_taskBar->setTips(tip);
}

void TMainForm::buildQueueMenu() {
    m_que->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* menu = new QMenu(m_que);
    menu->setObjectName(QStringLiteral("pmQue"));
    menu->addAction(QStringLiteral("コピー中止"), this, &TMainForm::StopCopyClick);
    menu->addAction(QStringLiteral("コピー再開"), this, &TMainForm::RestartCopyClick);
    menu->addSeparator();
    menu->addAction(QStringLiteral("すべて消去"), this, &TMainForm::ClearQueClick);
    connect(m_que, &QWidget::customContextMenuRequested, menu,
            [this, menu](const QPoint& at) { menu->popup(m_que->mapToGlobal(at)); });
}

} // namespace trevane
