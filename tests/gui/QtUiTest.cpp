#include "platform/gui/QtUi.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <atomic>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "gui/GuiTestSupport.h"

namespace {

// Windows that write down what reaches them, and on which thread.
struct RecordingWindows : MainWindowTarget, ResultsWindowTarget {
    std::vector<std::string> calls;
    bool offGuiThread = false;

    void Note(std::string call) {
        if (QThread::currentThread() != qApp->thread()) offGuiThread = true;
        calls.push_back(std::move(call));
    }
    void AppendLogLine(const std::string& text) override { Note("log " + text); }
    void ReplaceLogLines(const std::vector<std::string>& lines) override {
        Note("logset " + std::to_string(lines.size()));
    }
    void ShowProgress(int value) override { Note("progress " + std::to_string(value)); }
    void EnableMainButtons(bool enabled) override { Note(enabled ? "buttons on" : "buttons off"); }
    void AppendServiceLine(const std::string& text) override { Note("service " + text); }
    void StoreServiceValue(const std::string& control, const std::string& text) override {
        Note("value " + control + "=" + text);
    }
    QWidget* DialogOwner() override { return nullptr; }
    void ClearGrid() override { Note("grid-clear"); }
    void ShowGrid(ResultsGrid grid) override { Note("grid " + grid.Cell(1, 1)); }
    void EnableResultsButtons(bool enabled) override {
        Note(enabled ? "results-buttons on" : "results-buttons off");
    }
    void ShowResults() override { Note("results-show"); }

    std::vector<std::string> Starting(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& c : calls)
            if (c.rfind(prefix, 0) == 0) out.push_back(c);
        return out;
    }
};

struct QtUiTest : ::testing::Test {
    QtUiTest() { ui.Attach(&windows, &windows); }
    ~QtUiTest() override { ui.Shutdown(); }
    RecordingWindows windows;
    QtUi ui{"Brevalon® Data Manager"};
};

TEST_F(QtUiTest, EffectsOfTwoWorkersArriveOnTheGuiThreadInEachWorkersOrder) {
    constexpr int kLines = 400;
    auto worker = [this](const std::string& name) {
        for (int i = 0; i < kLines; ++i) {
            ui.LogLine(name + " " + std::to_string(i));
            if (i % 50 == 0) ui.SetServiceValue(name, std::to_string(i));
        }
    };
    std::thread a(worker, "A");
    std::thread b(worker, "B");
    a.join();
    b.join();
    ASSERT_TRUE(PollUntil([&] { return windows.Starting("log ").size() == 2 * kLines; }));
    EXPECT_FALSE(windows.offGuiThread);
    for (const std::string name : {"A", "B"}) {
        const auto lines = windows.Starting("log " + name + " ");
        ASSERT_EQ(lines.size(), static_cast<size_t>(kLines));
        for (int i = 0; i < kLines; ++i) EXPECT_EQ(lines[i], "log " + name + " " + std::to_string(i));
        // A value set between two lines lands between them.
        const auto& calls = windows.calls;
        const auto value = std::find(calls.begin(), calls.end(), "value " + name + "=50");
        const auto before = std::find(calls.begin(), calls.end(), "log " + name + " 50");
        const auto after = std::find(calls.begin(), calls.end(), "log " + name + " 51");
        EXPECT_LT(before, value);
        EXPECT_LT(value, after);
    }
}

TEST_F(QtUiTest, EveryKindOfEffectKeepsItsPlace) {
    std::thread worker([this] {
        ui.ClearResultsGrid();
        ui.SetResultsButtons(false);
        ResultsGrid grid = ResultsGrid::Empty(3, 3);
        grid.SetCell(1, 1, "first record");
        ui.SetResultsGrid(grid);
        ui.ShowResultsWindow();
        ui.SetResultsButtons(true);
        ui.SetMainButtons(true);
        ui.ServiceLine("memory report");
        ui.SetLogLines({"one", "two"});
    });
    worker.join();
    ASSERT_TRUE(PollUntil([&] { return windows.calls.size() == 8; }));
    EXPECT_EQ(windows.calls,
              (std::vector<std::string>{"grid-clear", "results-buttons off", "grid first record",
                                        "results-show", "results-buttons on", "buttons on",
                                        "service memory report", "logset 2"}));
}

TEST_F(QtUiTest, AProgressFloodIsShownAsItsLatestValueInItsOwnPlace) {
    std::thread worker([this] {
        ui.LogLine("start");
        for (int i = 0; i < 20000; ++i) ui.SetProgress(static_cast<uint8_t>(i % 101));
        ui.SetProgress(42);
        ui.LogLine("half way");
        for (int i = 0; i < 20000; ++i) ui.SetProgress(static_cast<uint8_t>(i % 101));
        ui.SetProgress(7);
        ui.LogLine("done");
    });
    worker.join();
    ASSERT_TRUE(PollUntil([&] { return !windows.Starting("log done").empty(); }));
    // Nothing was drawn while the worker ran: each run of progress values with
    // nothing between them is one update with the run's last value.
    EXPECT_EQ(windows.calls, (std::vector<std::string>{"log start", "progress 42", "log half way",
                                                       "progress 7", "log done"}));
}

TEST_F(QtUiTest, ProgressOfADownloadKeepsItsPlaceAmongTheOtherEffects) {
    // The effects of a three-record download, made faster than the window
    // draws them: the separator line between the reset and the first record,
    // then a percentage per record, then the results and the reset.
    std::thread worker([this] {
        ui.SetProgress(0);
        ui.LogLine("--------------------------------------------");
        ui.SetProgress(33);
        ui.ServiceLine("record 2");
        ui.SetProgress(66);
        ui.SetProgress(100);
        ResultsGrid grid = ResultsGrid::Empty(4, 5);
        grid.SetCell(1, 1, "record 1");
        ui.SetResultsGrid(grid);
        ui.ShowResultsWindow();
        ui.SetResultsButtons(true);
        ui.SetProgress(0);
    });
    worker.join();
    ASSERT_TRUE(PollUntil([&] { return windows.calls.size() >= 8; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(windows.calls, (std::vector<std::string>{
                                 "progress 0", "log --------------------------------------------",
                                 "progress 33", "service record 2", "progress 100", "grid record 1",
                                 "results-show", "results-buttons on", "progress 0"}));
}

TEST_F(QtUiTest, ProgressSetAfterAnUpdateWasShownIsShownToo) {
    ui.SetProgress(10);
    ASSERT_TRUE(PollUntil([&] { return !windows.Starting("progress").empty(); }));
    ui.SetProgress(20);
    ASSERT_TRUE(PollUntil([&] { return windows.Starting("progress").size() == 2; }));
    EXPECT_EQ(windows.Starting("progress").back(), "progress 20");
}

struct QuestionCase {
    bool withCancel;
    QMessageBox::StandardButton click;
    Answer expected;
};

std::string QuestionName(const ::testing::TestParamInfo<QuestionCase>& info) {
    static const char* const names[] = {"YesNoAnsweredYes", "YesNoAnsweredNo",
                                        "WithCancelAnsweredCancel", "WithCancelAnsweredYes"};
    return names[info.index];
}

class QtUiQuestionTest : public QtUiTest, public ::testing::WithParamInterface<QuestionCase> {};

TEST_P(QtUiQuestionTest, AQuestionFromAWorkerBlocksOnlyThatWorkerAndReturnsTheAnswer) {
    const QuestionCase c = GetParam();
    std::atomic<bool> asked{false};
    std::future<Answer> answer = std::async(std::launch::async, [&] {
        asked = true;
        return ui.Question("Update the firmware now?", c.withCancel);
    });

    bool workerWasWaiting = false;
    bool otherWorkerGotThrough = false;
    BoxAnswerer answerer([&](QMessageBox& box) {
        EXPECT_EQ(box.text(), "Update the firmware now?");
        EXPECT_EQ(box.windowTitle(), "Brevalon® Data Manager");
        EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
        QMessageBox::StandardButtons expected = QMessageBox::Yes | QMessageBox::No;
        if (c.withCancel) expected |= QMessageBox::Cancel;
        EXPECT_EQ(box.standardButtons(), expected);
        workerWasWaiting =
            answer.wait_for(std::chrono::milliseconds(50)) == std::future_status::timeout;
        // Another worker's effects still reach the windows while the box is up.
        std::thread([this] { ui.LogLine("still running"); }).join();
        otherWorkerGotThrough =
            PollUntil([&] { return !windows.Starting("log still running").empty(); }, 2000);
        box.button(c.click)->click();
    });

    ASSERT_TRUE(PollUntil([&] {
        return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    }));
    EXPECT_EQ(answer.get(), c.expected);
    EXPECT_EQ(answerer.Count(), 1);
    EXPECT_TRUE(workerWasWaiting);
    EXPECT_TRUE(otherWorkerGotThrough);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, QtUiQuestionTest,
    ::testing::Values(QuestionCase{false, QMessageBox::Yes, Answer::Yes},
                      QuestionCase{false, QMessageBox::No, Answer::No},
                      QuestionCase{true, QMessageBox::Cancel, Answer::Cancel},
                      QuestionCase{true, QMessageBox::Yes, Answer::Yes}),
    QuestionName);

TEST_F(QtUiTest, AMessageBoxOnTheGuiThreadShowsAtOnceWithOnlyOk) {
    std::vector<QString> seen;
    BoxAnswerer answerer([&](QMessageBox& box) {
        seen.push_back(box.text());
        EXPECT_EQ(box.standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
        EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box.windowTitle(), "Brevalon® Data Manager");
        box.button(QMessageBox::Ok)->click();
    });
    ui.MessageBox("The language file is missing!");
    ui.MessageBox("The MCU configuration file is missing!");
    EXPECT_EQ(seen, (std::vector<QString>{"The language file is missing!",
                                          "The MCU configuration file is missing!"}));
}

// Notes what the windows had received at the moment a message box is shown.
class BoxShowWatcher : public QObject {
public:
    BoxShowWatcher(const RecordingWindows& windows, std::vector<std::string>& atShow)
        : windows_(windows), atShow_(atShow) {
        qApp->installEventFilter(this);
    }
    ~BoxShowWatcher() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && qobject_cast<QMessageBox*>(watched))
            atShow_ = windows_.calls;
        return false;
    }

private:
    const RecordingWindows& windows_;
    std::vector<std::string>& atShow_;
};

TEST_F(QtUiTest, EffectsMadeBeforeABoxOnTheGuiThreadReachTheWindowBeforeItShows) {
    std::vector<std::string> atBox;
    BoxShowWatcher watcher(windows, atBox);
    BoxAnswerer answerer([&](QMessageBox& box) { box.button(QMessageBox::Ok)->click(); });
    ui.LogLine("File error!");
    ui.SetMainButtons(false);
    ui.MessageBox("File error!");
    EXPECT_EQ(atBox, (std::vector<std::string>{"log File error!", "buttons off"}));
}

TEST_F(QtUiTest, ClosingAQuestionWithoutAButtonIsNo) {
    BoxAnswerer answerer([](QMessageBox& box) { box.reject(); });
    EXPECT_EQ(ui.Question("Overwrite?", false), Answer::No);
}

TEST_F(QtUiTest, ShutdownReleasesAWorkerWaitingForABox) {
    std::future<Answer> answer =
        std::async(std::launch::async, [&] { return ui.Question("Found in update mode?", false); });
    // The GUI thread never gets to the box: the program is ending.
    EXPECT_EQ(answer.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    ui.Shutdown();
    ASSERT_EQ(answer.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(answer.get(), Answer::No);

    // Later boxes from workers return at once, and nothing is shown for them.
    std::future<Answer> later =
        std::async(std::launch::async, [&] { return ui.Question("Again?", true); });
    ASSERT_EQ(later.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(later.get(), Answer::Cancel);
    BoxAnswerer answerer([](QMessageBox& box) { box.reject(); });
    QCoreApplication::processEvents();
    EXPECT_EQ(answerer.Count(), 0);
    EXPECT_TRUE(windows.calls.empty());
}

}  // namespace
