#include "results/ViewUnit.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTableView>
#include <thread>

#include "gui/GuiTestSupport.h"
#include "gui/WindowFixture.h"
#include "platform/gui/QtUi.h"
#include "results/WatchUnit.h"

namespace {

class ResultsWindowTest : public WindowFixture {
protected:
    void SetUp() override {
        InstallFiles();
        ASSERT_TRUE(LoadTextTable(s.Texts, paths.ProgramFolder));
    }
};

TEST_F(ResultsWindowTest, CaptionsComeFromTheViewFormMenuSection) {
    TViewForm form(s);
    EXPECT_EQ(form.windowTitle(), "Test Results");
    EXPECT_EQ(form.Button1->text(), "Open File");
    EXPECT_EQ(form.Button2->text(), "Save File");
    EXPECT_FALSE(form.isVisible());
}

TEST_F(ResultsWindowTest, TheGridButtonsAndVisibilityFollowTheBridge) {
    TViewForm form(s);
    QtUi bridge("Brevalon® Data Manager");
    bridge.Attach(nullptr, &form);
    std::thread dispatcher([&] {
        bridge.ClearResultsGrid();
        bridge.SetResultsButtons(false);
        ResultsGrid grid = ResultsGrid::Empty(3, 4);
        grid.SetCell(1, 0, "Counter");
        grid.SetCell(1, 2, "17");
        bridge.SetResultsGrid(grid);
        bridge.ShowResultsWindow();
        bridge.SetResultsButtons(true);
    });
    dispatcher.join();
    ASSERT_TRUE(PollUntil([&] { return form.isVisible() && form.Button1->isEnabled(); }));
    EXPECT_TRUE(form.Button2->isEnabled());
    EXPECT_EQ(form.Grid().RowCount(), 3);
    EXPECT_EQ(form.StringGrid1->model()->rowCount(), 3);
    EXPECT_EQ(form.StringGrid1->model()->columnCount(), 4);
    EXPECT_EQ(form.StringGrid1->model()->index(2, 1).data().toString(), "17");

    form.ClearGrid();
    EXPECT_EQ(form.Grid().RowCount(), 2);
    EXPECT_EQ(form.Grid().ColCount, 2);
    EXPECT_EQ(form.Grid().Cell(1, 0), "");
    bridge.Shutdown();
}

TEST(WatchWindow, IsASmallBorderlessWindowWithADisabledMemo) {
    TWatchForm form;
    EXPECT_EQ(form.size(), QSize(184, 123));
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(form.windowTitle(), "Brevalon Zet&Kovan");
}

}  // namespace
