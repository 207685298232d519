#pragma once

#include <QObject>
#include <string>

class QAction;
class QMenu;
class QWidget;

namespace trevane {

class TTaskBar;

// The main window's tray icon (TaskBar) and its menu (pmTaskTray, a child of the window). The
// icon starts with the tip "Trevane" and hides the window's task-bar button while it is there.
// Menu commands and the actions a click may be set to are reported through the signals.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    explicit TrayIcon(QWidget& window);

    QMenu* menu() const { return m_menu; }
    // The menu's timer item, whose caption follows the timer's state.
    QAction* timerItem() const { return m_timerItem; }
    TTaskBar* taskBar() const { return m_taskBar; }
    // Whether the icon is really there (the desktop has a notification area).
    bool isShown() const;
    void setTip(const std::string& tip);
    // The action a click is set to: 1 shows or hides the window, 2 runs the open job, 3 the
    // registered jobs; 0 and unknown values do nothing.
    void runAction(int action);

signals:
    void startOpenClicked();
    void startListClicked();
    void stopClicked();
    void timerClicked();
    void showHideClicked();
    void optionClicked();
    void topicsClicked();
    void aboutClicked();
    void exitClicked();
    // A click or double click on the icon; button 0 is the left, 1 the right, 2 the middle.
    void clicked(int button);
    void doubleClicked(int button);

private:
    QMenu* m_menu;
    QAction* m_timerItem;
    TTaskBar* m_taskBar;
};

} // namespace trevane
