#include <gtest/gtest.h>

#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <filesystem>
#include <fstream>
#include <thread>

#include "gui/GuiTestSupport.h"
#include "gui/WindowFixture.h"
#include "platform/gui/QtUi.h"
#include "results/ViewUnit.h"
#include "results/WatchUnit.h"
#include "support/FixedClock.h"

namespace {

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kRed(255, 0, 0);
const QColor kDarkGreen(0, 128, 0);
const QColor kBlue(0, 0, 255);

// A grid as a download leaves it: six titled columns with the usual widths and
// one record per row; the marks are given per record.
ResultsGrid DownloadedGrid(const std::vector<std::string>& marks) {
    ResultsGrid grid = ResultsGrid::Empty(1, 6);
    grid.SetColWidth(0, 50);
    grid.SetColWidth(1, 50);
    grid.SetColWidth(3, 150);
    const char* titles[] = {"Number",         "Counter",      "Measure Mode",
                            "Measure Result", "Measure Date", "Measure Time"};
    for (int c = 0; c < 6; ++c) grid.SetCell(c, 0, titles[c]);
    for (int r = 1; r <= static_cast<int>(marks.size()); ++r) {
        grid.SetCell(0, r, std::to_string(r));
        grid.SetCell(1, r, std::to_string(100 + r));
        grid.SetCell(2, r, "Active Test");
        grid.SetCell(3, r, std::to_string(r) + ".00 mg/l");
        grid.SetCell(4, r, "0" + std::to_string(r) + "/03/2024");
        grid.SetCell(5, r, "12:0" + std::to_string(r) + ":00");
        grid.Marks[r] = marks[r - 1];
    }
    return grid;
}

// Sends the press, release, double-click and release that a double-click makes.
void DoubleClickAt(QWidget* widget, QPoint pos) {
    ClickAt(widget, pos);
    const QPointF local(pos);
    const QPointF global(widget->mapToGlobal(pos));
    QMouseEvent twice(QEvent::MouseButtonDblClick, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &twice);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

QStringList DetailLines(const TViewForm& form) {
    return form.DetailWindow()->OutputWindow->toPlainText().split('\n');
}

// What a region of a painted grid holds: pixels of the background, of the text
// colour, and of any other colour (the first such one is kept for the message).
struct CellPixels {
    int background = 0;
    int text = 0;
    int other = 0;
    QColor firstOther;
};

CellPixels CountPixels(const QImage& image, const QRect& rect, const QColor& background,
                       const QColor& text) {
    CellPixels counts;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.rgb() == background.rgb()) {
                ++counts.background;
            } else if (pixel.rgb() == text.rgb()) {
                ++counts.text;
            } else {
                if (counts.other++ == 0) counts.firstOther = pixel;
            }
        }
    }
    return counts;
}

std::string Describe(const CellPixels& counts) {
    return "background " + std::to_string(counts.background) + ", text " +
           std::to_string(counts.text) + ", other " + std::to_string(counts.other) +
           (counts.other ? " first " + counts.firstOther.name().toStdString() : std::string());
}

class ResultsWindowTest : public WindowFixture {
  protected:
    void SetUp() override {
        InstallFiles();
        ASSERT_TRUE(LoadTextTable(s.Texts, paths.ProgramFolder));
    }

    // Shows the form with the grid and waits until it is laid out.
    void ShowWith(TViewForm& form, ResultsGrid grid) {
        form.ShowGrid(std::move(grid));
        form.ShowResults();
        ASSERT_TRUE(PollUntil([&] { return form.isVisible() && form.StringGrid1->isVisible(); }));
        QApplication::processEvents();
    }

    // The viewport point in the middle of a record cell (grid column and row).
    static QPoint CellCentre(const TViewForm& form, int col, int row) {
        const QModelIndex index = form.StringGrid1->model()->index(row - 1, col - 1);
        return form.StringGrid1->visualRect(index).center();
    }

    // The grid as painted, with text drawn in whole pixels so that every text
    // pixel has exactly the text colour.
    static QImage PaintedGrid(TViewForm& form) {
        QFont font = form.font();
        font.setStyleStrategy(QFont::NoAntialias);
        form.setFont(font);
        QApplication::processEvents();
        return form.StringGrid1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    // A record cell's rectangle in the painted grid, without its grid line.
    static QRect RecordCellRect(const TViewForm& form, int col, int row) {
        const QModelIndex index = form.StringGrid1->model()->index(row - 1, col - 1);
        QRect cell = form.StringGrid1->visualRect(index);
        cell.translate(form.StringGrid1->viewport()->mapTo(form.StringGrid1, QPoint(0, 0)));
        return cell.adjusted(0, 0, -1, -1);
    }

    std::filesystem::path ResultsFolder() {
        std::filesystem::create_directories(paths.DataFolder);
        return paths.DataFolder;
    }
};

TEST_F(ResultsWindowTest, CaptionsComeFromTheViewFormMenuSectionAndTheFirstShowIsPlaced) {
    TViewForm form(s);
    EXPECT_EQ(form.windowTitle(), "Test Results");
    EXPECT_EQ(form.Button1->text(), "Open File");
    EXPECT_EQ(form.Button2->text(), "Save File");
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.pos(), QPoint(250, 120));
    EXPECT_EQ(form.size(), QSize(600, 350));
    EXPECT_EQ(form.GroupBox1->height(), 37);
}

TEST_F(ResultsWindowTest, TheGridButtonsAndVisibilityFollowTheBridge) {
    TViewForm form(s);
    QtUi bridge("Brevalon® Data Manager");
    bridge.Attach(nullptr, &form);
    std::thread dispatcher([&] {
        bridge.ClearResultsGrid();
        bridge.SetResultsButtons(false);
        bridge.SetResultsGrid(DownloadedGrid({"clred", "clgreen"}));
        bridge.ShowResultsWindow();
        bridge.SetResultsButtons(true);
    });
    dispatcher.join();
    ASSERT_TRUE(PollUntil([&] { return form.isVisible() && form.Button1->isEnabled(); }));
    EXPECT_TRUE(form.Button2->isEnabled());
    EXPECT_EQ(form.Grid().RowCount(), 3);

    // The title row and the number column are the fixed row and column; the
    // records are the cells.
    const QAbstractItemModel* model = form.StringGrid1->model();
    EXPECT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->columnCount(), 5);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "Counter");
    EXPECT_EQ(model->headerData(1, Qt::Vertical).toString(), "2");
    EXPECT_EQ(model->index(1, 0).data().toString(), "102");
    EXPECT_FALSE(model->flags(model->index(1, 0)) & Qt::ItemIsEditable);

    // Widths come from the grid: the number column 50, then 50, 100, 150, 100, 100.
    EXPECT_EQ(form.StringGrid1->verticalHeader()->width(), 50);
    const int widths[] = {50, 100, 150, 100, 100};
    for (int c = 0; c < 5; ++c) EXPECT_EQ(form.StringGrid1->columnWidth(c), widths[c]) << c;

    form.ClearGrid();
    EXPECT_EQ(form.Grid().RowCount(), 2);
    EXPECT_EQ(form.Grid().ColCount, 2);
    EXPECT_EQ(form.Grid().Cell(1, 0), "");
    EXPECT_EQ(model->columnCount(), 1);
    bridge.Shutdown();
}

TEST_F(ResultsWindowTest, RecordRowsAreColouredByTheirMarkAndFixedCellsAreBlackOnButtonFace) {
    TViewForm form(s);
    ShowWith(form, DownloadedGrid({"clgreen", "clred", "", "clblue?"}));
    const QImage image = PaintedGrid(form);

    struct Case {
        int row;
        QColor text;
        const char* what;
    };
    const Case cases[] = {
        {1, kDarkGreen, "mark clgreen"},
        {2, kRed, "mark clred"},
        {3, kBlue, "no mark"},
        {4, kBlue, "unknown mark"},
    };
    for (const Case& c : cases) {
        for (int col = 1; col <= 5; ++col) {
            const CellPixels counts =
                CountPixels(image, RecordCellRect(form, col, c.row), kWhite, c.text);
            EXPECT_GT(counts.text, 0) << c.what << ", column " << col << ": " << Describe(counts);
            EXPECT_EQ(counts.other, 0) << c.what << ", column " << col << ": " << Describe(counts);
        }
    }

    // Fixed row (titles) and fixed column (numbers): black on the button face,
    // whatever the row's mark.
    const QColor face = form.StringGrid1->palette().color(QPalette::Button);
    const QHeaderView* titles = form.StringGrid1->horizontalHeader();
    const QHeaderView* numbers = form.StringGrid1->verticalHeader();
    for (int section = 0; section < 5; ++section) {
        const QRect cell(titles->x() + titles->sectionViewportPosition(section), titles->y(),
                         titles->sectionSize(section) - 1, titles->height() - 1);
        const CellPixels counts = CountPixels(image, cell, face, kBlack);
        EXPECT_GT(counts.text, 0) << "title " << section << ": " << Describe(counts);
        EXPECT_EQ(counts.other, 0) << "title " << section << ": " << Describe(counts);
    }
    for (int section = 0; section < 4; ++section) {
        const QRect cell(numbers->x(), numbers->y() + numbers->sectionViewportPosition(section),
                         numbers->width() - 1, numbers->sectionSize(section) - 1);
        const CellPixels counts = CountPixels(image, cell, face, kBlack);
        EXPECT_GT(counts.text, 0) << "number " << section + 1 << ": " << Describe(counts);
        EXPECT_EQ(counts.other, 0) << "number " << section + 1 << ": " << Describe(counts);
    }
    // The corner holds the title of the number column.
    const QRect corner(numbers->x(), titles->y(), numbers->width() - 1, titles->height() - 1);
    const CellPixels counts = CountPixels(image, corner, face, kBlack);
    EXPECT_GT(counts.text, 0) << "corner: " << Describe(counts);
    EXPECT_EQ(counts.other, 0) << "corner: " << Describe(counts);
}

TEST_F(ResultsWindowTest, TextIsCentredInItsCellMovedTwoPixelsRightAndClippedToTheCell) {
    TViewForm form(s);
    ResultsGrid grid = DownloadedGrid({"clred", "clred"});
    // Row 2: an empty counter beside a text far wider than its column.
    grid.SetCell(1, 2, "");
    grid.SetCell(2, 2, "A measure mode name much wider than one column of the grid");
    ShowWith(form, grid);
    const QImage image = PaintedGrid(form);

    const QRect cell = RecordCellRect(form, 3, 1);  // "1.00 mg/l" in the 150-pixel column
    int left = cell.right(), right = cell.left();
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x)
            if (image.pixelColor(x, y).rgb() == kRed.rgb()) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    ASSERT_LE(left, right) << "no text painted";
    // The ink's middle against the cell's middle; the glyphs' side bearings
    // allow a pixel either way.
    const double offset = (left + right + 1) / 2.0 - (cell.left() + cell.right() + 1) / 2.0;
    EXPECT_NEAR(offset, 2.0, 1.0);

    const CellPixels beside = CountPixels(image, RecordCellRect(form, 1, 2), kWhite, kRed);
    EXPECT_EQ(beside.text + beside.other, 0) << "the wide text spills over: " << Describe(beside);
}

TEST_F(ResultsWindowTest, DoubleClickOnARowListsItsValuesUnderTheirTitlesBesideThePointer) {
    TViewForm form(s);
    ShowWith(form, DownloadedGrid({"clgreen", "clred", "clgreen", "clred"}));
    QWidget* cells = form.StringGrid1->viewport();
    const QPoint pointer = CellCentre(form, 2, 3);

    DoubleClickAt(cells, pointer);

    ASSERT_NE(form.DetailWindow(), nullptr);
    EXPECT_EQ(form.GridSelectedRow, 3);
    EXPECT_EQ(DetailLines(form),
              QStringList({"Counter: 103", "Measure Mode: Active Test", "Measure Result: 3.00 mg/l",
                           "Measure Date: 03/03/2024", "Measure Time: 12:03:00"}));
    TWatchForm* detail = form.DetailWindow();
    EXPECT_TRUE(detail->isVisible());
    EXPECT_EQ(detail->size(), QSize(184, 123));
    EXPECT_FALSE(detail->OutputWindow->isEnabled());
    const QPoint gridPos = cells->mapTo(form.StringGrid1, pointer);
    EXPECT_EQ(QPoint(form.GridMouseX, form.GridMouseY), gridPos);
    EXPECT_EQ(detail->pos(), form.pos() + gridPos + QPoint(100, 24));
}

TEST_F(ResultsWindowTest, DoubleClickOnTheEmptyRowOfAnEmptyGridListsTheTitlesAlone) {
    TViewForm form(s);
    ShowWith(form, DownloadedGrid({""}));
    ResultsGrid empty = DownloadedGrid({""});
    for (int c = 0; c < 6; ++c) empty.SetCell(c, 1, "");
    form.ShowGrid(empty);
    QApplication::processEvents();

    DoubleClickAt(form.StringGrid1->viewport(), CellCentre(form, 4, 1));

    ASSERT_NE(form.DetailWindow(), nullptr);
    EXPECT_EQ(DetailLines(form), QStringList({"Counter: ", "Measure Mode: ", "Measure Result: ",
                                              "Measure Date: ", "Measure Time: "}));
}

TEST_F(ResultsWindowTest, AtMostOneDetailWindowAndClickLeaveOrHideCloseIt) {
    TViewForm form(s);
    ShowWith(form, DownloadedGrid({"clgreen", "clred", "clgreen"}));
    QWidget* cells = form.StringGrid1->viewport();
    auto detailCount = [&] { return form.findChildren<TWatchForm*>().size(); };

    DoubleClickAt(cells, CellCentre(form, 1, 1));
    QPointer<TWatchForm> first = form.DetailWindow();
    ASSERT_TRUE(first);
    DoubleClickAt(cells, CellCentre(form, 1, 2));
    EXPECT_FALSE(first) << "the next double-click closes the open detail window";
    ASSERT_NE(form.DetailWindow(), nullptr);
    EXPECT_EQ(DetailLines(form).front(), "Counter: 102");
    EXPECT_EQ(detailCount(), 1);

    // The pointer leaving the grid.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(form.StringGrid1, &leave);
    EXPECT_EQ(form.DetailWindow(), nullptr);
    EXPECT_EQ(detailCount(), 0);

    // A click in the grid, also on the fixed row.
    DoubleClickAt(cells, CellCentre(form, 1, 3));
    ASSERT_NE(form.DetailWindow(), nullptr);
    ClickAt(form.StringGrid1->horizontalHeader()->viewport(), QPoint(10, 10));
    EXPECT_EQ(form.DetailWindow(), nullptr);

    // Closing the results window.
    DoubleClickAt(cells, CellCentre(form, 1, 3));
    ASSERT_NE(form.DetailWindow(), nullptr);
    form.close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.DetailWindow(), nullptr);
}

TEST_F(ResultsWindowTest, SaveWritesTheGridAndOpenBringsItBackWithoutColours) {
    FixedClock clock(2024, 3, 5, 14, 7, 9);
    TViewForm form(s);
    form.SetClock(clock);
    ShowWith(form, DownloadedGrid({"clgreen", "clred", "clgreen"}));
    const std::filesystem::path chosen = ResultsFolder() / "monday";
    int dialogs = 0;
    form.SaveDialog1 = [&] {
        ++dialogs;
        return chosen.string();
    };
    form.OpenRecordDialog = [&] {
        ++dialogs;
        return chosen.string() + ".csv";
    };

    form.Button2->click();

    EXPECT_EQ(dialogs, 1);
    std::ifstream in(chosen.string() + ".csv", std::ios::binary);
    ASSERT_TRUE(in) << "the name without an extension gets .csv";
    const std::string content((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(content.find("File Creat Date:05/03/2024 14:07:09\r\n"), std::string::npos);
    EXPECT_NE(content.find("[Start to Write Datum Records]\r\n"
                           "Counter ,Measure Mode ,Measure Result ,Measure Date ,Measure Time ,\r\n"
                           "101 ,Active Test ,1.00 mg/l ,01/03/2024 ,12:01:00 ,\r\n"),
              std::string::npos)
        << content;

    form.ClearGrid();
    form.Button1->click();

    EXPECT_EQ(dialogs, 2);
    const ResultsGrid& opened = form.Grid();
    ASSERT_EQ(opened.RowCount(), 4);
    EXPECT_EQ(opened.ColCount, 6);
    EXPECT_EQ(opened.Cell(0, 0), "Number");
    EXPECT_EQ(opened.Cell(1, 0), "Counter");
    EXPECT_EQ(opened.Cell(0, 2), "2");
    EXPECT_EQ(opened.Cell(1, 2), "102");
    EXPECT_EQ(opened.Cell(5, 3), "12:03:00");
    EXPECT_EQ(form.StringGrid1->columnWidth(2), 150);

    const QImage image = PaintedGrid(form);
    for (int row = 1; row <= 3; ++row) {
        const CellPixels counts = CountPixels(image, RecordCellRect(form, 1, row), kWhite, kBlue);
        EXPECT_GT(counts.text, 0) << "row " << row << ": " << Describe(counts);
        EXPECT_EQ(counts.other, 0) << "row " << row << ": " << Describe(counts);
    }
}

TEST_F(ResultsWindowTest, SaveAsksOnlyBeforeReplacingAFileAndAFolderOfTheNameFailsAtOnce) {
    TViewForm form(s);
    ShowWith(form, DownloadedGrid({"clred"}));
    const std::filesystem::path file = ResultsFolder() / "taken.csv";
    const std::filesystem::path folder = ResultsFolder() / "folder.csv";
    { std::ofstream(file, std::ios::binary) << "old"; }
    std::filesystem::create_directory(folder);
    std::filesystem::path chosen;
    form.SaveDialog1 = [&] { return chosen.string(); };

    chosen = folder;
    ui.ScriptAnswers({Answer::Yes});
    form.Button2->click();
    EXPECT_TRUE(ui.Of("question3").empty());
    EXPECT_EQ(ui.Of("beep").size(), 1u);
    EXPECT_EQ(ui.Of("box"), std::vector<std::string>{"File error!"});
    EXPECT_TRUE(std::filesystem::is_empty(folder));

    ui.Clear();
    chosen = file;
    ui.ScriptAnswers({Answer::Yes});
    form.Button2->click();
    EXPECT_EQ(ui.Of("question3"),
              std::vector<std::string>{"Whether overwrite this file?" + file.string()});
    EXPECT_TRUE(ui.Of("box").empty());
    std::ifstream in(file, std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(content.find("101 ,Active Test ,1.00 mg/l"), std::string::npos) << content;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(ResultsFolder()),
                            std::filesystem::directory_iterator()),
              2)
        << "no temporary file is left beside the file";
}

TEST_F(ResultsWindowTest, CancelledDialogsNeitherWriteNorChangeTheGrid) {
    TViewForm form(s);
    ShowWith(form, DownloadedGrid({"clred"}));
    form.SaveDialog1 = [] { return std::string(); };
    form.OpenRecordDialog = [] { return std::string(); };

    form.Button2->click();
    form.Button1->click();

    EXPECT_EQ(form.Grid().RowCount(), 2);
    EXPECT_EQ(form.Grid().Mark(1), "clred");
    EXPECT_TRUE(ui.Events().empty());
}

TEST_F(ResultsWindowTest, OpeningAMissingFileBeepsAndKeepsTheGrid) {
    TViewForm form(s);
    ShowWith(form, DownloadedGrid({"clred", "clgreen"}));
    const std::string missing = (ResultsFolder() / "nothing-here.csv").string();
    form.OpenRecordDialog = [&] { return missing; };

    form.Button1->click();

    EXPECT_EQ(ui.Of("beep").size(), 1u);
    EXPECT_EQ(ui.Of("box"), std::vector<std::string>{"File error!"});
    EXPECT_EQ(form.Grid().RowCount(), 3);
    EXPECT_EQ(form.Grid().Mark(2), "clgreen");
}

TEST_F(ResultsWindowTest, AFullRecordMemoryOf65535RowsCanBeShownScrolledAndInspected) {
    TViewForm form(s);
    std::vector<std::string> marks(65535);
    for (size_t i = 0; i < marks.size(); ++i) marks[i] = i % 2 ? "clred" : "clgreen";
    ShowWith(form, DownloadedGrid(marks));
    QTableView* grid = form.StringGrid1;
    ASSERT_EQ(grid->model()->rowCount(), 65535);

    grid->scrollToBottom();
    QApplication::processEvents();
    EXPECT_EQ(grid->verticalScrollBar()->value(), grid->verticalScrollBar()->maximum());
    const int lastVisible = grid->rowAt(grid->viewport()->height() - 2);
    EXPECT_EQ(lastVisible, 65534);
    EXPECT_FALSE(grid->grab().isNull());

    DoubleClickAt(grid->viewport(), CellCentre(form, 1, 65535));
    ASSERT_NE(form.DetailWindow(), nullptr);
    EXPECT_EQ(form.GridSelectedRow, 65535);
    EXPECT_EQ(DetailLines(form).front(), "Counter: 65635");

    grid->scrollToTop();
    QApplication::processEvents();
    EXPECT_EQ(grid->rowAt(1), 0);
}

TEST(WatchWindow, IsASmallBorderlessWindowWithADisabledMemo) {
    TWatchForm form;
    EXPECT_EQ(form.size(), QSize(184, 123));
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(form.windowTitle(), "Brevalon Zet&Kovan");
    EXPECT_FALSE(form.OutputWindow->isEnabled());
}

}  // namespace
