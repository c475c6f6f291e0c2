#include "results/ViewUnit.h"

#include <QAbstractButton>
#include <QEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "core/TextTable.h"
#include "results/ResultsCellDrawingUnit.h"
#include "results/ResultsFile.h"
#include "results/ResultsGridModelUnit.h"
#include "results/ViewTexts.h"
#include "results/WatchUnit.h"

namespace {

constexpr int kRowHeight = 24;
constexpr int kButtonBarHeight = 37;
const QString kInitialFileName = QStringLiteral("Brevalon-Results");
const QString kRecordFilter =
    QStringLiteral("Record Files (*.xls *.xlsx *.csv *.txt);;all files (*)");

// Where the detail window appears, relative to the window and the pointer.
constexpr int kDetailOffsetX = 100;
constexpr int kDetailOffsetY = 24;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

TViewForm::TViewForm(SharedState& s, QWidget* parent) : QWidget(parent), s_(s) {
    setObjectName("ViewForm");
    // Sizeable, with the system menu and close but no minimise or maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("Brevalon Results"));
    BuildComponents();

    OpenRecordDialog = [this] {
        return QFileDialog::getOpenFileName(this, QString(), kInitialFileName, kRecordFilter)
            .toStdString();
    };
    // The save itself asks before it replaces a file (under the name it really
    // writes, which may have ".csv" added), so the dialog does not ask as well.
    SaveDialog1 = [this] {
        return QFileDialog::getSaveFileName(this, QString(), kInitialFileName, kRecordFilter,
                                            nullptr, QFileDialog::DontConfirmOverwrite)
            .toStdString();
    };

    FormCreate();

    // Placed for its first show; Qt needs no hidden show to make the window ready.
    move(250, 120);
    resize(600, 350);
}

TViewForm::~TViewForm() = default;

void TViewForm::BuildComponents() {
    GroupBox2 = new QGroupBox(this);
    GroupBox2->setObjectName("GroupBox2");

    StringGrid1 = new QTableView(GroupBox2);
    StringGrid1->setObjectName("StringGrid1");
    model_ = new ResultsGridModel(this);
    StringGrid1->setHorizontalHeader(new ResultsHeaderView(Qt::Horizontal, StringGrid1));
    StringGrid1->setVerticalHeader(new ResultsHeaderView(Qt::Vertical, StringGrid1));
    StringGrid1->setModel(model_);
    StringGrid1->setItemDelegate(new ResultsCellDelegate(StringGrid1));
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    StringGrid1->setCornerButtonEnabled(false);
    StringGrid1->setWordWrap(false);
    // Uniform row heights and fixed widths: nothing is measured per row, so
    // 65,535 records scroll as smoothly as ten.
    auto* columns = StringGrid1->horizontalHeader();
    columns->setDefaultSectionSize(model_->Grid().DefaultColWidth);
    columns->setMinimumSectionSize(1);
    columns->setFixedHeight(kRowHeight);
    auto* rows = StringGrid1->verticalHeader();
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(kRowHeight);
    rows->setFixedWidth(model_->Grid().ColWidth(0));

    corner_ = StringGrid1->findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly);
    if (corner_) corner_->installEventFilter(this);
    StringGrid1->installEventFilter(this);
    for (QWidget* area : {StringGrid1->viewport(), columns->viewport(), rows->viewport()}) {
        area->setMouseTracking(true);
        area->installEventFilter(this);
    }
    connect(StringGrid1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) StringGrid1SelectCell(current.row() + 1);
            });

    GroupBox1 = new QGroupBox(GroupBox2);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setFixedHeight(kButtonBarHeight);
    Button1 = new QPushButton(QStringLiteral("Open"), GroupBox1);
    Button1->setObjectName("Button1");
    Button1->setGeometry(59, 4, 113, 30);
    connect(Button1, &QPushButton::clicked, this, &TViewForm::Button1Click);
    Button2 = new QPushButton(QStringLiteral("Save"), GroupBox1);
    Button2->setObjectName("Button2");
    Button2->setGeometry(328, 3, 113, 31);
    connect(Button2, &QPushButton::clicked, this, &TViewForm::Button2Click);

    auto* inner = new QVBoxLayout(GroupBox2);
    inner->setContentsMargins(0, 0, 0, 0);
    inner->setSpacing(0);
    inner->addWidget(StringGrid1);
    inner->addWidget(GroupBox1);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(GroupBox2);
}

void TViewForm::FormCreate() {
    Button1->setText(Q(Text(s_.Texts, kViewOpenCaption)));
    Button2->setText(Q(Text(s_.Texts, kViewSaveCaption)));
    setWindowTitle(Q(Text(s_.Texts, kViewCaption)));
}

const ResultsGrid& TViewForm::Grid() const {
    return model_->Grid();
}

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
    ShowGrid(std::move(grid));
}

void TViewForm::ShowGrid(ResultsGrid grid) {
    model_->SetGrid(std::move(grid));
    const ResultsGrid& shown = model_->Grid();
    StringGrid1->horizontalHeader()->setDefaultSectionSize(shown.DefaultColWidth);
    for (int c = 1; c < shown.ColCount; ++c) StringGrid1->setColumnWidth(c - 1, shown.ColWidth(c));
    StringGrid1->verticalHeader()->setFixedWidth(shown.ColWidth(0));
    if (corner_) corner_->update();
}

void TViewForm::EnableResultsButtons(bool enabled) {
    Button1->setEnabled(enabled);
    Button2->setEnabled(enabled);
}

void TViewForm::ShowResults() {
    show();
    raise();
}

void TViewForm::Button1Click() {
    const std::string name = OpenRecordDialog ? OpenRecordDialog() : std::string();
    if (name.empty()) return;
    ResultsGrid grid = model_->Grid();
    OpenResultsFile(s_, name, grid);
    ShowGrid(std::move(grid));
}

void TViewForm::Button2Click() {
    const std::string name = SaveDialog1 ? SaveDialog1() : std::string();
    if (name.empty()) return;
    SaveResultsFile(s_, name, model_->Grid(), clock_->Now());
}

void TViewForm::StringGrid1MouseMove(QPoint gridPos) {
    GridMouseX = gridPos.x();
    GridMouseY = gridPos.y();
}

void TViewForm::StringGrid1SelectCell(int row) {
    GridSelectedRow = row;
}

void TViewForm::StringGrid1Click() {
    CloseDetailWindow();
}

void TViewForm::StringGrid1MouseLeave() {
    CloseDetailWindow();
}

void TViewForm::StringGrid1DblClick() {
    CloseDetailWindow();
    detail_ = std::make_unique<TWatchForm>(this);
    detail_->move(x() + GridMouseX + kDetailOffsetX, y() + GridMouseY + kDetailOffsetY);
    detail_->show();
    const ResultsGrid& grid = model_->Grid();
    for (int c = 1; c < grid.ColCount; ++c)
        detail_->AddLine(Q(grid.Cell(c, 0) + ": " + grid.Cell(c, GridSelectedRow)));
}

void TViewForm::CloseDetailWindow() {
    detail_.reset();
}

void TViewForm::hideEvent(QHideEvent* event) {
    CloseDetailWindow();
    QWidget::hideEvent(event);
}

bool TViewForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == corner_ && event->type() == QEvent::Paint) {
        QPainter painter(corner_);
        ResultsHeaderView::PaintFixedCell(painter, corner_->rect(), model_->CornerText(),
                                          StringGrid1->palette());
        return true;
    }
    if (watched == StringGrid1) {
        if (event->type() == QEvent::Leave) StringGrid1MouseLeave();
        return QWidget::eventFilter(watched, event);
    }

    // Mouse events of the cells and of the fixed row and column.
    auto* area = qobject_cast<QWidget*>(watched);
    switch (event->type()) {
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            StringGrid1MouseMove(area->mapTo(StringGrid1, mouse->position().toPoint()));
            if (event->type() == QEvent::MouseButtonPress) StringGrid1Click();
            if (event->type() == QEvent::MouseButtonDblClick) StringGrid1DblClick();
            break;
        }
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}
