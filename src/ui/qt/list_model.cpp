#include "ui/qt/list_model.h"

#include <QColor>

namespace mrv::qt
{

namespace
{

Qt::Alignment ToQt(form::Align align)
{
    switch (align) {
    case form::Align::Centre:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case form::Align::Right:
        return Qt::AlignRight | Qt::AlignVCenter;
    case form::Align::Left:
        break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

} // namespace

ListModel::ListModel(form::ListView& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list), rows_(list.RowCount()),
      columns_(static_cast<int>(list.Columns().size()))
{
}

int ListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int ListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columns_;
}

int ListModel::CheckColumn() const
{
    const auto& columns = list_.Columns();
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].width > 0) return static_cast<int>(i);
    }
    return 0;
}

QVariant ListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= list_.RowCount()) return {};
    const int row = index.row(), column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(list_.Cell(row, column));
    case Qt::ForegroundRole: {
        form::Colour c = list_.CellColour(row, column);
        return QColor(c.r, c.g, c.b);
    }
    case Qt::TextAlignmentRole:
        if (column < static_cast<int>(list_.Columns().size())) {
            return QVariant::fromValue(ToQt(list_.Columns()[static_cast<size_t>(column)].align));
        }
        return {};
    case Qt::CheckStateRole:
        if (list_.CheckBoxes() && column == CheckColumn()) {
            return list_.RowAt(row).checked ? Qt::Checked : Qt::Unchecked;
        }
        return {};
    default:
        return {};
    }
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(list_.Columns().size())) {
        return {};
    }
    const auto& column = list_.Columns()[static_cast<size_t>(section)];
    if (role == Qt::DisplayRole) return QString::fromStdString(column.caption);
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(ToQt(column.align));
    return {};
}

Qt::ItemFlags ListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (list_.CheckBoxes() && index.column() == CheckColumn()) f |= Qt::ItemIsUserCheckable;
    return f;
}

bool ListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.row() >= list_.RowCount()) return false;
    list_.SetRowChecked(index.row(), value.toInt() == Qt::Checked);
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

void ListModel::SyncColumns()
{
    beginResetModel();
    columns_ = static_cast<int>(list_.Columns().size());
    rows_ = list_.RowCount();
    endResetModel();
}

void ListModel::SyncRows()
{
    const int now = list_.RowCount();
    if (now > rows_) {
        beginInsertRows({}, rows_, now - 1);
        rows_ = now;
        endInsertRows();
    } else if (now < rows_) {
        beginRemoveRows({}, now, rows_ - 1);
        rows_ = now;
        endRemoveRows();
    }
    if (rows_ > 0 && columns_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
}

} // namespace mrv::qt
