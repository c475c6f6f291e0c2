#pragma once
// How the results grid paints its cells. Every cell, fixed or not, is filled
// with its background and gets its text centred and moved 2 pixels right and
// down, clipped to the cell. Fixed cells (title row, number column) are black on
// the button face; record cells are white with the text coloured by the row's
// mark: red for "clred", dark green for "clgreen", blue otherwise (rows opened
// from a file carry no mark).

#include <QColor>
#include <QHeaderView>
#include <QStyledItemDelegate>

class QPainter;
class QPalette;

struct ResultsCellColours {
    QColor Text;
    QColor Background;
};

ResultsCellColours CellColours(bool fixedCell, const QString& mark, const QPalette& palette);

void DrawResultsCell(QPainter& painter, const QRect& cell, const QString& text,
                     const ResultsCellColours& colours);

// Record cells: colours from the model's mark role.
class ResultsCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

// The fixed row (horizontal) and fixed column (vertical): fixed cells with a
// separating line on their right and bottom edge. Sections neither resize nor
// select.
class ResultsHeaderView : public QHeaderView {
    Q_OBJECT
  public:
    ResultsHeaderView(Qt::Orientation orientation, QWidget* parent = nullptr);

    // Paints the corner where the fixed row meets the fixed column.
    static void PaintFixedCell(QPainter& painter, const QRect& rect, const QString& text,
                               const QPalette& palette);

  protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};
