#include "app/ViewController.h"

#include "PathConventions.h"
#include "app/HelpController.h"
#include "app/MainWindowBars.h"
#include "app/SidePanelSplitter.h"
#include "app/TableEditController.h"
#include "app/TrayIcon.h"
#include "engine/JobCommands.h"

#include "CommandWords.h"
#include "dialogs/MessageBox.h"
#include "jobs/IniFile.h"
#include "platform/AppPaths.h"
#include "platform/DetachedLauncher.h"
#include "platform/TextCodec.h"

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QSplitter>

namespace trevane {

ViewController::ViewController(QWidget& window, TrayIcon& tray, Settings& settings,
                               const ProgramFiles& files, SidePanelSplitter& mainSplitter,
                               const QMap<QString, QAction*>& actions, MainWindowBars& bars,
                               const TableEditController& tableEdit, QObject* parent)
    : QObject(parent), m_window(window), m_tray(tray), m_settings(settings), m_files(files),
      m_mainSplitter(mainSplitter), m_actions(actions), m_bars(bars), m_tableEdit(tableEdit),
      m_help(new HelpController(
          window,
          [&actions] {
              QAction* topics = actions.value(QStringLiteral("Topics"));
              return topics != nullptr ? topics->shortcut() : QKeySequence();
          },
          this)) {}

bool ViewController::startDetached(const std::string& commandLine, const QString& what) {
    const std::unique_ptr<DetachedLauncher> launcher =
        DetachedLauncher::createNative(helperFolder());
    std::string error;
    const CommandWords line = CommandWords::split(commandLine);
    const bool started =
        !what.isEmpty() && !line.words.empty() && line.words.front() == "xdg-open"
            // Watched: its exit status is the only word of a failure. The report is posted to
            // the application, which outlives the program's waiter, and shown only while the
            // window is there.
            ? launcher->startWatched(
                  commandLine, &error,
                  [window = QPointer<QWidget>(&m_window), what](int status) {
                      QCoreApplication* application = QCoreApplication::instance();
                      if (status == 0 || application == nullptr)
                          return;
                      QMetaObject::invokeMethod(
                          application,
                          [window, what, status] {
                              if (window)
                                  MessageBox::warning(
                                      window,
                                      what + QStringLiteral(
                                                 "を開けませんでした。(xdg-open 終了コード %1)")
                                                 .arg(status));
                          },
                          Qt::QueuedConnection);
                  })
            : launcher->start(commandLine, &error);
    if (!started && !what.isEmpty())
        MessageBox::warning(&m_window, what + QStringLiteral("を開けませんでした。(") +
                                           QString::fromLocal8Bit(error) + QStringLiteral(")"));
    return started;
}

void ViewController::ExecExplorerClick() {
    // A folder window through the desktop's file manager.
    (void)startDetached(JobCommands::folderWindowCommand(m_tableEdit.lastFolder()),
                        QString::fromLocal8Bit(m_tableEdit.lastFolder()));
}

std::string ViewController::helpFilePath() const {
    return PathConventions::native().join(HelpController::manualFolder(), "index.md");
}

void ViewController::TopicsClick() {
    m_help->showHelpFor(QApplication::activeWindow());
}

void ViewController::hideToTray() {
    if (m_tray.isShown())
        m_window.hide();
    else
        m_window.showMinimized();
}

void ViewController::bringToFront() {
    m_window.showNormal();
    m_window.raise();
    m_window.activateWindow();
}

void ViewController::HideWindowClick() {
    if (m_window.isVisible() && !m_window.isMinimized())
        hideToTray();
    else
        bringToFront();
}

void ViewController::TaskBarTrayClick(int button) {
    if (button == 0)
        m_tray.runAction(m_settings.iTaskTrayClick);
}

void ViewController::TaskBarTrayDblClick(int button) {
    if (button == 0)
        m_tray.runAction(m_settings.iTaskTrayDblClick);
}

void ViewController::ShowLeftPanelClick() {
    // The remembered width is a convenience: an unreadable or unwritable settings file only
    // loses it (and is never written over).
    IniFile ini;
    (void)ini.load(m_files.settingsPath());
    QAction* item = m_actions.value("ShowLeftPanel");
    int width = m_mainSplitter.leftWidth();
    if (width < 1) {
        m_mainSplitter.setLeftWidth(readOldLeftPanelWidth(ini, width));
        item->setChecked(true);
    } else {
        writeOldLeftPanelWidth(ini, width);
        (void)ini.save();
        item->setChecked(false);
        m_mainSplitter.setLeftWidth(0);
    }
    m_settings.bShowLeftPanel = item->isChecked();
}

void ViewController::ShowCaptionClick() {
    m_settings.bShowCaption = !m_settings.bShowCaption;
    m_actions.value("ShowCaption")->setChecked(m_settings.bShowCaption);
    m_bars.applyToolBarLook();
}

void ViewController::FlatButtonClick() {
    m_settings.bFlatButton = !m_settings.bFlatButton;
    m_actions.value("FlatButton")->setChecked(m_settings.bFlatButton);
    m_bars.applyToolBarLook();
}

void ViewController::ShowLogClick() {
    if (m_settings.asApplicationFullPath.find_first_not_of(' ') == std::string::npos) {
        emit historyWanted();
        return;
    }
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
            &m_window, QStringLiteral("ログファイルが開けません。\n ビューアを指定してください"));
        emit optionsWanted();
    }
}

} // namespace trevane
