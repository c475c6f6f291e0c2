#include "search/SearchThreads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "core/SharedState.h"
#include "core/SystemPorts.h"
#include "link/ReceiveRing.h"
#include "support/FakeComm.h"
#include "support/RecordingUi.h"

namespace {

using Bytes = FakeComm::Bytes;

const Bytes kNormalProbe = {0xAA, 0xFE, 0x00, 0x03, 0x82, 0x11, 0x96};
const Bytes kBootProbe = {0x1B, 0x00, 0xFE, 0x01, 0x87, 0x88};
// The clock answer of a breathalyser: 16:32:48 on 11/12/2026.
const Bytes kClockAnswer = {0xAA, 0xFE, 0x00, 0x09, 0x82, 0x10, 0x20, 0x30, 0x07, 0xEA, 0x0C, 0x0B, 0xF3};

FakeComm::Responder NormalDevice() {
    return [](const Bytes& w) { return w == kNormalProbe ? kClockAnswer : Bytes{}; };
}

FakeComm::Responder Answering(Bytes answer) {
    return [answer](const Bytes& w) { return w == kNormalProbe ? answer : Bytes{}; };
}

FakeComm::Responder BootloaderDevice() {
    return [](const Bytes& w) { return w == kBootProbe ? Bytes{0x00, 0xFE, 0x01, 0x87, 0x79} : Bytes{}; };
}

struct ListedPorts : PortLister {
    std::vector<std::string> names;
    std::vector<std::string> GetComPortList() override { return names; }
};

struct SearchFixture : ::testing::Test {
    RecordingUi ui;
    FakeComm comm;
    SharedState s{ui, comm};
    ListedPorts ports;
    SearchThreads search{s, ports};

    void SetUp() override {
        comm.SetReceiveHandler([this](const uint8_t* b, size_t n) { Comm1ReceiveData(s, b, n); });
    }

    int Count(const std::string& kind, const std::string& text) {
        auto v = ui.Of(kind);
        return static_cast<int>(std::count(v.begin(), v.end(), text));
    }
};

TEST_F(SearchFixture, DeviceAnsweringTheProbeIsConnectedWithButtonsBeepAndLogLine) {
    ports.names = {"COM3"};
    comm.AddPort("COM3", NormalDevice());

    search.SearchMainTask();

    EXPECT_EQ(s.Connected.load(), 1);
    EXPECT_TRUE(search.DispatcherRunning());
    EXPECT_EQ(comm.OpenPort(), "COM3");
    EXPECT_TRUE(ui.MainButtons());
    EXPECT_EQ(Count("beep", ""), 1);
    EXPECT_EQ(ui.Log(), (std::vector<std::string>{"Searching the Zet&Kovan device ......",
                                                  "Breathalyser successfully connected."}));
    EXPECT_EQ(ui.Progress(), (std::vector<int>{10, 0}));
    ASSERT_FALSE(comm.Writes().empty());
    EXPECT_EQ(comm.Writes().front(), kNormalProbe);
}

TEST_F(SearchFixture, StartBytesAloneAreNotADevice) {
    ports.names = {"COM3"};
    comm.AddPort("COM3", Answering({0xAA, 0xFE}));

    search.SearchMainTask();

    EXPECT_EQ(s.Connected.load(), 0);
    EXPECT_EQ(comm.OpenPort(), "");
    EXPECT_FALSE(ui.MainButtons());
    // Both probes were tried on the open port before it was closed.
    EXPECT_EQ(comm.Writes(), (std::vector<Bytes>{kNormalProbe, kBootProbe}));
}

TEST_F(SearchFixture, StartBytesAndOneMoreByteAreADevice) {
    ports.names = {"COM3"};
    comm.AddPort("COM3", Answering({0xAA, 0xFE, 0x00}));
    search.SearchMainTask();
    EXPECT_EQ(s.Connected.load(), 1);
}

TEST_F(SearchFixture, OfTwoDevicesTheFirstListedIsConnectedAndTheOtherNotTried) {
    ports.names = {"COM1", "COM4", "COM7"};
    comm.AddPort("COM1");  // opens, but nothing answers
    comm.AddPort("COM4", NormalDevice());
    comm.AddPort("COM7", NormalDevice());

    search.SearchMainTask();

    EXPECT_EQ(comm.Opens(), (std::vector<std::string>{"COM1", "COM4"}));
    EXPECT_EQ(comm.OpenPort(), "COM4");
    EXPECT_EQ(s.Connected.load(), 1);
}

TEST_F(SearchFixture, PortsThatFailToOpenAreSkippedSilently) {
    ports.names = {"COM2", "COM5"};
    comm.AddPort("COM2");
    comm.FailOpen("COM2");
    comm.AddPort("COM5", NormalDevice());

    search.SearchMainTask();

    EXPECT_EQ(comm.Opens(), (std::vector<std::string>{"COM5"}));
    EXPECT_EQ(s.Connected.load(), 1);
    EXPECT_EQ(ui.Log().size(), 2u);
}

TEST_F(SearchFixture, WithoutPortsTheSearchingLineIsWrittenOnceAndProgressSteps) {
    for (int i = 0; i < 13; ++i) search.SearchMainTask();

    EXPECT_EQ(ui.Log(), (std::vector<std::string>{"Searching the Zet&Kovan device ......"}));
    // 10..100, then 1, 11, ..., a position above 100 shows as full.
    EXPECT_EQ(ui.Progress(), (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 1, 11, 21}));
    for (int i = 0; i < 8; ++i) search.SearchMainTask();
    EXPECT_EQ(ui.Progress().back(), 100);  // position 101
    search.SearchMainTask();
    EXPECT_EQ(ui.Progress().back(), 1);
}

TEST_F(SearchFixture, WatchdogDropsTheLinkOnTheEleventhPassWithoutProgress) {
    ports.names = {"COM3"};
    comm.AddPort("COM3", NormalDevice());
    search.SearchMainTask();
    ASSERT_EQ(s.Connected.load(), 1);
    ui.Clear();

    s.OperationState.store(2);
    s.OperationTicks.store(0);
    for (int pass = 1; pass <= 10; ++pass) {
        search.SearchMainTask();
        EXPECT_EQ(s.OperationTicks.load(), pass);
        EXPECT_EQ(s.Connected.load(), 1);
    }
    search.SearchMainTask();

    EXPECT_EQ(s.OperationState.load(), 0);
    EXPECT_EQ(s.OperationTicks.load(), 0);
    EXPECT_EQ(s.Connected.load(), 0);
    EXPECT_FALSE(search.DispatcherRunning());
    EXPECT_EQ(comm.OpenPort(), "");
    EXPECT_FALSE(ui.MainButtons());
    EXPECT_EQ(ui.Log(), (std::vector<std::string>{"No found the device!"}));

    // The next pass searches again and says so again.
    comm.AddPort("COM3");
    search.SearchMainTask();
    EXPECT_EQ(ui.Log().back(), "Searching the Zet&Kovan device ......");
}

TEST_F(SearchFixture, ProgressOfAnOperationKeepsTheLink) {
    ports.names = {"COM3"};
    comm.AddPort("COM3", NormalDevice());
    search.SearchMainTask();
    s.OperationState.store(2);
    for (int pass = 0; pass < 30; ++pass) {
        s.OperationTicks.store(0);  // a reply showed progress
        search.SearchMainTask();
    }
    EXPECT_EQ(s.Connected.load(), 1);
}

TEST_F(SearchFixture, DeviceOnlyInItsBootloaderIsLeftUnconnectedForNow) {
    ports.names = {"COM3"};
    comm.AddPort("COM3", BootloaderDevice());

    search.SearchMainTask();

    EXPECT_EQ(s.Connected.load(), 0);
    EXPECT_EQ(comm.OpenPort(), "");
    EXPECT_FALSE(search.DispatcherRunning());
}

TEST_F(SearchFixture, BootloaderFirstSearchConnectsANormalDeviceWithoutBeepAndLinkMode0) {
    ports.names = {"COM3"};
    comm.AddPort("COM3", NormalDevice());
    s.LinkMode.store(10);

    search.SearchMainTask();

    EXPECT_EQ(s.Connected.load(), 1);
    EXPECT_EQ(s.LinkMode.load(), 0);
    EXPECT_EQ(Count("beep", ""), 0);
    EXPECT_TRUE(ui.MainButtons());
}

TEST_F(SearchFixture, TriggersRunPassesOnTheSearchThreadAndStopEndsIt) {
    ports.names = {"COM3"};
    comm.AddPort("COM3", NormalDevice());
    search.Start();
    search.Trigger();
    EXPECT_TRUE(ui.WaitForLog("Breathalyser successfully connected."));
    for (int i = 0; i < 200 && s.SearchTrigger.load() != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(s.SearchTrigger.load(), 0);
    search.Stop();
    EXPECT_FALSE(search.DispatcherRunning());
}

}  // namespace
