#pragma once

#include "jobs/Settings.h"

#include <QKeySequence>
#include <QMap>
#include <QString>

class QAction;
class QLabel;
class QMainWindow;
class QProgressBar;
class QToolBar;
class QWidget;

namespace trevane {

// Builds the main window's actions, menus, tool band and status bar on the window and hands back
// what the window keeps using. Actions go into the window's table by object name, where the
// handlers, the key list and the tool buttons find them; connecting them to handlers is the
// window's job. What is built belongs to the window. The window, its action table and its settings
// must outlive this object.
class MainWindowBars {
public:
    MainWindowBars(QMainWindow& window, QMap<QString, QAction*>& actions, const Settings& settings);

    // The menu actions, not connected yet.
    void buildActions();
    void buildMenus();
    // Tool bars 1 and 2, whose buttons trigger the menu actions, and the timer band.
    void buildToolBars();
    // Captions under the icons (bShowCaption) and flat or framed buttons (bFlatButton).
    void applyToolBarLook();
    QLabel* timerLabel() const { return m_timerLabel; }
    // The status bar's four panels (StatusPanel0..3) and the run's progress bar (RunProgress),
    // hidden until a run shows it.
    QProgressBar* buildStatusBar(QLabel* (&panels)[4]);

    // A hint "short|long" becomes tool tip and status tip; without "|" it is both.
    static void setHint(QWidget* widget, const QString& hint);
    static void setHint(QAction* action, const QString& hint);

private:
    QAction* makeAction(const QString& name, const QString& caption, const QKeySequence& key = {});

    QMainWindow& m_window;
    QMap<QString, QAction*>& m_actions;
    const Settings& m_settings;
    QToolBar* m_toolBar1 = nullptr;
    QToolBar* m_toolBar2 = nullptr;
    QToolBar* m_toolBar3 = nullptr;
    QLabel* m_timerLabel = nullptr;
};

} // namespace trevane
