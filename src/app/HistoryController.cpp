#include "app/HistoryController.h"

#include "dialogs/RunHistoryDialog.h"
#include "jobs/ProgramFiles.h"
#include "platform/AppPaths.h"

namespace trevane {

HistoryController::HistoryController(QWidget& window, const ProgramFiles& files, QObject* parent)
    : QObject(parent), m_window(window), m_files(files) {}

RunHistoryDialog* HistoryController::historyWindow() const {
    return m_dialog;
}

void HistoryController::ShowHistoryClick() {
    if (m_dialog) {
        m_dialog->refresh();
    } else {
        m_dialog = new RunHistoryDialog(runsFolder(m_files.folder), &m_window);
        m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

} // namespace trevane
