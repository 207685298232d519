#pragma once

#include <QKeySequence>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <string>

class QWidget;

namespace trevane {

class HelpWindow;

// The manual's window, opened at the page of the window the user is in: the main window's help
// command, and the same key in every dialog of the program (an event filter on the
// application; a key-capture field keeps the key for itself).
//
// While a modal dialog is open the help window belongs to it, so that it takes input beside
// the dialog, and goes when the dialog goes; otherwise it belongs to the main window.
class HelpController : public QObject {
    Q_OBJECT

public:
    // helpKey gives the help command's key as it is assigned when a key comes.
    HelpController(QWidget& mainWindow, std::function<QKeySequence()> helpKey,
                   QObject* parent = nullptr);
    ~HelpController() override;

    // The manual's folder: "manual" beside the program (a build tree, a portable copy), else
    // the installed "<prefix>/share/trevane/manual" for a program in "<prefix>/bin".
    static std::string manualFolder();
    // The page that tells about a window (by its class), the contents page for any other.
    static QString pageFor(const QWidget* window);

    // Opens the help window, or brings it up, at the page for window (null: the contents).
    void showHelpFor(QWidget* window);
    // The help window, null until it was opened (and after the dialog it belonged to went).
    HelpWindow* helpWindow() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& m_main;
    std::function<QKeySequence()> m_helpKey;
    QPointer<HelpWindow> m_window;
};

} // namespace trevane
