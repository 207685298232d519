// The dialogs the main window opens, and the tray icon.

#include "app/JobTableModel.h"
#include "app/Mainunit.h"
#include "platform/PathConventions.h"

#include "dialogs/Optionunit.h"
#include "dialogs/Setkeyunit.h"
#include "dialogs/Sfxunit.h"
#include "dialogs/TAboutBox.h"
#include "engine/Commandunit.h"
#include "engine/JobCommands.h"
#include "engine/UnlhaLibrary.h"
#include "platform/AppPaths.h"
#include "platform/DetachedLauncher.h"
#include "platform/TextCodec.h"
#include "tray/TaskBar.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>

namespace trevane {

std::string TMainForm::keyListFilePath() const {
    return PathConventions::native().join(m_programFolder, m_keyListFileName);
}

void TMainForm::OptionClick() {
    TOptionDlg dialog(m_settings, m_programFolder, m_jobFileFolder, m_cplFileList->names(), this);
    if (dialog.exec() == QDialog::Accepted)
        m_settings.asApplicationFullPath = dialog.viewer();
}

void TMainForm::AboutClick() {
    TAboutBox box(
        helpFilePath(), m_programFolder,
        [this](const std::string& path) {
            (void)startDetached("xdg-open " + JobCommands::quoted(path));
        },
        this);
    box.exec();
}

void TMainForm::SetShortCutKeyClick() {
    {
        TSetKeyDlg dialog(menuBar(), keyListFilePath(), this);
        dialog.exec();
    }
    ApplyKeyList(menuBar(), keyListFilePath());
}

void TMainForm::MakeSFXClick() {
    UnlhaLibrary archiver(UnlhaLibrary::beside(helperFolder()));
    std::unique_ptr<DetachedLauncher> launcher = DetachedLauncher::createNative(helperFolder());
    QModelIndex current = m_grid->currentIndex();
    int row = current.isValid() ? JobTableModel::tableRow(current) : 1;
    TSfxDlg::Services services{m_programFolder, archiver, *launcher,
                               [this](const std::string& line) { AppendLogLine(line); },
                               [this](const std::string& folder) { SaveLogFile(folder); }};
    TSfxDlg dialog(m_doc.table(), row, services, this);
    dialog.exec();
}

void TMainForm::ShowCommandClick() {
    TCommandForm::Input input{m_doc.table(), m_switches.xcopy, m_switches.u, currentStamp(),
                              m_doc.path()};
    TCommandForm::showPreview(this, input, [this] { StartCopyClick(); });
}

void TMainForm::buildTray() {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("pmTaskTray"));
    menu->addAction(QStringLiteral("開いているジョブの実行"), this, &TMainForm::StartCopyClick);
    menu->addAction(QStringLiteral("登録ジョブの実行"), this, &TMainForm::StartJobFileClick);
    menu->addSeparator();
    menu->addAction(QStringLiteral("実行待ちジョブの中止"), this, &TMainForm::StopCopyClick);
    menu->addSeparator();
    QAction* timer =
        menu->addAction(QStringLiteral("タイマー起動"), this, &TMainForm::TimerOnOffClick);
    timer->setObjectName(QStringLiteral("TrayTimerOnOff"));
    m_actions.insert(QStringLiteral("TrayTimerOnOff"), timer);
    menu->addSeparator();
    menu->addAction(QStringLiteral("メインウインドウの表示/非表示"), this,
                    &TMainForm::HideWindowClick);
    menu->addSeparator();
    menu->addAction(QStringLiteral("オプション設定"), this, &TMainForm::OptionClick);
    menu->addAction(QStringLiteral("トピックスの検索"), this, &TMainForm::TopicsClick);
    menu->addAction(QStringLiteral("Trevanについて"), this, &TMainForm::AboutClick);
    menu->addAction(QStringLiteral("Trevanの終了"), this, &QWidget::close);
    m_trayMenu = menu;

    m_taskBar = new TTaskBar(this, this);
    m_taskBar->setObjectName(QStringLiteral("TaskBar"));
    m_taskBar->setEnableTaskBar(false);
    m_taskBar->setEnableTaskTray(true);
    m_taskBar->setTips("Trevane");
    m_taskBar->setOnTrayClick([this](int button) { TaskBarTrayClick(button); });
    m_taskBar->setOnTrayDblClick([this](int button) { TaskBarTrayDblClick(button); });
    m_taskBar->setPopupMenuRight(menu);
    m_taskBar->loaded();
}

bool TMainForm::hasTrayIcon() const {
    return m_taskBar && m_taskBar->isTrayIconShown();
}

} // namespace trevane
