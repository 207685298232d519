// The dialogs the main window opens.

#include "app/HelpController.h"
#include "app/JobTableModel.h"
#include "app/Mainunit.h"
#include "app/OptionsPanel.h"

#include "dialogs/Commandunit.h"
#include "dialogs/Optionunit.h"
#include "dialogs/Setkeyunit.h"
#include "dialogs/Sfxunit.h"
#include "dialogs/TAboutBox.h"
#include "engine/JobCommands.h"
#include "engine/UnlhaLibrary.h"
#include "jobs/DateTimePattern.h"
#include "platform/AppPaths.h"
#include "platform/DetachedLauncher.h"
#include "platform/TextCodec.h"

#include <QAction>
#include <QListWidget>
#include <QMenuBar>
#include <QTableView>

namespace trevane {

void TMainForm::OptionClick() {
    TOptionDlg dialog(m_settings, m_files.folder, m_files.jobFileFolder(), m_cplFileList->names(),
                      this);
    if (dialog.exec() == QDialog::Accepted)
        m_settings.asApplicationFullPath = dialog.viewer();
}

void TMainForm::AboutClick() {
    const std::string manual = m_view->helpFilePath();
    TAboutBox box(
        manual, m_files.folder,
        [this, manual](const std::string& path) {
            // The manual opens in the program's own help window, the folder in the desktop's.
            if (path == manual)
                m_view->help().showHelpFor(nullptr);
            else
                (void)m_view->startDetached("xdg-open " + JobCommands::quoted(path),
                                            QString::fromLocal8Bit(path));
        },
        this);
    box.exec();
}

void TMainForm::SetShortCutKeyClick() {
    {
        TSetKeyDlg dialog(menuBar(), m_files.keyListPath(), this);
        dialog.exec();
    }
    ApplyKeyList(menuBar(), m_files.keyListPath());
}

void TMainForm::MakeSFXClick() {
    UnlhaLibrary archiver(UnlhaLibrary::beside(helperFolder()));
    std::unique_ptr<DetachedLauncher> launcher = DetachedLauncher::createNative(helperFolder());
    QModelIndex current = m_grid->currentIndex();
    int row = current.isValid() ? JobTableModel::tableRow(current) : 1;
    TSfxDlg::Services services{m_files.folder, archiver, *launcher,
                               [this](const std::string& line) { AppendLogLine(line); },
                               [this](const std::string& folder) { SaveLogFile(folder); }};
    TSfxDlg dialog(m_doc.table(), row, services, this);
    dialog.exec();
}

void TMainForm::ShowCommandClick() {
    TCommandForm::Input input{m_doc.table(), m_options->switches().xcopy, m_options->switches().u,
                              formatNow(m_settings.asDateTimeFormat, m_dateTimeLocale),
                              m_doc.path()};
    TCommandForm::showPreview(this, input, [this] { m_run->StartCopyClick(); });
}

} // namespace trevane
