#include "app/JobFileController.h"

#include "app/DocumentDialogs.h"
#include "app/JobFileList.h"
#include "dialogs/FileDialogs.h"
#include "dialogs/MessageBox.h"
#include "jobs/IniFile.h"
#include "platform/AppPaths.h"
#include "platform/TextCodec.h"

#include <QListWidget>

#include <cstdio>

namespace trevane {

JobFileController::JobFileController(JobDocument& doc, const ProgramFiles& files,
                                     const Settings& settings, JobFileList& list,
                                     QWidget* dialogParent, QObject* parent)
    : QObject(parent), m_doc(doc), m_files(files), m_settings(settings), m_list(list),
      m_dialogParent(dialogParent) {}

QMessageBox::StandardButton JobFileController::QuerySaveChanges() {
    switch (m_doc.querySaveChanges(documentDialogs(m_dialogParent))) {
    case JobDocument::Answer::Yes:
        return QMessageBox::Yes;
    case JobDocument::Answer::No:
        return QMessageBox::No;
    default:
        return QMessageBox::Cancel;
    }
}

void JobFileController::CPLFileListBoxChange() {
    m_list.showState();
}

void JobFileController::FileNewClick() {
    if (QuerySaveChanges() == QMessageBox::Cancel)
        return;
    m_doc.newFile();
    emit documentReplaced();
}

void JobFileController::FileOpenClick() {
    if (QuerySaveChanges() == QMessageBox::Cancel)
        return;
    QString chosen = FileDialogs::openFile(
        m_dialogParent, QStringLiteral("CPLフォルダから開いてください"),
        toQString(m_files.jobFileFolder()), jobFileFilter(), QStringLiteral("cpl"));
    if (chosen.isEmpty())
        return;
    showChosenFile(toBytes(chosen));
}

void JobFileController::OpenGivenFile(const std::string& path) {
    if (QuerySaveChanges() != QMessageBox::Cancel)
        showChosenFile(path);
}

void JobFileController::showChosenFile(const std::string& path) {
    OpenJobFile(path);
    m_list.refresh();
    m_list.selectFile(path);
}

void JobFileController::OpenJobFile(const std::string& path) {
    const JobDocument::OpenResult opened = m_doc.open(path);
    emit documentReplaced();
    if (!opened) {
        // The table stays empty under the new name and the modified flag is unchanged; the
        // user must not take the empty table for the job, and saving it would replace the file.
        MessageBox::warning(m_dialogParent,
                            toQString(path + "\nを開けませんでした。\n" + opened.error));
        return;
    }
    m_list.selectFile(path);
    emit jobFileOpened();
}

void JobFileController::FileSaveClick() {
    if (m_doc.save(documentDialogs(m_dialogParent)))
        m_list.refresh(m_doc.path());
}

void JobFileController::FileSaveAsClick() {
    if (m_doc.saveAs(documentDialogs(m_dialogParent)))
        m_list.refresh(m_doc.path());
}

void JobFileController::FileDeleteClick() {
    QListWidgetItem* item = m_list.currentItem();
    if (!item)
        return;
    std::string path = m_files.jobFilePath(toBytes(item->text()));
    if (MessageBox::critical(m_dialogParent, toQString(path) + QStringLiteral("を削除しますか？"),
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
        MessageBox::warning(m_dialogParent,
                            toQString(path) + QStringLiteral("\nを削除できませんでした。"));
    m_list.refresh();
    if (openFile)
        FileNewClick();
}

void JobFileController::CPLFileListBoxDblClick() {
    if (m_list.selectedItems().isEmpty() || !m_list.currentItem()) {
        MessageBox::information(m_dialogParent, QStringLiteral("ファイルを選択してください"));
        return;
    }
    std::string path = m_files.jobFilePath(toBytes(m_list.currentItem()->text()));
    if (QuerySaveChanges() == QMessageBox::Cancel)
        return;
    if (m_settings.bDoCopyByDClick) {
        emit runSelectedRequested();
        return;
    }
    OpenJobFile(path);
}

void JobFileController::SelectAll1Click() {
    m_list.selectAll();
}

} // namespace trevane
