// Job file commands: New, Open, Save, Save As, Delete, and opening from the job-file list.

#include "app/DocumentDialogs.h"
#include "app/JobTableModel.h"
#include "app/Mainunit.h"
#include "app/OptionsPanel.h"
#include "dialogs/FileDialogs.h"
#include "dialogs/MessageBox.h"
#include "jobs/IniFile.h"
#include "platform/AppPaths.h"
#include "platform/TextCodec.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QTableView>

#include <cstdio>

namespace trevane {


QMessageBox::StandardButton TMainForm::QuerySaveChanges() {
    switch (m_doc.querySaveChanges(documentDialogs(this))) {
    case JobDocument::Answer::Yes:
        return QMessageBox::Yes;
    case JobDocument::Answer::No:
        return QMessageBox::No;
    default:
        return QMessageBox::Cancel;
    }
}

void TMainForm::showDocument() {
    m_model->reload();
    const JobOptions& options = m_doc.options();
    m_options->show(options);
    m_grid->setColumnWidth(0, options.iCell0Width);
    m_grid->setColumnWidth(1, options.iCell1Width);
    m_grid->setColumnWidth(2, options.iCell2Width);
}

void TMainForm::showDocumentState() {
    std::string name = PathConventions::native().fileName(m_doc.path());
    setWindowTitle(QStringLiteral("%1 - %2").arg(QStringLiteral("Trevane"), toQString(name)));
    m_panels[1]->setText(m_doc.isModified() ? QStringLiteral("修正あり") : QString());
}

void TMainForm::CPLFileListBoxChange() {
    m_cplFileList->showState();
}

void TMainForm::FileNewClick() {
    if (QuerySaveChanges() == QMessageBox::Cancel)
        return;
    m_doc.newFile();
    showDocument();
}

void TMainForm::FileOpenClick() {
    if (QuerySaveChanges() == QMessageBox::Cancel)
        return;
    QString chosen = FileDialogs::openFile(this, QStringLiteral("CPLフォルダから開いてください"),
                                           toQString(m_files.jobFileFolder()), jobFileFilter(),
                                           QStringLiteral("cpl"));
    if (chosen.isEmpty())
        return;
    std::string path = toBytes(chosen);
    OpenJobFile(path);
    m_cplFileList->refresh();
    m_cplFileList->selectFile(path);
}

void TMainForm::OpenJobFile(const std::string& path) {
    const JobDocument::OpenResult opened = m_doc.open(path);
    showDocument();
    if (!opened) {
        // The table stays empty under the new name and the modified flag is unchanged; the
        // user must not take the empty table for the job, and saving it would replace the file.
        MessageBox::warning(this, toQString(path + "\nを開けませんでした。\n" + opened.error));
        return;
    }
    m_cplFileList->selectFile(path);
    m_grid->setCurrentIndex(m_model->indexOf(1, 1));
}

void TMainForm::FileSaveClick() {
    if (m_doc.save(documentDialogs(this)))
        m_cplFileList->refresh(m_doc.path());
}

void TMainForm::FileSaveAsClick() {
    if (m_doc.saveAs(documentDialogs(this)))
        m_cplFileList->refresh(m_doc.path());
}

void TMainForm::FileDeleteClick() {
    QListWidgetItem* item = m_cplFileList->currentItem();
    if (!item)
        return;
    std::string path = m_files.jobFilePath(toBytes(item->text()));
    if (MessageBox::critical(this, toQString(path) + QStringLiteral("を削除しますか？"),
                             QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
        return;
    // The edits of the open table are the user's work unless their job file itself goes: only
    // then is the table reset without the save question.
    const bool openFile = path == m_doc.path();
    if (openFile)
        m_doc.discardChanges();
    // The job's options go with it; a settings file that could not be read is never written
    // over, and then only keeps a section nobody reads.
    IniFile ini;
    (void)ini.load(m_files.settingsPath());
    if (ini.eraseSection(path))
        (void)ini.saveAs(m_files.settingsPath());
    if (std::remove(path.c_str()) != 0 && fileExists(path))
        MessageBox::warning(this, toQString(path) + QStringLiteral("\nを削除できませんでした。"));
    m_cplFileList->refresh();
    if (openFile)
        FileNewClick();
}

void TMainForm::CPLFileListBoxDblClick() {
    if (m_cplFileList->selectedItems().isEmpty() || !m_cplFileList->currentItem()) {
        MessageBox::information(this, QStringLiteral("ファイルを選択してください"));
        return;
    }
    std::string path = m_files.jobFilePath(toBytes(m_cplFileList->currentItem()->text()));
    if (QuerySaveChanges() == QMessageBox::Cancel)
        return;
    if (m_settings.bDoCopyByDClick) {
        SendSelectedJobFileClick();
        return;
    }
    OpenJobFile(path);
}

void TMainForm::SelectAll1Click() {
    m_cplFileList->selectAll();
}

} // namespace trevane
