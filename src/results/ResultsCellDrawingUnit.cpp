#include "results/ResultsCellDrawingUnit.h"

#include <QPainter>
#include <QPalette>

#include "core/ResultsGrid.h"
#include "results/ResultsGridModelUnit.h"

ResultsCellColours CellColours(bool fixedCell, const QString& mark, const QPalette& palette) {
    if (fixedCell) return {QColor(0, 0, 0), palette.color(QPalette::Button)};
    if (mark == QLatin1String(kMarkRed)) return {QColor(255, 0, 0), QColor(255, 255, 255)};
    if (mark == QLatin1String(kMarkGreen)) return {QColor(0, 128, 0), QColor(255, 255, 255)};
    return {QColor(0, 0, 255), QColor(255, 255, 255)};
}

void DrawResultsCell(QPainter& painter, const QRect& cell, const QString& text,
                     const ResultsCellColours& colours) {
    painter.save();
    painter.fillRect(cell, colours.Background);
    painter.setClipRect(cell, Qt::IntersectClip);
    const QFontMetrics metrics = painter.fontMetrics();
    // Edges as the grid counts them: right and bottom lie just outside the cell.
    const int right = cell.left() + cell.width();
    const int bottom = cell.top() + cell.height();
    const int x = (cell.left() + right - metrics.horizontalAdvance(text)) / 2 + 2;
    const int y = (cell.top() + bottom - metrics.height()) / 2 + 2;
    painter.setPen(colours.Text);
    painter.drawText(QPoint(x, y + metrics.ascent()), text);
    painter.restore();
}

void ResultsCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    // Selection and focus are not drawn: the cell always shows its own colours.
    painter->save();
    painter->setFont(option.font);
    DrawResultsCell(
        *painter, option.rect, index.data(Qt::DisplayRole).toString(),
        CellColours(false, index.data(ResultsGridModel::MarkRole).toString(), option.palette));
    painter->restore();
}

ResultsHeaderView::ResultsHeaderView(Qt::Orientation orientation, QWidget* parent)
    : QHeaderView(orientation, parent) {
    setSectionResizeMode(QHeaderView::Fixed);
    setSectionsClickable(false);
    setHighlightSections(false);
}

void ResultsHeaderView::PaintFixedCell(QPainter& painter, const QRect& rect, const QString& text,
                                       const QPalette& palette) {
    // The last pixel column and row carry the line that parts the fixed cells.
    const QRect cell = rect.adjusted(0, 0, -1, -1);
    DrawResultsCell(painter, cell, text, CellColours(true, QString(), palette));
    painter.save();
    painter.setPen(palette.color(QPalette::Dark));
    painter.drawLine(rect.topRight(), rect.bottomRight());
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.restore();
}

void ResultsHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid()) return;
    const QString text =
        model() ? model()->headerData(logicalIndex, orientation()).toString() : QString();
    PaintFixedCell(*painter, rect, text, palette());
}
