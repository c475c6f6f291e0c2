#include "results/ViewUnit.h"

#include <QAbstractTableModel>
#include <QGroupBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "config/TextTable.h"
#include "results/ViewTexts.h"

// The grid data as a table: row 0 and column 0 are the grid's own title row
// and number column, shown as ordinary cells.
class ResultsGridModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    const ResultsGrid& Grid() const { return grid_; }

    void SetGrid(ResultsGrid grid) {
        beginResetModel();
        grid_ = std::move(grid);
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : grid_.RowCount();
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : grid_.ColCount;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid()) return {};
        return QString::fromStdString(grid_.Cell(index.column(), index.row()));
    }

private:
    ResultsGrid grid_ = ResultsGrid::Empty();
};

TViewForm::TViewForm(SharedState& s, QWidget* parent) : QWidget(parent), s_(s) {
    setObjectName("ViewForm");
    setWindowFlags(Qt::Window);
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("Brevalon Results"));
    setGeometry(250, 120, 600, 350);

    GroupBox2 = new QGroupBox(this);
    StringGrid1 = new QTableView(GroupBox2);
    StringGrid1->setObjectName("StringGrid1");
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->horizontalHeader()->hide();
    StringGrid1->verticalHeader()->hide();
    StringGrid1->horizontalHeader()->setDefaultSectionSize(100);
    model_ = new ResultsGridModel(this);
    StringGrid1->setModel(model_);

    GroupBox1 = new QGroupBox(GroupBox2);
    GroupBox1->setFixedHeight(37);
    Button1 = new QPushButton(QStringLiteral("Open"), GroupBox1);
    Button1->setObjectName("Button1");
    Button1->setGeometry(59, 4, 113, 30);
    Button2 = new QPushButton(QStringLiteral("Save"), GroupBox1);
    Button2->setObjectName("Button2");
    Button2->setGeometry(328, 3, 113, 31);
    // Open and Save come with the results files.

    auto* inner = new QVBoxLayout(GroupBox2);
    inner->setContentsMargins(0, 0, 0, 0);
    inner->addWidget(StringGrid1);
    inner->addWidget(GroupBox1);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(GroupBox2);

    FormCreate();
}

TViewForm::~TViewForm() = default;

void TViewForm::FormCreate() {
    Button1->setText(QString::fromStdString(Text(s_.Texts, kViewOpenCaption)));
    Button2->setText(QString::fromStdString(Text(s_.Texts, kViewSaveCaption)));
    setWindowTitle(QString::fromStdString(Text(s_.Texts, kViewCaption)));
}

const ResultsGrid& TViewForm::Grid() const { return model_->Grid(); }

void TViewForm::ClearGrid() {
    // Rows 0-1 of columns 0-1 emptied and the grid cut to 2 x 2.
    ResultsGrid grid = model_->Grid();
    grid.ColCount = 2;
    grid.Rows.resize(2);
    grid.Marks.resize(2);
    for (auto& row : grid.Rows) {
        row.resize(2);
        row[0].clear();
        row[1].clear();
    }
    model_->SetGrid(std::move(grid));
}

void TViewForm::ShowGrid(ResultsGrid grid) {
    model_->SetGrid(std::move(grid));
    for (int c = 0; c < model_->Grid().ColCount; ++c)
        StringGrid1->setColumnWidth(c, model_->Grid().ColWidth(c));
}

void TViewForm::EnableResultsButtons(bool enabled) {
    Button1->setEnabled(enabled);
    Button2->setEnabled(enabled);
}

void TViewForm::ShowResults() {
    show();
    raise();
}
