#include "app/JobGrid.h"

#include "app/JobTableModel.h"
#include "platform/TextCodec.h"

#include <QAction>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>
#include <algorithm>

namespace trevane {

namespace {

// The cell editor reports every change of its text, as the grid's SetEditText event does, so
// the entry row grows while the user types.
class CellEditDelegate : public QStyledItemDelegate {
public:
    explicit CellEditDelegate(JobGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            int column = JobTableModel::tableColumn(index);
            int row = JobTableModel::tableRow(index);
            QObject::connect(line, &QLineEdit::textEdited, m_grid,
                             [grid = m_grid, column, row](const QString& text) {
                                 emit grid->cellTextEdited(column, row, toBytes(text));
                             });
            line->installEventFilter(m_grid);
        }
        return editor;
    }

    // The model takes the editor's text on every change and reports it back; setting that echo
    // into the editor would move its cursor to the end after every key typed mid-text. Only a
    // text the cell did not keep as typed (a pasted line break) is shown.
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* line = qobject_cast<QLineEdit*>(editor);
        const QString text = index.data(Qt::EditRole).toString();
        if (!line)
            QStyledItemDelegate::setEditorData(editor, index);
        else if (line->text() != text)
            line->setText(text);
    }

private:
    JobGrid* m_grid;
};

// The code of a key as KeyList.ini numbers keys (jobs/ShortcutText.h), for the keys that
// decide about in-place editing.
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

JobGrid::JobGrid(JobDocument& document, const QWidget* jobFileList, QWidget* parent)
    : QTableView(parent), m_document(document), m_jobFileList(jobFileList),
      m_model(new JobTableModel(document, this)) {
    setObjectName(QStringLiteral("sgCopyList"));
    setModel(m_model);
    setAcceptDrops(true);
    setMouseTracking(true);
    setItemDelegate(new CellEditDelegate(this));
    allowInPlaceEditing(false);

    connect(this, &QTableView::clicked, this, [this] {
        allowInPlaceEditing(JobTableEditing::editingAllowedAfterClick(gridSelection()));
    });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { allowInPlaceEditing(false); });
    connect(horizontalHeader(), &QHeaderView::sectionPressed, this,
            [this](int section) { pressHeader(section + 1, 0); });
    connect(verticalHeader(), &QHeaderView::sectionPressed, this,
            [this](int section) { pressHeader(0, section + 1); });
    // Column widths are saved with the job's options but are no change of the job.
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this] { m_document.setColumnWidths(columnWidth(0), columnWidth(1), columnWidth(2)); });

    // Rows move by dragging their number cell; the table, not the header, keeps the order.
    QHeaderView* numbers = verticalHeader();
    numbers->setSectionsMovable(true);
    connect(numbers, &QHeaderView::sectionMoved, this,
            [this, numbers](int, int oldVisual, int newVisual) {
                QSignalBlocker block(numbers);
                numbers->moveSection(newVisual, oldVisual);
                emit rowMoved(oldVisual + 1, newVisual + 1);
            });
}

GridSelection JobGrid::gridSelection() const {
    QModelIndex current = currentIndex();
    GridSelection selection;
    if (current.isValid()) {
        selection = GridSelection::cell(JobTableModel::tableColumn(current),
                                        JobTableModel::tableRow(current));
    }
    const QItemSelection ranges = selectionModel()->selection();
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

void JobGrid::setGridSelection(const GridSelection& selection) {
    QModelIndex topLeft = m_model->indexOf(selection.left, selection.top);
    QModelIndex bottomRight = m_model->indexOf(selection.right, selection.bottom);
    selectionModel()->setCurrentIndex(
        m_model->indexOf(selection.currentColumn, selection.currentRow),
        QItemSelectionModel::NoUpdate);
    if (topLeft.isValid() && bottomRight.isValid())
        selectionModel()->select(QItemSelection(topLeft, bottomRight),
                                 QItemSelectionModel::ClearAndSelect);
}

void JobGrid::edit(JobDocument& document,
                   EditResult (JobTableEditing::*command)(const GridSelection&)) {
    const GridSelection selection = gridSelection();
    applyEdit(
        document.edit([&](JobTableEditing& editing) { return (editing.*command)(selection); }));
}

void JobGrid::applyEdit(const EditResult& result) {
    if (!result.done)
        return;
    m_model->reload();
    setGridSelection(result.selection);
}

void JobGrid::allowInPlaceEditing(bool allowed) {
    setEditTriggers(allowed ? QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                                  QAbstractItemView::SelectedClicked
                            : QAbstractItemView::NoEditTriggers);
}

// A press on a header selects a whole column (rows 1 to the last) or a whole row.
void JobGrid::pressHeader(int column, int row) {
    allowInPlaceEditing(false);
    if (auto selection =
            JobTableEditing::selectionForPress(column, row, m_document.table().rowCount()))
        setGridSelection(*selection);
}

void JobGrid::keyPressEvent(QKeyEvent* event) {
    // Tab moves between cells; Ctrl+Tab and Ctrl+Shift+Tab leave the table, as they leave a
    // text field that takes Tab.
    const bool tab = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    if (tab && (event->modifiers() & Qt::ControlModifier)) {
        QWidget::focusNextPrevChild(event->key() == Qt::Key_Tab &&
                                    !(event->modifiers() & Qt::ShiftModifier));
        return;
    }
    bool ctrlOrAlt = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    if (!ctrlOrAlt && JobTableEditing::keyStartsEditing(virtualKeyOf(event), toBytes(event->text()),
                                                        false, false))
        startTyping();
    QTableView::keyPressEvent(event);
}

// Japanese input comes as input-method text, not as keys: it starts editing as a typed key
// does, and the view hands the text on to the editor it opens.
void JobGrid::inputMethodEvent(QInputMethodEvent* event) {
    const QString text =
        event->commitString().isEmpty() ? event->preeditString() : event->commitString();
    if (!editorOpen() && JobTableEditing::keyStartsEditing(0, toBytes(text), false, false))
        startTyping();
    QTableView::inputMethodEvent(event);
}

void JobGrid::startTyping() {
    if (!currentIndex().isValid())
        return;
    m_document.markModified();
    allowInPlaceEditing(true);
}

// A typed key that reaches the grid while the cell's editor is open (typed before the focus
// moved there) is the editor's next character; the view alone would drop it.
bool JobGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    QWidget* editor = index.isValid() && !m_forwarding ? indexWidget(index) : nullptr;
    if (editor && trigger == AnyKeyPressed && event && event->type() == QEvent::KeyPress) {
        // An editor that leaves the key sends it back up here: it then goes nowhere.
        const QScopedValueRollback<bool> forwarding(m_forwarding, true);
        QCoreApplication::sendEvent(editor, event);
        return true;
    }
    return QTableView::edit(index, trigger, event);
}

// The menus' keys win over the cell editor's own (Ctrl+Shift+Z is undo, not the editor's
// redo): a key sequence of an enabled action of the window is left to the shortcut.
bool JobGrid::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence typed(key->keyCombination());
        const QList<QAction*> actions = window()->findChildren<QAction*>();
        if (std::any_of(actions.begin(), actions.end(), [&](const QAction* action) {
                return action->isEnabled() && action->shortcuts().contains(typed);
            })) {
            event->ignore();
            return true;
        }
    }
    return QTableView::eventFilter(watched, event);
}

bool JobGrid::editorOpen() const {
    return state() == QAbstractItemView::EditingState;
}

void JobGrid::mouseMoveEvent(QMouseEvent* event) {
    QModelIndex index = indexAt(event->position().toPoint());
    emit rowHovered(index.isValid() ? JobTableModel::tableRow(index) : 0);
    QTableView::mouseMoveEvent(event);
}

std::vector<std::string> JobGrid::droppedFiles(const QMimeData& data) {
    std::vector<std::string> paths;
    for (const QUrl& url : data.urls())
        if (url.isLocalFile())
            paths.push_back(toBytes(url.toLocalFile()));
    return paths;
}

void JobGrid::dragEnterEvent(QDragEnterEvent* event) {
    dragMoveEvent(event);
}

void JobGrid::dragMoveEvent(QDragMoveEvent* event) {
    if (event->source() == m_jobFileList) {
        event->acceptProposedAction();
        emit dragHint(QStringLiteral("ドロップするファイルを開きます"));
    } else if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void JobGrid::dropEvent(QDropEvent* event) {
    if (event->source() == m_jobFileList) {
        event->acceptProposedAction();
        emit jobFileDropped();
        return;
    }
    std::vector<std::string> paths = droppedFiles(*event->mimeData());
    if (paths.empty())
        return;
    event->acceptProposedAction();
    emit filesDropped(paths);
}

} // namespace trevane
