#pragma once

#include "jobs/JobDocument.h"
#include "jobs/JobTableEditing.h"

#include <QTableView>
#include <string>
#include <vector>

class QMimeData;

namespace trevane {

class JobTableModel;

// The job grid (sgCopyList): shows a JobDocument's table through a JobTableModel of its own
// and carries the grid's plumbing: the selection in table coordinates, when typing may edit a
// cell in place, header presses, rows moved by their number cell, the cell editor, the row
// under the mouse and drops. The document stays the one owner of the cells: the grid changes
// none itself but reports through its signals, and the window makes the change through the
// document; the only thing the grid tells the document directly is that a key started an edit.
//
// The document must outlive the grid. Drags whose source is jobFileList (the job-file list)
// open the dragged job file; files from the desktop fill cells.
class JobGrid : public QTableView {
    Q_OBJECT

public:
    JobGrid(JobDocument& document, const QWidget* jobFileList, QWidget* parent = nullptr);

    JobTableModel* jobModel() const { return m_model; }

    // The selection and current cell in table coordinates, and back.
    GridSelection gridSelection() const;
    void setGridSelection(const GridSelection& selection);
    // Shows the table after an editing command and the selection it leaves; a command that
    // was not done changes nothing.
    void applyEdit(const EditResult& result);
    // Runs an editing command of the document on the grid's selection and shows its result.
    void edit(JobDocument& document, EditResult (JobTableEditing::*command)(const GridSelection&));
    void allowInPlaceEditing(bool allowed);

    // The local files of a drop, as paths in the locale's code page.
    static std::vector<std::string> droppedFiles(const QMimeData& data);

signals:
    // The changed text of the cell being edited, on every change (table coordinates).
    void cellTextEdited(int column, int row, const std::string& text);
    // A row dragged by its number cell from one table row to another; the grid itself shows
    // the old order until the table has moved the row.
    void rowMoved(int from, int to);
    // The mouse moved over table row row (0 when over no row).
    void rowHovered(int row);
    void filesDropped(const std::vector<std::string>& paths);
    // A job file of the job-file list was dropped: it is to be opened.
    void jobFileDropped();
    // What a drag from the job-file list would do, for the status bar.
    void dragHint(const QString& hint);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void pressHeader(int column, int row);
    // A typed key or input-method text begins an edit of the current cell: modified, and
    // in-place editing allowed so that the view opens the editor with that text.
    void startTyping();
    bool editorOpen() const;

    JobDocument& m_document;
    const QWidget* m_jobFileList;
    JobTableModel* m_model;
    bool m_forwarding = false; // a typed key is being handed to the open editor
};

} // namespace trevane
