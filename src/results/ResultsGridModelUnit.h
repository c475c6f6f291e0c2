#pragma once
// The results grid as a Qt table. Row 0 (titles) and column 0 (row numbers) are
// the grid's fixed row and column: they are served as header data, so they stay
// in place while the records scroll. Model cell (r, c) is grid cell (c + 1, r + 1).

#include <QAbstractTableModel>
#include <QString>

#include "core/ResultsGrid.h"

class ResultsGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    // The row's colour mark ("clred", "clgreen" or empty), as a QString.
    static constexpr int MarkRole = Qt::UserRole + 1;

    using QAbstractTableModel::QAbstractTableModel;

    const ResultsGrid& Grid() const { return grid_; }
    void SetGrid(ResultsGrid grid);

    // The fixed cell where the title row meets the number column.
    QString CornerText() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    ResultsGrid grid_ = ResultsGrid::Empty();
};
