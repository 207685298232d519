// Job file commands and the job-file list: New, Open, Save, Save As, Delete.

#include "dialogs/FileDialogs.h"
#include "app/JobTableModel.h"
#include "app/Mainunit.h"
#include "dialogs/MessageBox.h"
#include "jobs/IniFile.h"
#include "jobs/JobFile.h"
#include "platform/AppPaths.h"
#include "platform/TextCodec.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QStyle>
#include <QTableView>

#include <cstdio>

namespace trevane {

namespace {
const QString JobFileFilter = QStringLiteral("ｺﾋﾟｰ設定ﾌｧｲﾙ(*.cpl)");
} // namespace

void TMainForm::NumberRows() {
    m_table.numberRows();
    m_model->reload();
}

void TMainForm::TableToLines() { m_jobLines = m_table.tableToLines(); }

void TMainForm::LinesToTable() {
    if (!m_jobLines)
        return;
    m_table.linesToTable(*m_jobLines);
    m_model->reload();
}

JobOptions TMainForm::currentOptions() const {
    JobOptions options;
    for (int i = 0; i < JobOptions::OptionCount; ++i)
        options.bOption[i] = m_optionList->item(i)->checkState() == Qt::Checked;
    options.iCell0Width = m_grid->columnWidth(0);
    options.iCell1Width = m_grid->columnWidth(1);
    options.iCell2Width = m_grid->columnWidth(2);
    options.asDOptionTime = toBytes(m_dateEdit->text());
    return options;
}

void TMainForm::applyOptions(const JobOptions& options) {
    m_loadingOptions = true;
    for (int i = 0; i < JobOptions::OptionCount; ++i)
        m_optionList->item(i)->setCheckState(options.bOption[i] ? Qt::Checked : Qt::Unchecked);
    m_grid->setColumnWidth(0, options.iCell0Width);
    m_grid->setColumnWidth(1, options.iCell1Width);
    m_grid->setColumnWidth(2, options.iCell2Width);
    m_dateEdit->setText(toQString(options.asDOptionTime));
    m_loadingOptions = false;
}

void TMainForm::ReadJobOptions() {
    IniFile ini;
    ini.load(settingsFilePath());
    JobOptions defaults = JobOptions::editorDefaults();
    JobOptions present = currentOptions();
    defaults.iCell0Width = present.iCell0Width;
    defaults.iCell1Width = present.iCell1Width;
    defaults.iCell2Width = present.iCell2Width;
    defaults.asDOptionTime = present.asDOptionTime;
    applyOptions(JobOptions::read(ini, m_currentFile, defaults));
}

bool TMainForm::WriteJobOptions() {
    IniFile ini;
    ini.load(settingsFilePath());
    currentOptions().write(ini, m_currentFile);
    return ini.saveAs(settingsFilePath()).ok;
}

void TMainForm::refreshJobFileList() {
    m_cplFileList->clear();
    QDir folder(toQString(m_jobFileFolder));
    const QStringList names = folder.entryList({QStringLiteral("*.cpl")},
                                               QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    const QIcon fileIcon = style()->standardIcon(QStyle::SP_FileIcon);
    for (const QString& name : names)
        new QListWidgetItem(fileIcon, name, m_cplFileList);
    CPLFileListBoxChange();
}

void TMainForm::CPLFileListBoxChange() {
    QPalette palette = m_cplFileList->palette();
    palette.setColor(QPalette::Base, m_cplFileList->count() > 0
                                         ? QApplication::palette().color(QPalette::Base)
                                         : QApplication::palette().color(QPalette::Button));
    m_cplFileList->setPalette(palette);
    setHint(m_cplFileList, QStringLiteral("ダブルクリックで開きます|") + toQString(m_jobFileFolder));
}

void TMainForm::selectJobFileItem(const std::string& path) {
    QString name = toQString(PathConventions::native().fileName(path));
    for (int i = 0; i < m_cplFileList->count(); ++i) {
        QListWidgetItem* item = m_cplFileList->item(i);
        if (item->text().compare(name, Qt::CaseInsensitive) == 0) {
            m_cplFileList->setCurrentItem(item, QItemSelectionModel::ClearAndSelect);
            return;
        }
    }
}

void TMainForm::FileNewClick() {
    if (QuerySaveChanges() == QMessageBox::Cancel)
        return;
    SetCurrentFile(NewFileName);
    ReadJobOptions();
    m_table.reset();
    NumberRows();
    JobOptions defaults = currentOptions();
    defaults.bOption = JobOptions::editorDefaults().bOption;
    applyOptions(defaults);
    OptionCheckListBoxClickCheck();
    SetModified(false);
}

void TMainForm::FileOpenClick() {
    if (QuerySaveChanges() == QMessageBox::Cancel)
        return;
    QString chosen = FileDialogs::openFile(this, QStringLiteral("CPLフォルダから開いてください"),
                                           toQString(m_jobFileFolder), JobFileFilter,
                                           QStringLiteral("cpl"));
    if (chosen.isEmpty())
        return;
    std::string path = toBytes(chosen);
    OpenJobFile(path);
    refreshJobFileList();
    selectJobFileItem(path);
    OptionCheckListBoxClickCheck();
    SetModified(false);
}

void TMainForm::OpenJobFile(const std::string& path) {
    SetCurrentFile(path);
    ReadJobOptions();
    m_table.clearData();
    m_model->reload();
    JobFileLines file = readJobFile(path);
    if (!file.ok())
        return; // the table stays cleared under the new name; the modified flag is unchanged
    m_jobLines = std::move(file.lines);
    LinesToTable();
    selectJobFileItem(path);
    m_grid->setCurrentIndex(m_model->indexOf(1, 1));
    SetModified(false);
}

bool TMainForm::SaveJobFile(const std::string& path) {
    TableToLines();
    WriteResult written = writeJobFile(path, *m_jobLines);
    if (!written.ok) {
        MessageBox::warning(this, toQString(path) + QStringLiteral("\nに保存できませんでした。\n") +
                                      toQString(written.error));
        return false;
    }
    if (path != m_currentFile)
        SetCurrentFile(path);
    if (!WriteJobOptions()) {
        MessageBox::warning(this, toQString(settingsFilePath()) +
                                      QStringLiteral("\nにジョブのオプションを保存できませんでした。"));
        return false;
    }
    SetModified(false);
    return true;
}

void TMainForm::FileSaveClick() {
    if (m_table.rowCount() < 2) {
        MessageBox::information(this, QStringLiteral("入力がありません"));
        return;
    }
    if (m_currentFile == NewFileName || m_currentFile.empty()) {
        FileSaveAsClick();
        return;
    }
    SaveJobFile(m_currentFile);
}

void TMainForm::FileSaveAsClick() {
    if (m_table.rowCount() < 2) {
        MessageBox::information(this, QStringLiteral("入力がありません"));
        return;
    }
    QString proposed = m_currentFile.find('/') == std::string::npos
                           ? toQString(m_jobFileFolder + "/" + m_currentFile)
                           : toQString(m_currentFile);
    QString chosen = FileDialogs::saveFile(this, QStringLiteral("CPLフォルダに保存してください"),
                                           proposed, JobFileFilter, QStringLiteral("cpl"));
    if (chosen.isEmpty())
        return;
    std::string path = toBytes(chosen);
    if (!SaveJobFile(path))
        return;
    refreshJobFileList();
    selectJobFileItem(path);
}

void TMainForm::FileDeleteClick() {
    QListWidgetItem* item = m_cplFileList->currentItem();
    if (!item)
        return;
    std::string path = m_jobFileFolder + "/" + toBytes(item->text());
    if (MessageBox::critical(this, toQString(path) + QStringLiteral("を削除しますか？"),
                             QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
        return;
    SetModified(false);
    IniFile ini;
    ini.load(settingsFilePath());
    if (ini.eraseSection(path))
        ini.saveAs(settingsFilePath());
    std::remove(path.c_str());
    refreshJobFileList();
    if (path == m_currentFile)
        FileNewClick();
}

void TMainForm::CPLFileListBoxDblClick() {
    if (m_cplFileList->selectedItems().isEmpty() || !m_cplFileList->currentItem()) {
        MessageBox::information(this, QStringLiteral("ファイルを選択してください"));
        return;
    }
    std::string path = m_jobFileFolder + "/" + toBytes(m_cplFileList->currentItem()->text());
    if (QuerySaveChanges() == QMessageBox::Cancel)
        return;
    if (m_settings.bDoCopyByDClick) {
        SendSelectedJobFileClick();
        return;
    }
    OpenJobFile(path);
    OptionCheckListBoxClickCheck();
    SetModified(false);
}

void TMainForm::SelectAll1Click() { m_cplFileList->selectAll(); }

} // namespace trevane

namespace trevane {

void TMainForm::buildJobFileMenu() {
    m_cplFileList->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* menu = new QMenu(m_cplFileList);
    menu->setObjectName(QStringLiteral("pmCPLFile"));
    QMenu* start = menu->addMenu(QStringLiteral("コピー開始"));
    start->addAction(QStringLiteral("開いているファイル"), this, &TMainForm::StartCopyClick);
    start->addAction(QStringLiteral("選択したファイルすべて"), this,
                     &TMainForm::SendSelectedJobFileClick);
    menu->addSeparator();
    menu->addAction(QStringLiteral("ファイルを開く"), this, &TMainForm::CPLFileListBoxDblClick);
    menu->addSeparator();
    menu->addAction(QStringLiteral("削除"), this, &TMainForm::FileDeleteClick);
    menu->addSeparator();
    menu->addAction(QStringLiteral("すべて選択"), this, &TMainForm::SelectAll1Click);
    connect(m_cplFileList, &QWidget::customContextMenuRequested, menu, [this, menu](const QPoint& at) {
        menu->popup(m_cplFileList->viewport()->mapToGlobal(at));
    });
}

} // namespace trevane
