#include "app/HeadlessRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>

#include "SimComm.h"
#include "app/ConsoleUi.h"
#include "core/SharedState.h"
#include "core/SystemPorts.h"
#include "link/ReceiveRing.h"
#include "support/FixedClock.h"

namespace {

namespace fs = std::filesystem;

struct Ports : PortLister {
    std::vector<std::string> names;
    std::vector<std::string> GetComPortList() override { return names; }
};

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

SimRecord Record(uint16_t counter, uint8_t type, uint8_t kind, uint8_t unit, uint16_t reading) {
    SimRecord r;
    r.Counter = counter;
    r.TestType = type;
    r.ResultKind = kind;
    r.UnitCode = unit;
    r.Reading = reading;
    r.Hour = 9;
    r.Minute = 5;
    r.Second = 30;
    r.Year = 2016;
    r.Month = 3;
    r.Day = 5;
    r.Text = "Driver";
    return r;
}

struct HeadlessFixture : ::testing::Test {
    std::ostringstream out, err;
    ConsoleUi ui{out, err, false};
    SimComm comm;
    SharedState s{ui, comm};
    Ports ports;
    FixedClock clock{2026, 12, 11, 9, 5, 7};
    fs::path dir;

    void SetUp() override {
        comm.SetReceiveHandler([this](const uint8_t* b, size_t n) { Comm1ReceiveData(s, b, n); });
        dir = fs::temp_directory_path() /
              ("brev-headless-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    VirtualBreathalyser& Device(SimDeviceConfig config = {}) {
        ports.names.push_back("SIM");
        return comm.AddDevice("SIM", std::move(config));
    }

    int Run(HeadlessOptions o) { return RunHeadless(s, ui, ports, clock, o, err); }
};

TEST_F(HeadlessFixture, DownloadWritesEveryRecordOfTheDeviceToTheResultsFile) {
    SimDeviceConfig config;
    config.Records = {Record(7, 1, 1, 0, 6), Record(8, 0, 0, 0, 1234), Record(9, 2, 0, 1, 0)};
    Device(config);
    HeadlessOptions o;
    o.Output = (dir / "out").string();

    ASSERT_EQ(Run(o), ExitOk) << err.str();

    const std::string file = ReadFile(dir / "out.csv");
    const std::string grid =
        "[Start to Write Datum Records]\r\n"
        "Counter ,Measure Mode ,Measure Result ,Measure Date ,Measure Time ,\r\n"
        "7 ,Quick Test ,Alcohol ,05/03/2016 ,09:05:30 ,\r\n"
        "8 ,Active Test ,1.23 mg/l ,05/03/2016 ,09:05:30 ,\r\n"
        "9 ,Passive Test ,0 ug/100ml ,05/03/2016 ,09:05:30 ,\r\n";
    ASSERT_GE(file.size(), grid.size());
    EXPECT_EQ(file.substr(file.size() - grid.size()), grid);
    EXPECT_NE(file.find("File Creat Date:11/12/2026 09:05:07\r\n"), std::string::npos);
    EXPECT_NE(file.find("[Device Type]=KOVAN\r\n"), std::string::npos);
    EXPECT_NE(out.str().find("Breathalyser successfully connected.\n"), std::string::npos);
    EXPECT_NE(err.str().find("Saved 3 records"), std::string::npos);
    EXPECT_FALSE(comm.IsOpen());
}

TEST_F(HeadlessFixture, NoDeviceWithinTheTimeoutIsAnErrorWithAClearMessage) {
    ports.names = {"EMPTY"};
    comm.AddEmptyPort("EMPTY");
    HeadlessOptions o;
    o.TimeoutSeconds = 1;
    o.Output = (dir / "out").string();

    EXPECT_EQ(Run(o), ExitNoDevice);
    EXPECT_NE(err.str().find("No breathalyser found within 1 s."), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "out.csv"));
}

TEST_F(HeadlessFixture, AnExistingFileIsKeptUnlessForced) {
    SimDeviceConfig config;
    config.Records = {Record(1, 0, 0, 0, 0)};
    Device(config);
    { std::ofstream(dir / "out.csv") << "keep me"; }
    HeadlessOptions o;
    o.Output = (dir / "out.csv").string();

    EXPECT_EQ(Run(o), ExitFileNotWritten);
    EXPECT_EQ(ReadFile(dir / "out.csv"), "keep me");
    EXPECT_NE(err.str().find("use --force"), std::string::npos);
}

TEST_F(HeadlessFixture, ForceOverwritesAnExistingFile) {
    std::ostringstream forcedOut, forcedErr;
    ConsoleUi forcedUi(forcedOut, forcedErr, true);
    SharedState forced(forcedUi, comm);
    comm.SetReceiveHandler([&](const uint8_t* b, size_t n) { Comm1ReceiveData(forced, b, n); });
    SimDeviceConfig config;
    config.Records = {Record(1, 0, 0, 0, 0)};
    Device(config);
    { std::ofstream(dir / "out.csv") << "old"; }
    HeadlessOptions o;
    o.Output = (dir / "out.csv").string();

    EXPECT_EQ(RunHeadless(forced, forcedUi, ports, clock, o, forcedErr), ExitOk) << forcedErr.str();
    EXPECT_NE(ReadFile(dir / "out.csv").find("1 ,Active Test ,0.00 mg/l"), std::string::npos);
}

TEST_F(HeadlessFixture, AWriteThatFailsWhenForcedSaysWhy) {
    fs::create_directory(dir / "folder.csv");
    const bool haveFullDevice = fs::exists("/dev/full");
    if (haveFullDevice) fs::create_symlink("/dev/full", dir / "full.csv");
    const struct {
        const char* what;
        fs::path output;
        const char* reason;
    } cases[] = {
        {"a folder of the name", dir / "folder.csv", "A folder has this name"},
        {"a full disk", dir / "full.csv", "No space left on device"},
        {"a folder that does not exist", dir / "absent" / "out.csv", "No such file or directory"},
    };
    for (const auto& c : cases) {
        if (c.output == dir / "full.csv" && !haveFullDevice) continue;
        std::ostringstream forcedOut, forcedErr;
        ConsoleUi forcedUi(forcedOut, forcedErr, true);
        SimComm forcedComm;
        SharedState forced(forcedUi, forcedComm);
        forcedComm.SetReceiveHandler(
            [&](const uint8_t* b, size_t n) { Comm1ReceiveData(forced, b, n); });
        SimDeviceConfig config;
        config.Records = {Record(1, 0, 0, 0, 0)};
        forcedComm.AddDevice("SIM", config);
        Ports simPorts;
        simPorts.names = {"SIM"};
        HeadlessOptions o;
        o.Output = c.output.string();

        EXPECT_EQ(RunHeadless(forced, forcedUi, simPorts, clock, o, forcedErr), ExitFileNotWritten)
            << c.what << ": " << forcedErr.str();
        const std::string expected =
            "The results were not saved to " + c.output.string() + ": " + c.reason + ".\n";
        EXPECT_NE(forcedErr.str().find(expected), std::string::npos)
            << c.what << ": " << forcedErr.str();
        EXPECT_EQ(forcedErr.str().find("use --force"), std::string::npos) << c.what;
    }
    EXPECT_TRUE(fs::is_directory(dir / "folder.csv"));
    if (haveFullDevice) {
        EXPECT_EQ(fs::read_symlink(dir / "full.csv"), "/dev/full");
    }
}

TEST_F(HeadlessFixture, ADeviceOtherThanKovanCannotBeDownloaded) {
    SimDeviceConfig config;
    config.ModelCode = "Q7302";
    config.SWVer = "101005";
    config.Records = {Record(1, 0, 0, 0, 0)};
    Device(config);
    HeadlessOptions o;
    o.Output = (dir / "out").string();

    EXPECT_EQ(Run(o), ExitDownloadFailed);
    EXPECT_NE(err.str().find("needs a KOVAN breathalyser (this one is ZET)"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "out.csv"));
}

TEST_F(HeadlessFixture, ADeviceWithoutRecordsEndsCleanlyWithoutAFile) {
    Device();
    HeadlessOptions o;
    o.Output = (dir / "out").string();

    EXPECT_EQ(Run(o), ExitOk);
    EXPECT_NE(out.str().find("No found any record!"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "out.csv"));
}

TEST_F(HeadlessFixture, InfoPrintsTheDeviceInformationOnly) {
    SimDeviceConfig config;
    config.Records = {Record(1, 0, 0, 0, 0)};
    VirtualBreathalyser& device = Device(config);
    HeadlessOptions o;
    o.Action = HeadlessOptions::Command::Info;

    EXPECT_EQ(Run(o), ExitOk) << err.str();
    EXPECT_NE(out.str().find("Model Name:KOVAN\n"), std::string::npos);
    EXPECT_NE(out.str().find("Software Version:2.01.005\n"), std::string::npos);
    // The report was acknowledged and no record memory was asked for.
    bool askedMemory = false;
    for (const auto& f : device.ReceivedFrames()) askedMemory |= f.Command == 0x83;
    EXPECT_FALSE(askedMemory);
}

TEST_F(HeadlessFixture, ADeviceThatFallsSilentMidDownloadFailsTheDownload) {
    SimDeviceConfig config;
    config.Records = {Record(1, 0, 0, 0, 0), Record(2, 0, 0, 0, 0), Record(3, 0, 0, 0, 0)};
    Device(config).FallSilentAfterRecord(2);
    HeadlessOptions o;
    o.Output = (dir / "out").string();

    EXPECT_EQ(Run(o), ExitDownloadFailed);
    EXPECT_NE(out.str().find("No found the device!"), std::string::npos);
    EXPECT_NE(err.str().find("the download is incomplete"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "out.csv"));
}

TEST_F(HeadlessFixture, ADeviceUnpluggedMidDownloadIsReportedAtOnce) {
    SimDeviceConfig config;
    config.Records = {Record(1, 0, 0, 0, 0), Record(2, 0, 0, 0, 0), Record(3, 0, 0, 0, 0)};
    Device(config);
    int records = 0;
    comm.SetReceiveHandler([&](const uint8_t* b, size_t n) {
        Comm1ReceiveData(s, b, n);
        // Pulled out right after the second record packet has come in.
        if (n >= 5 && b[0] == 0xAA && b[4] == 0x84 && ++records == 2)
            comm.SetUnplugged("SIM", true);
    });
    HeadlessOptions o;
    o.Output = (dir / "out").string();

    auto run = std::async(std::launch::async, [&] { return Run(o); });
    // Neither the operation watchdog (11 s) nor a wait for results that can no
    // longer come (5 s) stands between the loss and the report.
    ASSERT_EQ(run.wait_for(std::chrono::seconds(4)), std::future_status::ready);
    EXPECT_EQ(run.get(), ExitDownloadFailed);
    EXPECT_NE(
        out.str().find("No found the device!\nDownload interrupted: 2 of 3 records had arrived.\n"),
        std::string::npos)
        << out.str();
    EXPECT_NE(err.str().find("the download is incomplete"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "out.csv"));
}

}  // namespace
