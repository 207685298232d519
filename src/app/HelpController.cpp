#include "app/HelpController.h"

#include "dialogs/HelpWindow.h"
#include "platform/AppPaths.h"
#include "platform/TextCodec.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QKeySequenceEdit>
#include <QWidget>
#include <cstring>

namespace trevane {

namespace {

// Windows and the manual page that tells about them; any other window opens the contents.
struct WindowPage {
    const char* className;
    const char* page;
};
constexpr WindowPage kPages[] = {
    {"trevane::TMainForm", "main.md"},           {"trevane::TOptionDlg", "options.md"},
    {"trevane::TSetKeyDlg", "keys.md"},          {"trevane::TSfxDlg", "sfx.md"},
    {"trevane::TCommandForm", "preview.md"},     {"trevane::TFolderSelectForm", "folders.md"},
    {"trevane::TDirListForm", "folders.md"},     {"trevane::RestoreDialog", "restore.md"},
    {"trevane::RunHistoryDialog", "history.md"},
};

bool isKeyCapture(const QWidget* widget) {
    for (; widget != nullptr; widget = widget->parentWidget())
        if (qobject_cast<const QKeySequenceEdit*>(widget) != nullptr)
            return true;
    return false;
}

} // namespace

HelpController::HelpController(QWidget& mainWindow, std::function<QKeySequence()> helpKey,
                               QObject* parent)
    : QObject(parent), m_main(mainWindow), m_helpKey(std::move(helpKey)) {
    qApp->installEventFilter(this);
}

HelpController::~HelpController() {
    if (qApp != nullptr)
        qApp->removeEventFilter(this);
    // A help window of the main window goes with it; one of a dialog with the dialog.
}

std::string HelpController::manualFolder() {
    const std::string beside = helperFolder() + "/manual";
    if (QFileInfo(toQString(beside)).isDir())
        return beside;
    return executableFolder() + "/../share/trevane/manual";
}

HelpWindow* HelpController::helpWindow() const {
    return m_window;
}

QString HelpController::pageFor(const QWidget* window) {
    if (window != nullptr) {
        const char* name = window->metaObject()->className();
        for (const WindowPage& entry : kPages)
            if (std::strcmp(entry.className, name) == 0)
                return QString::fromLatin1(entry.page);
    }
    return QString::fromLatin1(HelpWindow::ContentsPage);
}

void HelpController::showHelpFor(QWidget* window) {
    if (window != nullptr && window == m_window) {
        m_window->raise();
        return;
    }
    // A modal dialog blocks every window that is not its own.
    QWidget* owner = QApplication::activeModalWidget();
    if (owner == nullptr)
        owner = &m_main;
    if (m_window == nullptr)
        m_window = new HelpWindow(toQString(manualFolder()), owner);
    else if (m_window->parentWidget() != owner)
        m_window->setParent(owner, Qt::Window);
    m_window->showPage(pageFor(window));
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

bool HelpController::eventFilter(QObject* watched, QEvent* event) {
    // The main window's help command has the key as its shortcut; a dialog has no menu.
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    QWidget* window = widget->window();
    if (window == &m_main || window == m_window || isKeyCapture(widget))
        return false;
    const QKeySequence key = m_helpKey();
    if (key.isEmpty() || QKeySequence(static_cast<QKeyEvent*>(event)->keyCombination()) != key)
        return false;
    showHelpFor(window);
    return true;
}

} // namespace trevane
