#pragma once

#include "jobs/ProgramFiles.h"
#include "jobs/Settings.h"

#include <QMap>
#include <QObject>
#include <QString>
#include <string>

class QAction;
class QWidget;

namespace trevane {

class HelpController;
class MainWindowBars;
class SidePanelSplitter;
class TableEditController;
class TrayIcon;

// Window and view commands: the manual's window, the folder window and the log in outside programs,
// hiding the window to the tray and back, the tray icon's clicks, the job-file list panel and
// the look of the tool bars (captions, flat buttons).
//
// Everything passed in must outlive the controller. The actions are looked up by name when a
// command runs, so they may be made after the controller.
class ViewController : public QObject {
    Q_OBJECT

public:
    ViewController(QWidget& window, TrayIcon& tray, Settings& settings, const ProgramFiles& files,
                   SidePanelSplitter& mainSplitter, const QMap<QString, QAction*>& actions,
                   MainWindowBars& bars, const TableEditController& tableEdit,
                   QObject* parent = nullptr);

    // The manual's contents page.
    std::string helpFilePath() const;
    // The manual's window, opened by the help command and its key in every dialog.
    HelpController& help() { return *m_help; }
    // Starts commandLine without waiting for it. With `what` (the thing opened, as a message
    // names it), a failure says so in a message: a program that cannot be started, and for
    // xdg-open, which ends once it has handed the file or folder over, a non-zero exit status
    // (no program for it, a folder that is gone).
    bool startDetached(const std::string& commandLine, const QString& what = {});
    // Hides the window to the tray; without a tray icon it is only minimised, so that it
    // stays reachable.
    void hideToTray();
    // Shows the window, from the tray or minimised, in front of the others.
    void bringToFront();

public slots:
    void ExecExplorerClick();
    void TopicsClick();
    void ShowLogClick();
    void HideWindowClick();
    void ShowLeftPanelClick();
    void ShowCaptionClick();
    void FlatButtonClick();
    // Tray icon events; button 0 is the left, 1 the right, 2 the middle mouse button.
    void TaskBarTrayClick(int button);
    void TaskBarTrayDblClick(int button);

signals:
    // The log viewer could not be started: the options dialog is to be opened to name another.
    void optionsWanted();
    // The log command without a viewer set: the history window is to be opened.
    void historyWanted();

private:
    QWidget& m_window;
    TrayIcon& m_tray;
    Settings& m_settings;
    const ProgramFiles& m_files;
    SidePanelSplitter& m_mainSplitter;
    const QMap<QString, QAction*>& m_actions;
    MainWindowBars& m_bars;
    const TableEditController& m_tableEdit;
    HelpController* m_help;
};

} // namespace trevane
