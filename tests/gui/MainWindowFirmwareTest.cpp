// The main window's firmware and update duties: the first web download after
// the start-up delay, and the program's own update check with its events.

#include <gtest/gtest.h>

#include "app/MainUnit.h"
#include "core/WebAccess.h"
#include "firmware/CodeFileMake.h"
#include "gui/WindowFixture.h"

namespace {

struct CountingWeb : WebAccess {
    std::vector<std::string> requested;
    std::string body;
    bool InternetConnected() override { return true; }
    bool NetworkPresent() override { return true; }
    bool DownloadUrlToFile(const std::string& url, const std::filesystem::path& target) override {
        requested.push_back(url);
        std::ofstream(target, std::ios::binary) << body;
        return true;
    }
};

struct ScriptedUpdate : SelfUpdate {
    SelfUpdateEvents* events = nullptr;
    std::vector<bool> checks;
    void SetEvents(SelfUpdateEvents* e) override { events = e; }
    void CheckUpdate(bool checkOnly) override { checks.push_back(checkOnly); }
};

class MainWindowFirmware : public WindowFixture {
  protected:
    void SetUp() override {
        InstallFiles();
        s.Firmware = InstalledFirmwarePlaces(paths);
        s.web = &web;
        std::vector<std::string> lines;
        std::string error;
        MakeCodeFile({"Q7302", "2.01.006", "1.000", "", "STM32"}, BinaryImage({1, 2}, 0x08003000),
                     lines, error);
        for (const auto& l : lines) web.body += l + "\r\n";
        WriteProgramFile("website.ini", "[MAINWEBSITE]\nx\nz.txt=http://fw.test/z\n[end]\n");
    }
    CountingWeb web;
    ScriptedUpdate update;
};

TEST_F(MainWindowFirmware, TheStartUpDelayRunsTheFirstWebDownloadOnce) {
    TForm1 form(s, ports, paths, &update);
    EXPECT_FALSE(s.FirmwareFetched.load());
    form.BootDelayTimerTimer();
    EXPECT_TRUE(s.FirmwareFetched.load());
    EXPECT_EQ(web.requested, std::vector<std::string>{"http://fw.test/z"});
    EXPECT_TRUE(std::filesystem::exists(paths.DataFolder / "SUGdefaultscf_ZET.txt"));
    EXPECT_EQ(ui.Log().front(), "x");  // the test language's [MAINWEBSITE] offset 2
    form.StopSearch();
    form.BootDelayTimerTimer();  // a fetched run is not repeated
    EXPECT_EQ(web.requested.size(), 1u);
    form.StopSearch();
}

TEST_F(MainWindowFirmware, AFailedFirstDownloadLeavesFirmwareFetchedFalse) {
    s.web = nullptr;
    TForm1 form(s, ports, paths, &update);
    form.BootDelayTimerTimer();
    EXPECT_FALSE(s.FirmwareFetched.load());
    form.StopSearch();
}

TEST_F(MainWindowFirmware, CreationStartsTheUpdateCheckInCheckOnlyMode) {
    TForm1 form(s, ports, paths, &update);
    EXPECT_EQ(update.checks, std::vector<bool>{true});
    EXPECT_EQ(update.events, &form);
}

TEST_F(MainWindowFirmware, NoUpdateBeepsAndSaysSo) {
    TForm1 form(s, ports, paths, &update);
    update.events->NoUpdateAvailable();
    EXPECT_EQ(ui.Of("beep").size(), 1u);
    EXPECT_EQ(ui.Of("box"), std::vector<std::string>{"No update!"});
}

TEST_F(MainWindowFirmware, ANewerVersionIsOfferedAndOpenedOnlyWhenTheUserAgrees) {
    TForm1 form(s, ports, paths, &update);
    std::vector<std::string> opened;
    form.SetUrlOpener([&](const std::string& url) { opened.push_back(url); });
    const UpdateInformation info{"1.0.3.0", "05/06/2024", "https://updates.test/new.exe"};
    ui.ScriptAnswers({Answer::No, Answer::Yes});
    update.events->UpdateAvailable(info);
    EXPECT_TRUE(opened.empty());
    update.events->UpdateAvailable(info);
    EXPECT_EQ(opened, std::vector<std::string>{"https://updates.test/new.exe"});
    EXPECT_EQ(ui.Of("question").front(),
              "A newer version of Brevalon Data Manager is available: 1.0.3.0 of 05/06/2024. "
              "Open its download page?");
}

}  // namespace
