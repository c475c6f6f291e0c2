#include "app/MainUnit.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <thread>

#include "config/SetupUnit.h"
#include "gui/GuiTestSupport.h"
#include "gui/WindowFixture.h"
#include "platform/gui/QtUi.h"
#include "search/SearchThreads.h"

namespace {

using MainWindowTest = WindowFixture;

TEST_F(MainWindowTest, CaptionsComeFromTheMenuSection) {
    InstallFiles();
    TForm1 form(s, ports, paths);
    EXPECT_EQ(form.windowTitle(), "Test Manager");
    EXPECT_EQ(form.btnUpdate->text(), "Update Now");
    EXPECT_EQ(form.btnDownload->text(), "Fetch Results");
    EXPECT_FALSE(form.TerminateRequested());
    EXPECT_TRUE(ui.Events().empty());
}

TEST_F(MainWindowTest, WithoutAMenuSectionTheFirstLinesGiveTheCaptions) {
    InstallFiles("[Hint]\nLine0=Ready\nLine1=Busy\nLine2=Other\n");
    TForm1 form(s, ports, paths);
    EXPECT_EQ(form.windowTitle(), "");
    EXPECT_EQ(form.btnUpdate->text(), "Ready");
    EXPECT_EQ(form.btnDownload->text(), "Busy");
}

TEST_F(MainWindowTest, HasItsDesignedLayout) {
    InstallFiles();
    TForm1 form(s, ports, paths);
    EXPECT_EQ(form.size(), QSize(744, 421));
    EXPECT_EQ(form.pos(), QPoint(200, 100));
    EXPECT_EQ(form.TitileArea->height(), 73);
    EXPECT_EQ(form.SpeedButton1->geometry(), QRect(0, 1, 69, 71));
    EXPECT_EQ(form.SpeedButton2->size(), QSize(73, 71));
    EXPECT_EQ(form.SpeedButton2->geometry().right(), 743);
    EXPECT_EQ(form.btnArea->height(), 39);
    EXPECT_EQ(form.btnUpdate->geometry(), QRect(75, 4, 200, 32));
    EXPECT_EQ(form.btnDownload->geometry(), QRect(452, 4, 200, 32));
    EXPECT_EQ(form.ProgressBar1->height(), 29);
    EXPECT_EQ(form.ProgressBar1->minimum(), 0);
    EXPECT_EQ(form.ProgressBar1->maximum(), 100);
    EXPECT_TRUE(form.Memo1->isReadOnly());
    EXPECT_FALSE(form.Image1->pixmap().isNull());
    EXPECT_FALSE(form.SpeedButton1->icon().isNull());
}

TEST_F(MainWindowTest, BothMainButtonsAreDisabledAfterStart) {
    InstallFiles();
    TForm1 form(s, ports, paths);
    EXPECT_FALSE(form.btnUpdate->isEnabled());
    EXPECT_FALSE(form.btnDownload->isEnabled());
    EXPECT_EQ(s.LinkMode.load(), 0);
    EXPECT_EQ(s.SearchTrigger.load(), 0xFF);
    EXPECT_EQ(s.Connected.load(), 0);
    form.EnableMainButtons(true);
    EXPECT_TRUE(form.btnUpdate->isEnabled());
    EXPECT_TRUE(form.btnDownload->isEnabled());
}

struct MissingFilesCase {
    bool language;
    bool model;
    std::vector<std::string> boxes;
};

class MissingFilesTest : public WindowFixture,
                         public ::testing::WithParamInterface<MissingFilesCase> {};

TEST_P(MissingFilesTest, EachMissingFileIsReportedInOrderAndEndsTheProgram) {
    const MissingFilesCase c = GetParam();
    if (c.language) WriteProgramFile("languages.ini", kTestLanguage);
    if (c.model) WriteProgramFile("model.ini", "[STM32]\n");
    TForm1 form(s, ports, paths);

    std::vector<RecordingUi::Event> expected;
    for (const auto& box : c.boxes) {
        expected.push_back({"beep", ""});
        expected.push_back({"box", box});
    }
    const auto events = ui.Events();
    ASSERT_EQ(events.size(), expected.size());
    for (size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i].kind, expected[i].kind);
        EXPECT_EQ(events[i].text, expected[i].text);
    }
    EXPECT_EQ(form.TerminateRequested(), !c.boxes.empty());
    EXPECT_FALSE(form.isVisible());
    if (!c.language) {
        EXPECT_EQ(form.btnDownload->text(), "Download Previous Results");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, MissingFilesTest,
    ::testing::Values(
        MissingFilesCase{false, false,
                         {"The language file is missing!", "The MCU configuration file is missing!"}},
        MissingFilesCase{false, true, {"The language file is missing!"}},
        MissingFilesCase{true, false, {"The MCU configuration file is missing!"}},
        MissingFilesCase{true, true, {}}),
    [](const ::testing::TestParamInfo<MissingFilesCase>& info) {
        const MissingFilesCase& c = info.param;
        if (!c.language && !c.model) return std::string("BothMissing");
        if (!c.language) return std::string("LanguageMissing");
        if (!c.model) return std::string("ModelMissing");
        return std::string("BothPresent");
    });

TEST_F(MainWindowTest, SettingsWindowOpensBelowAndRightOfTheMainWindow) {
    InstallFiles();
    TForm1 form(s, ports, paths);
    TForm2 settings(s, ports);
    form.SetSettingsWindow(&settings);
    form.move(300, 180);
    form.show();
    EXPECT_FALSE(settings.isVisible());
    form.SpeedButton1->click();
    EXPECT_TRUE(settings.isVisible());
    EXPECT_EQ(settings.pos(), form.pos() + QPoint(50, 20));
}

struct LinkCase {
    bool withWebsiteSection;
    std::string home;
    std::string support;
};

class WebLinkTest : public WindowFixture, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(WebLinkTest, LogoAndSupportButtonOpenTheirAddresses) {
    const LinkCase c = GetParam();
    std::string language = kTestLanguage;
    if (!c.withWebsiteSection) language = "[Menu]\nM0=a\nM1=b\nM2=c\n[END]\n";
    InstallFiles(language);
    TForm1 form(s, ports, paths);
    std::vector<std::string> opened;
    form.SetUrlOpener([&](const std::string& address) { opened.push_back(address); });
    form.show();
    ClickAt(form.Image1, form.Image1->rect().center());
    form.SpeedButton2->click();
    EXPECT_EQ(opened, (std::vector<std::string>{c.home, c.support}));
}

INSTANTIATE_TEST_SUITE_P(
    Sections, WebLinkTest,
    ::testing::Values(
        LinkCase{true, "https://home.test/", "https://home.test/support"},
        LinkCase{false, "https://www.brevalon.example/",
                 "https://www.brevalon.example/brevalon-data-manager-support.html"}),
    [](const ::testing::TestParamInfo<LinkCase>& info) {
        return std::string(info.param.withWebsiteSection ? "FromTheLanguageFile" : "BuiltIn");
    });

TEST_F(MainWindowTest, EffectsOfWorkersReachTheLogTheBarAndTheButtons) {
    InstallFiles();
    TForm1 form(s, ports, paths);
    QtUi bridge("Brevalon® Data Manager");
    bridge.Attach(&form, nullptr);
    std::thread worker([&] {
        bridge.LogLine("");
        bridge.LogLine("Searching breathalyser...");
        bridge.SetProgress(101);  // the search's last step lies past the bar's end
        bridge.SetMainButtons(true);
        bridge.LogLine("Breathalyser successfully connected.");
    });
    worker.join();
    ASSERT_TRUE(PollUntil([&] { return form.btnDownload->isEnabled(); }));
    ASSERT_TRUE(PollUntil([&] { return form.Memo1->blockCount() == 3; }));
    EXPECT_EQ(form.Memo1->toPlainText(),
              "\nSearching breathalyser...\nBreathalyser successfully connected.");
    EXPECT_EQ(form.ProgressBar1->value(), 100);
    EXPECT_TRUE(form.btnUpdate->isEnabled());

    bridge.SetLogLines({"Erasing...", "Writing..."});
    bridge.LogLine("Done");
    ASSERT_TRUE(PollUntil([&] { return form.Memo1->toPlainText().endsWith("Done"); }));
    EXPECT_EQ(form.Memo1->toPlainText(), "Erasing...\nWriting...\nDone");
    bridge.Shutdown();
}

TEST_F(MainWindowTest, ServiceAreaHoldsItsDesignValuesAndTakesReportedOnes) {
    InstallFiles();
    TForm1 form(s, ports, paths);
    const TServiceArea& area = form.ServiceArea();
    EXPECT_EQ(area.Value("ComboBoxUnit"), "Per mille");
    EXPECT_EQ(area.Items.at("ComboBoxUnit"),
              (std::vector<std::string>{"mg/L", "ug/100ml", "%", "Per mille"}));
    EXPECT_EQ(area.Items.at("ComboBoxLanguage"), (std::vector<std::string>{"English"}));
    EXPECT_EQ(area.Items.at("ComboBox2").size(), 54u);
    EXPECT_EQ(area.Items.at("ComboBox2")[2], "UK (Scot)\t");
    EXPECT_EQ(area.Items.at("ComboBoxRFChannel").size(), 31u);
    EXPECT_EQ(area.Items.at("ComboBoxRFChannel").front(), "CH-NO80\t");
    EXPECT_EQ(area.Items.at("ComboBoxRFChannel").back(), "CH-NO110");
    EXPECT_EQ(area.Value("ComboBoxRFChannel"), "CH-NO95\t");
    EXPECT_EQ(area.Value("ModelSN"), "A000000000");
    EXPECT_EQ(area.Value("Label_NameofTester"), "Name of Tester");
    EXPECT_EQ(area.Value("NoSuchControl"), "");

    form.StoreServiceValue("EditBrAC", "2100");
    form.AppendServiceLine("Settings read.");
    EXPECT_EQ(area.Value("EditBrAC"), "2100");
    EXPECT_EQ(area.MemoLines, (std::vector<std::string>{"Settings read."}));
}

TEST_F(MainWindowTest, AfterTheStartDelayTheSearchRunsAndIsWokenEverySecond) {
    InstallFiles();
    TForm1 form(s, ports, paths);
    EXPECT_TRUE(form.BootDelayTimer->isActive());
    EXPECT_EQ(form.BootDelayTimer->interval(), 1500);
    EXPECT_FALSE(form.Timer1->isActive());
    form.BootDelayTimerTimer();
    EXPECT_EQ(s.SearchTrigger.load(), 0);
    EXPECT_FALSE(form.BootDelayTimer->isActive());
    ASSERT_NE(form.SearchDeviceTask, nullptr);
    EXPECT_TRUE(form.Timer1->isActive());
    EXPECT_EQ(form.Timer1->interval(), 1000);
    form.StopSearch();
    EXPECT_EQ(form.SearchDeviceTask, nullptr);
    EXPECT_FALSE(form.Timer1->isActive());
}

}  // namespace
