// Editing commands of the job table and its key and mouse rules. The commands themselves are
// JobTableEditing's; this file turns the grid's selection into theirs and shows the result.

#include "app/JobTableModel.h"
#include "app/Mainunit.h"

#include "dialogs/MessageBox.h"
#include "jobs/JobTableEditing.h"
#include "platform/TextCodec.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QTableView>

namespace trevane {

namespace {

// The Windows virtual-key code of a key, for the keys that decide about in-place editing.
int virtualKeyOf(const QKeyEvent* event) {
    int key = event->key();
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return (event->modifiers() & Qt::KeypadModifier) ? 0x60 + (key - Qt::Key_0) : key;
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return key; // 0x41..0x5A, as the virtual-key codes
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 0x70 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace:
        return 0x08;
    case Qt::Key_Delete:
        return 0x2E;
    case Qt::Key_Asterisk:
        return (event->modifiers() & Qt::KeypadModifier) ? 0x6A : 0;
    case Qt::Key_Plus:
        return (event->modifiers() & Qt::KeypadModifier) ? 0x6B : 0;
    case Qt::Key_Minus:
        return (event->modifiers() & Qt::KeypadModifier) ? 0x6D : 0;
    case Qt::Key_Period:
        return (event->modifiers() & Qt::KeypadModifier) ? 0x6E : 0;
    case Qt::Key_Slash:
        return (event->modifiers() & Qt::KeypadModifier) ? 0x6F : 0;
    default:
        return 0;
    }
}

} // namespace

GridSelection TMainForm::gridSelection() const {
    QModelIndex current = m_grid->currentIndex();
    GridSelection selection;
    if (current.isValid()) {
        selection = GridSelection::cell(JobTableModel::tableColumn(current),
                                        JobTableModel::tableRow(current));
    }
    const QItemSelection ranges = m_grid->selectionModel()->selection();
    if (!ranges.isEmpty()) {
        int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
        for (const QItemSelectionRange& range : ranges) {
            left = qMin(left, range.left());
            top = qMin(top, range.top());
            right = qMax(right, range.right());
            bottom = qMax(bottom, range.bottom());
        }
        selection.left = left + 1;
        selection.top = top + 1;
        selection.right = right + 1;
        selection.bottom = bottom + 1;
    }
    return selection;
}

void TMainForm::setGridSelection(const GridSelection& selection) {
    QModelIndex topLeft = m_model->indexOf(selection.left, selection.top);
    QModelIndex bottomRight = m_model->indexOf(selection.right, selection.bottom);
    m_grid->selectionModel()->setCurrentIndex(
        m_model->indexOf(selection.currentColumn, selection.currentRow),
        QItemSelectionModel::NoUpdate);
    if (topLeft.isValid() && bottomRight.isValid())
        m_grid->selectionModel()->select(QItemSelection(topLeft, bottomRight),
                                         QItemSelectionModel::ClearAndSelect);
}

void TMainForm::applyEdit(const EditResult& result) {
    if (!result.done)
        return;
    m_model->reload();
    setGridSelection(result.selection);
}

void TMainForm::allowInPlaceEditing(bool allowed) {
    m_grid->setEditTriggers(allowed ? QAbstractItemView::AnyKeyPressed |
                                          QAbstractItemView::EditKeyPressed |
                                          QAbstractItemView::SelectedClicked
                                    : QAbstractItemView::NoEditTriggers);
}

void TMainForm::EditUndoClick() {
    applyEdit(m_doc.undo(gridSelection()));
}

void TMainForm::EditCutClick() {
    const GridSelection selection = gridSelection();
    EditResult result =
        m_doc.edit([&](JobTableEditing& editing) { return editing.cut(selection); });
    if (result.done)
        QApplication::clipboard()->setText(toQString(result.clipboardText));
    applyEdit(result);
}

void TMainForm::EditCopyClick() {
    const GridSelection selection = gridSelection();
    const std::string& text = m_doc.table().cell(selection.currentColumn, selection.currentRow);
    QApplication::clipboard()->setText(toQString(text));
}

void TMainForm::EditPasteClick() {
    const GridSelection selection = gridSelection();
    const std::string text = toBytes(QApplication::clipboard()->text());
    applyEdit(m_doc.edit([&](JobTableEditing& editing) { return editing.paste(selection, text); }));
}

void TMainForm::ClearSelectedClick() {
    if (MessageBox::warning(this, QStringLiteral("選択セルの内容を消去しますか？"),
                            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    editTable(&JobTableEditing::clearSelected);
}

void TMainForm::InsertRowClick() {
    editTable(&JobTableEditing::insertRows);
}

void TMainForm::RowCopyClick() {
    editTable(&JobTableEditing::duplicateRow);
}

void TMainForm::RowDeleteClick() {
    if (!JobTableEditing::canDeleteRows(m_doc.table()))
        return;
    if (MessageBox::warning(this, QStringLiteral("選択行を削除して上方向に詰めますか？"),
                            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    editTable(&JobTableEditing::deleteRows);
}

void TMainForm::ColCopyAllClick() {
    editTable(&JobTableEditing::copyToColumn);
}

void TMainForm::editTable(EditResult (JobTableEditing::*command)(const GridSelection&)) {
    const GridSelection selection = gridSelection();
    applyEdit(m_doc.edit([&](JobTableEditing& editing) { return (editing.*command)(selection); }));
}

void TMainForm::ReferClick() {
    const GridSelection selection = gridSelection();
    bool open = false;
    m_doc.edit([&](JobTableEditing& editing) { // takes the undo snapshot when it opens
        open = editing.beginRefer(selection);
        return EditResult{};
    });
    if (open)
        openFolderSelection(selection.currentColumn, selection.currentRow);
}

void TMainForm::sgCopyListRowMoved(int from, int to) {
    applyEdit(m_doc.edit([&](JobTableEditing& editing) { return editing.moveRow(from, to); }));
}

void TMainForm::installEditing() {
    allowInPlaceEditing(false);
    m_grid->installEventFilter(this);
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
    connect(m_grid, &QTableView::clicked, this, [this] {
        allowInPlaceEditing(JobTableEditing::editingAllowedAfterClick(gridSelection()));
    });
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { allowInPlaceEditing(false); });

    // A press on a header selects a whole column (rows 1 to the last) or a whole row.
    auto pressed = [this](int column, int row) {
        allowInPlaceEditing(false);
        if (auto selection =
                JobTableEditing::selectionForPress(column, row, m_doc.table().rowCount()))
            setGridSelection(*selection);
    };
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionPressed, this,
            [pressed](int section) { pressed(section + 1, 0); });
    connect(m_grid->verticalHeader(), &QHeaderView::sectionPressed, this,
            [pressed](int section) { pressed(0, section + 1); });

    // Rows move by dragging their number cell; the table, not the header, keeps the order.
    QHeaderView* numbers = m_grid->verticalHeader();
    numbers->setSectionsMovable(true);
    connect(numbers, &QHeaderView::sectionMoved, this,
            [this, numbers](int, int oldVisual, int newVisual) {
                QSignalBlocker block(numbers);
                numbers->moveSection(newVisual, oldVisual);
                sgCopyListRowMoved(oldVisual + 1, newVisual + 1);
            });

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

bool TMainForm::gridKeyPressed(QKeyEvent* event) {
    bool ctrlOrAlt = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    if (ctrlOrAlt)
        return false;
    if (JobTableEditing::keyStartsEditing(virtualKeyOf(event), false, false)) {
        m_doc.markModified();
        allowInPlaceEditing(true);
    }
    return false; // the grid still handles the key
}

} // namespace trevane

#include "dialogs/Folderselect.h"

namespace trevane {

bool TMainForm::openFolderSelection(int column, int row) {
    std::string chosen;
    const bool accepted = m_doc.changeTable([&](JobTable& table) {
        TFolderSelectForm dialog(m_programFolder, table, column, row, this);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        chosen = dialog.chosenFolder();
        return true;
    });
    m_model->reload();
    setGridSelection(GridSelection::cell(column, row));
    if (!chosen.empty())
        m_lastFolder = chosen;
    return accepted;
}

} // namespace trevane
