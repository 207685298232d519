#pragma once

#include "jobs/JobDocument.h"

#include <QAbstractTableModel>

namespace trevane {

// Shows the table of a JobDocument in a QTableView. The table's header row 0 becomes the
// horizontal header and its row-number column 0 the vertical header, so model cell (row,
// column) is table cell (column + 1, row + 1). The document stays the one place the cells live,
// and every edit goes through it, so its modified flag sees them all; whoever changes it behind
// the model's back calls reload().
class JobTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit JobTableModel(JobDocument& document, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    static int tableRow(const QModelIndex& index) { return index.row() + 1; }
    static int tableColumn(const QModelIndex& index) { return index.column() + 1; }
    QModelIndex indexOf(int tableColumn, int tableRow) const {
        return index(tableRow - 1, tableColumn - 1);
    }

    // The grid's text of the cell being edited changed: stored through
    // JobDocument::setEditText, with a new entry row when it appends one. Returns whether a row
    // was appended.
    bool setEditText(int tableColumn, int tableRow, const std::string& text);

    // The table changed behind the model's back (new file, edits, drops, row moves).
    void reload();

private:
    JobDocument& m_document;
    int m_shownRows = 0; // data rows the view knows of
};

} // namespace trevane
