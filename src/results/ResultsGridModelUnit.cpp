#include "results/ResultsGridModelUnit.h"

#include <algorithm>

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

void ResultsGridModel::SetGrid(ResultsGrid grid) {
    beginResetModel();
    grid_ = std::move(grid);
    endResetModel();
}

QString ResultsGridModel::CornerText() const {
    return Q(grid_.Cell(0, 0));
}

int ResultsGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(0, grid_.RowCount() - 1);
}

int ResultsGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(0, grid_.ColCount - 1);
}

QVariant ResultsGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    switch (role) {
        case Qt::DisplayRole:
            return Q(grid_.Cell(index.column() + 1, index.row() + 1));
        case MarkRole:
            return Q(grid_.Mark(index.row() + 1));
        default:
            return {};
    }
}

QVariant ResultsGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || section < 0) return {};
    if (orientation == Qt::Horizontal) return Q(grid_.Cell(section + 1, 0));
    return Q(grid_.Cell(0, section + 1));
}

Qt::ItemFlags ResultsGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;  // never editable
}
