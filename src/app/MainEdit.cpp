// Editing commands of the job table and its popup menu. The commands themselves are
// JobTableEditing's; the grid gives the selection they work on and shows the result.

#include "app/JobTableModel.h"
#include "app/Mainunit.h"

#include "dialogs/MessageBox.h"
#include "jobs/JobTableEditing.h"
#include "platform/TextCodec.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QTableView>

namespace trevane {

void TMainForm::EditUndoClick() {
    m_grid->applyEdit(m_doc.undo(m_grid->gridSelection()));
}

void TMainForm::EditCutClick() {
    const GridSelection selection = m_grid->gridSelection();
    EditResult result =
        m_doc.edit([&](JobTableEditing& editing) { return editing.cut(selection); });
    if (result.done)
        QApplication::clipboard()->setText(toQString(result.clipboardText));
    m_grid->applyEdit(result);
}

void TMainForm::EditCopyClick() {
    const GridSelection selection = m_grid->gridSelection();
    const std::string& text = m_doc.table().cell(selection.currentColumn, selection.currentRow);
    QApplication::clipboard()->setText(toQString(text));
}

void TMainForm::EditPasteClick() {
    const GridSelection selection = m_grid->gridSelection();
    const std::string text = toBytes(QApplication::clipboard()->text());
    m_grid->applyEdit(
        m_doc.edit([&](JobTableEditing& editing) { return editing.paste(selection, text); }));
}

void TMainForm::ClearSelectedClick() {
    if (MessageBox::warning(this, QStringLiteral("選択セルの内容を消去しますか？"),
                            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    m_grid->edit(m_doc, &JobTableEditing::clearSelected);
}

void TMainForm::InsertRowClick() {
    m_grid->edit(m_doc, &JobTableEditing::insertRows);
}

void TMainForm::RowCopyClick() {
    m_grid->edit(m_doc, &JobTableEditing::duplicateRow);
}

void TMainForm::RowDeleteClick() {
    if (!JobTableEditing::canDeleteRows(m_doc.table()))
        return;
    if (MessageBox::warning(this, QStringLiteral("選択行を削除して上方向に詰めますか？"),
                            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    m_grid->edit(m_doc, &JobTableEditing::deleteRows);
}

void TMainForm::ColCopyAllClick() {
    m_grid->edit(m_doc, &JobTableEditing::copyToColumn);
}

void TMainForm::ReferClick() {
    const GridSelection selection = m_grid->gridSelection();
    bool open = false;
    m_doc.edit([&](JobTableEditing& editing) { // takes the undo snapshot when it opens
        open = editing.beginRefer(selection);
        return EditResult{};
    });
    if (open)
        openFolderSelection(selection.currentColumn, selection.currentRow);
}

void TMainForm::sgCopyListRowMoved(int from, int to) {
    m_grid->applyEdit(
        m_doc.edit([&](JobTableEditing& editing) { return editing.moveRow(from, to); }));
}

void TMainForm::installEditing() {
    auto on = [this](const char* name, void (TMainForm::*handler)()) {
        connect(m_actions.value(name), &QAction::triggered, this, handler);
    };
    on("EditUndo", &TMainForm::EditUndoClick);
    on("EditCut", &TMainForm::EditCutClick);
    on("EditCopy", &TMainForm::EditCopyClick);
    on("EditPaste", &TMainForm::EditPasteClick);
    on("Refer", &TMainForm::ReferClick);
    on("ClearSelected", &TMainForm::ClearSelectedClick);
    on("InsertRow", &TMainForm::InsertRowClick);
    on("RowCopy", &TMainForm::RowCopyClick);
    on("RowDelete", &TMainForm::RowDeleteClick);
    on("ColCopyAll", &TMainForm::ColCopyAllClick);

    connect(m_grid, &QTableView::doubleClicked, this, &TMainForm::ReferClick);
    connect(m_grid, &JobGrid::rowMoved, this, &TMainForm::sgCopyListRowMoved);

    // The table's popup menu.
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* popup = new QMenu(m_grid);
    popup->setObjectName(QStringLiteral("PopupMenu2"));
    popup->addAction(QStringLiteral("セル内容の切り取り"), this, &TMainForm::EditCutClick);
    popup->addAction(QStringLiteral("セル内容のコピー"), this, &TMainForm::EditCopyClick);
    popup->addAction(QStringLiteral("セル内容の張り付け"), this, &TMainForm::EditPasteClick);
    popup->addSeparator();
    popup->addAction(QStringLiteral("選択セルの消去"), this, &TMainForm::ClearSelectedClick);
    popup->addAction(QStringLiteral("行の挿入"), this, &TMainForm::InsertRowClick);
    popup->addAction(QStringLiteral("選択行の複製"), this, &TMainForm::RowCopyClick);
    popup->addAction(QStringLiteral("選択行の削除"), this, &TMainForm::RowDeleteClick);
    popup->addSeparator();
    popup->addAction(QStringLiteral("選択セルを同一列に複製"), this, &TMainForm::ColCopyAllClick);
    popup->addSeparator();
    popup->addAction(QStringLiteral("ファイル・ディレクトリ参照..."), this, &TMainForm::ReferClick);
    popup->addSeparator();
    popup->addAction(QStringLiteral("実行コマンド一覧表示"), m_actions.value("ShowCommand"),
                     &QAction::trigger);
    popup->addSeparator();
    popup->addAction(QStringLiteral("自己解凍書庫の作成..."), m_actions.value("MakeSFX"),
                     &QAction::trigger);
    popup->addSeparator();
    popup->addAction(QStringLiteral("エクスプローラ起動"), this, &TMainForm::ExecExplorerClick);
    connect(m_grid, &QWidget::customContextMenuRequested, popup,
            [this, popup](const QPoint& at) { popup->popup(m_grid->viewport()->mapToGlobal(at)); });
}

} // namespace trevane

#include "dialogs/Folderselect.h"

namespace trevane {

bool TMainForm::openFolderSelection(int column, int row) {
    std::string chosen;
    const bool accepted = m_doc.changeTable([&](JobTable& table) {
        TFolderSelectForm dialog(m_files.folder, table, column, row, this);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        chosen = dialog.chosenFolder();
        return true;
    });
    m_model->reload();
    m_grid->setGridSelection(GridSelection::cell(column, row));
    if (!chosen.empty())
        m_lastFolder = chosen;
    return accepted;
}

} // namespace trevane
