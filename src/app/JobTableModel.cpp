#include "app/JobTableModel.h"

#include "platform/TextCodec.h"

namespace trevane {

JobTableModel::JobTableModel(JobDocument& document, QObject* parent)
    : QAbstractTableModel(parent), m_document(document),
      m_shownRows(document.table().rowCount() - 1) {}

int JobTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_shownRows;
}

int JobTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : JobTable::ColumnCount - 1;
}

QVariant JobTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return toQString(m_document.table().cell(tableColumn(index), tableRow(index)));
}

bool JobTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    setEditText(tableColumn(index), tableRow(index), toBytes(value.toString()));
    return true;
}

QVariant JobTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section + 1 >= JobTable::ColumnCount)
            return {};
        return toQString(JobTable::headerTexts()[section + 1]);
    }
    return toQString(m_document.table().cell(0, section + 1));
}

Qt::ItemFlags JobTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

bool JobTableModel::setEditText(int column, int row, const std::string& text) {
    int before = m_document.table().rowCount();
    bool appended = m_document.setEditText(column, row, text);
    QModelIndex changed = indexOf(column, row);
    emit dataChanged(changed, changed);
    if (appended) {
        int after = m_document.table().rowCount();
        beginInsertRows({}, before - 1, after - 2);
        m_shownRows = after - 1;
        endInsertRows();
        emit headerDataChanged(Qt::Vertical, 0, m_shownRows - 1);
    }
    return appended;
}

void JobTableModel::reload() {
    beginResetModel();
    m_shownRows = m_document.table().rowCount() - 1;
    endResetModel();
}

} // namespace trevane
