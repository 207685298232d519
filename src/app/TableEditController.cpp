#include "app/TableEditController.h"

#include "app/JobGrid.h"
#include "app/JobTableModel.h"
#include "app/OptionsPanel.h"
#include "dialogs/Folderselect.h"
#include "dialogs/MessageBox.h"
#include "engine/CommandPreview.h"
#include "jobs/FolderCell.h"
#include "jobs/JobTableEditing.h"
#include "platform/AppPaths.h"
#include "platform/TextCodec.h"

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QClipboard>
#include <QStyleOptionViewItem>

namespace trevane {

TableEditController::TableEditController(JobDocument& doc, JobGrid& grid, OptionsPanel& options,
                                         const ProgramFiles& files, const Settings& settings,
                                         const DateTimeLocale& locale, QWidget* dialogParent,
                                         QObject* parent)
    : QObject(parent), m_doc(doc), m_grid(grid), m_options(options), m_files(files),
      m_settings(settings), m_dateTimeLocale(locale), m_dialogParent(dialogParent),
      m_lastFolder(files.folder) {}

void TableEditController::EditUndoClick() {
    m_grid.applyEdit(m_doc.undo(m_grid.gridSelection()));
}

void TableEditController::EditCutClick() {
    const GridSelection selection = m_grid.gridSelection();
    EditResult result =
        m_doc.edit([&](JobTableEditing& editing) { return editing.cut(selection); });
    if (result.done)
        QApplication::clipboard()->setText(toQString(result.clipboardText));
    m_grid.applyEdit(result);
}

void TableEditController::EditCopyClick() {
    const GridSelection selection = m_grid.gridSelection();
    const std::string& text = m_doc.table().cell(selection.currentColumn, selection.currentRow);
    QApplication::clipboard()->setText(toQString(text));
}

void TableEditController::EditPasteClick() {
    const GridSelection selection = m_grid.gridSelection();
    const std::string text = toBytes(QApplication::clipboard()->text());
    m_grid.applyEdit(
        m_doc.edit([&](JobTableEditing& editing) { return editing.paste(selection, text); }));
}

void TableEditController::ClearSelectedClick() {
    if (MessageBox::warning(m_dialogParent, QStringLiteral("選択セルの内容を消去しますか？"),
                            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    m_grid.edit(m_doc, &JobTableEditing::clearSelected);
}

void TableEditController::InsertRowClick() {
    m_grid.edit(m_doc, &JobTableEditing::insertRows);
}

void TableEditController::RowCopyClick() {
    m_grid.edit(m_doc, &JobTableEditing::duplicateRow);
}

void TableEditController::RowDeleteClick() {
    if (!JobTableEditing::canDeleteRows(m_doc.table()))
        return;
    if (MessageBox::warning(m_dialogParent, QStringLiteral("選択行を削除して上方向に詰めますか？"),
                            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    m_grid.edit(m_doc, &JobTableEditing::deleteRows);
}

void TableEditController::ColCopyAllClick() {
    m_grid.edit(m_doc, &JobTableEditing::copyToColumn);
}

void TableEditController::ReferClick() {
    const GridSelection selection = m_grid.gridSelection();
    bool open = false;
    m_doc.edit([&](JobTableEditing& editing) { // takes the undo snapshot when it opens
        open = editing.beginRefer(selection);
        return EditResult{};
    });
    if (open)
        openFolderSelection(selection.currentColumn, selection.currentRow);
}

void TableEditController::sgCopyListRowMoved(int from, int to) {
    m_grid.applyEdit(
        m_doc.edit([&](JobTableEditing& editing) { return editing.moveRow(from, to); }));
}

void TableEditController::sgCopyListSetEditText(int column, int row, const std::string& text) {
    // Read as a run reads a folder cell: "~/bak" is the home folder's bak, "bak" no folder.
    if (const FolderCell typed = FolderCell::read(text);
        typed.isFolder() && directoryExists(typed.text))
        m_lastFolder = typed.text;
    m_grid.jobModel()->setEditText(column, row, text);
    // The cell's own margins count: the text width alone left its end cut off.
    const QModelIndex index = m_grid.jobModel()->indexOf(column, row);
    QStyleOptionViewItem option;
    option.font = m_grid.font();
    int wanted = m_grid.itemDelegateForIndex(index)->sizeHint(option, index).width() + 5;
    if (m_grid.columnWidth(column - 1) < wanted)
        m_grid.setColumnWidth(column - 1, wanted);
}

void TableEditController::updateLastFolderFromCell(int column, int row) {
    if (std::optional<std::string> folder =
            m_doc.table().folderForCell(column, row, &directoryExists))
        m_lastFolder = *folder;
}

void TableEditController::DropFiles(const std::vector<std::string>& paths) {
    QModelIndex current = m_grid.currentIndex();
    int column = current.isValid() ? JobTableModel::tableColumn(current) : 1;
    int row = current.isValid() ? JobTableModel::tableRow(current) : 1;
    JobTable::DropResult result = m_doc.dropFiles(column, row, paths, &directoryExists);
    m_grid.jobModel()->reload();
    m_grid.setCurrentIndex(m_grid.jobModel()->indexOf(column, row));
    m_lastFolder = result.folder;
}

void TableEditController::sgCopyListMouseMove(int row) {
    const std::string rowHint = CommandPreview::rowHint(
        m_doc.table(), row, m_options.switches().xcopy, m_options.switches().u,
        formatNow(m_settings.asDateTimeFormat, m_dateTimeLocale));
    const QString text = toQString(rowHint);
    m_grid.setStatusTip(text.mid(1));
    emit hint(text.mid(1));
}

void TableEditController::OptionCheckListBoxClickCheck() {
    m_doc.setOptionItems(m_options.items(), m_options.dateText());
    m_options.showSwitches(m_doc.options());
}

void TableEditController::DateMaskEditExit() {
    m_doc.markModified();
}

bool TableEditController::openFolderSelection(int column, int row) {
    std::string chosen;
    const bool accepted = m_doc.changeTable([&](JobTable& table) {
        TFolderSelectForm dialog(m_files.folder, table, column, row, m_dialogParent);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        chosen = dialog.chosenFolder();
        return true;
    });
    m_grid.jobModel()->reload();
    m_grid.setGridSelection(GridSelection::cell(column, row));
    if (!chosen.empty())
        m_lastFolder = chosen;
    return accepted;
}

} // namespace trevane
