// Window and view commands: Explorer, help, hiding to the tray, tray actions, the job-file list
// panel and the look of the tool bars.

#include "app/Mainunit.h"
#include "app/SidePanelSplitter.h"
#include "engine/JobCommands.h"
#include "platform/PathConventions.h"

#include "CommandWords.h"
#include "dialogs/MessageBox.h"
#include "jobs/IniFile.h"
#include "platform/AppPaths.h"
#include "platform/DetachedLauncher.h"
#include "platform/TextCodec.h"

#include <QAction>
#include <QApplication>
#include <QProcess>
#include <QSessionManager>
#include <QSplitter>

namespace trevane {

bool TMainForm::startDetached(const std::string& commandLine, const QString& what) {
    const CommandWords line = CommandWords::split(commandLine);
    if (!what.isEmpty() && !line.unclosedQuote && !line.words.empty() &&
        line.words.front() == "xdg-open") {
        // Watched, not detached: its exit status is the only word of a failure. It is parented
        // to the application, so it outlives this call and deletes itself when it ends.
        auto* process = new QProcess(qApp);
        QStringList arguments;
        for (std::size_t i = 1; i < line.words.size(); ++i)
            arguments << QString::fromLocal8Bit(line.words[i]);
        process->setStandardInputFile(QProcess::nullDevice());
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        connect(process, &QProcess::finished, this,
                [this, process, what](int code, QProcess::ExitStatus status) {
                    process->deleteLater();
                    if (status != QProcess::NormalExit || code != 0)
                        MessageBox::warning(
                            this,
                            what + QStringLiteral("を開けませんでした。(xdg-open 終了コード %1)")
                                       .arg(status == QProcess::NormalExit ? code : -1));
                });
        connect(process, &QProcess::errorOccurred, this,
                [this, process, what](QProcess::ProcessError error) {
                    if (error != QProcess::FailedToStart)
                        return;
                    process->deleteLater();
                    MessageBox::warning(
                        this,
                        what + QStringLiteral("を開けませんでした。(xdg-open を起動できません)"));
                });
        process->start(QStringLiteral("xdg-open"), arguments);
        return true;
    }
    std::string error;
    const bool started = DetachedLauncher::createNative(helperFolder())->start(commandLine, &error);
    if (!started && !what.isEmpty())
        MessageBox::warning(this, what + QStringLiteral("を開けませんでした。(") +
                                      QString::fromLocal8Bit(error) + QStringLiteral(")"));
    return started;
}

void TMainForm::ExecExplorerClick() {
    // A folder window through the desktop's file manager.
    (void)startDetached(JobCommands::folderWindowCommand(m_lastFolder),
                        QString::fromLocal8Bit(m_lastFolder));
}

std::string TMainForm::helpFilePath() const {
    return PathConventions::native().join(helperFolder(), HelpFileName);
}

void TMainForm::TopicsClick() {
    (void)startDetached(JobCommands::quoted(m_settings.asApplicationFullPath) + " " +
                            JobCommands::quoted(helpFilePath()),
                        QString::fromLocal8Bit(helpFilePath()));
}

bool TMainForm::SessionEndQuery(bool mayAsk) {
    return !mayAsk || FormCloseQuery();
}

void TMainForm::installSessionEnd() {
    // A session that ends closes no window, so the question closing asks comes from here.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
        if (!SessionEndQuery(manager.allowsInteraction()))
            manager.cancel();
        manager.release();
    });
}

void TMainForm::hideToTray() {
    if (m_tray->isShown())
        hide();
    else
        showMinimized();
}

void TMainForm::HideWindowClick() {
    if (isVisible() && !isMinimized()) {
        hideToTray();
        return;
    }
    showNormal();
    raise();
    activateWindow();
}

void TMainForm::TaskBarTrayClick(int button) {
    if (button == 0)
        m_tray->runAction(m_settings.iTaskTrayClick);
}

void TMainForm::TaskBarTrayDblClick(int button) {
    if (button == 0)
        m_tray->runAction(m_settings.iTaskTrayDblClick);
}

void TMainForm::ShowLeftPanelClick() {
    // The remembered width is a convenience: an unreadable or unwritable settings file only
    // loses it (and is never written over).
    IniFile ini;
    (void)ini.load(m_files.settingsPath());
    QAction* item = m_actions.value("ShowLeftPanel");
    int width = m_mainSplitter->leftWidth();
    if (width < 1) {
        m_mainSplitter->setLeftWidth(readOldLeftPanelWidth(ini, width));
        item->setChecked(true);
    } else {
        writeOldLeftPanelWidth(ini, width);
        (void)ini.save();
        item->setChecked(false);
        m_mainSplitter->setLeftWidth(0);
    }
    m_settings.bShowLeftPanel = item->isChecked();
}

void TMainForm::ShowCaptionClick() {
    m_settings.bShowCaption = !m_settings.bShowCaption;
    m_actions.value("ShowCaption")->setChecked(m_settings.bShowCaption);
    m_layout.applyToolBarLook();
}

void TMainForm::FlatButtonClick() {
    m_settings.bFlatButton = !m_settings.bFlatButton;
    m_actions.value("FlatButton")->setChecked(m_settings.bFlatButton);
    m_layout.applyToolBarLook();
}

} // namespace trevane
