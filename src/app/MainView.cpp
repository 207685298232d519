// Window and view commands: Explorer, help, hiding to the tray, tray actions, the job-file list
// panel and the look of the tool bars.

#include "app/Mainunit.h"
#include "app/SidePanelSplitter.h"
#include "engine/JobCommands.h"
#include "platform/PathConventions.h"

#include "jobs/IniFile.h"
#include "platform/AppPaths.h"
#include "platform/DetachedLauncher.h"
#include "platform/TextCodec.h"

#include <QAction>
#include <QApplication>
#include <QSessionManager>
#include <QSplitter>

namespace trevane {

bool TMainForm::startDetached(const std::string& commandLine) {
    std::string error;
    return DetachedLauncher::createNative(helperFolder())->start(commandLine, &error);
}

void TMainForm::ExecExplorerClick() {
    // A folder window through the desktop's file manager; a failure is not reported.
    (void)startDetached(JobCommands::folderWindowCommand(m_lastFolder));
}

std::string TMainForm::helpFilePath() const {
    return PathConventions::native().join(helperFolder(), HelpFileName);
}

void TMainForm::TopicsClick() {
    (void)startDetached(JobCommands::quoted(m_settings.asApplicationFullPath) + " " +
                        JobCommands::quoted(helpFilePath()));
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
