#include "app/TrayIcon.h"

#include "tray/TaskBar.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace trevane {

TrayIcon::TrayIcon(QWidget& window) : QObject(&window), m_menu(new QMenu(&window)) {
    m_menu->setObjectName(QStringLiteral("pmTaskTray"));
    m_menu->addAction(QStringLiteral("開いているジョブの実行"), this, &TrayIcon::startOpenClicked);
    m_menu->addAction(QStringLiteral("登録ジョブの実行"), this, &TrayIcon::startListClicked);
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("実行待ちジョブの中止"), this, &TrayIcon::stopClicked);
    m_menu->addSeparator();
    m_timerItem = m_menu->addAction(QStringLiteral("タイマー起動"), this, &TrayIcon::timerClicked);
    m_timerItem->setObjectName(QStringLiteral("TrayTimerOnOff"));
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("メインウインドウの表示/非表示"), this,
                      &TrayIcon::showHideClicked);
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("オプション設定"), this, &TrayIcon::optionClicked);
    m_menu->addAction(QStringLiteral("トピックスの検索"), this, &TrayIcon::topicsClicked);
    m_menu->addAction(QStringLiteral("Trevanについて"), this, &TrayIcon::aboutClicked);
    m_menu->addAction(QStringLiteral("Trevanの終了"), this, &TrayIcon::exitClicked);

    m_taskBar = new TTaskBar(&window, this);
    m_taskBar->setObjectName(QStringLiteral("TaskBar"));
    m_taskBar->setEnableTaskBar(false);
    m_taskBar->setEnableTaskTray(true);
    m_taskBar->setTips("Trevane");
    m_taskBar->setOnTrayClick([this](int button) { emit clicked(button); });
    m_taskBar->setOnTrayDblClick([this](int button) { emit doubleClicked(button); });
    m_taskBar->setPopupMenuRight(m_menu);
    m_taskBar->loaded();
}

bool TrayIcon::isShown() const {
    return m_taskBar->isTrayIconShown();
}

void TrayIcon::setTip(const std::string& tip) {
    m_taskBar->setTips(tip);
}

void TrayIcon::runAction(int action) {
    switch (action) {
    case 1:
        emit showHideClicked();
        break;
    case 2:
        emit startOpenClicked();
        break;
    case 3:
        emit startListClicked();
        break;
    default:
        break; // 0 and unknown values do nothing
    }
}

} // namespace trevane
