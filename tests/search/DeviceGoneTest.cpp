// A breathalyser that goes away while connected, and one that answers slowly:
// the search with the in-process serial component and the program's receive
// path, against the virtual breathalyser.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "SimComm.h"
#include "SimRecords.h"
#include "core/SharedState.h"
#include "core/SystemPorts.h"
#include "link/Download.h"
#include "link/ReceiveRing.h"
#include "search/SearchThreads.h"
#include "support/RecordingUi.h"

namespace {

using namespace std::chrono_literals;

struct SimPorts : PortLister {
    std::vector<std::string> names;
    std::function<void()> whileListing;
    std::vector<std::string> GetComPortList() override {
        if (whileListing) whileListing();
        return names;
    }
};

bool Has(const std::vector<RecordingUi::Event>& events, const std::string& kind,
         const std::string& text) {
    return std::any_of(events.begin(), events.end(),
                       [&](const auto& e) { return e.kind == kind && e.text == text; });
}

struct DeviceGone : ::testing::Test {
    RecordingUi ui;
    SimComm comm;
    SharedState s{ui, comm};
    SimPorts ports;
    SearchThreads search{s, ports};
    VirtualBreathalyser* device = nullptr;
    // Record packets handed to the receive path so far.
    std::atomic<int> recordPackets{0};
    // After this many record packets the device is pulled out (0: never).
    std::atomic<int> unplugAfterRecord{0};

    void SetUp() override {
        SimDeviceConfig config;
        config.Records = GenerateRecords(3, 3);
        device = &comm.AddDevice("SIM", config);
        ports.names = {"SIM"};
        comm.SetReceiveHandler([this](const uint8_t* b, size_t n) {
            Comm1ReceiveData(s, b, n);
            if (n >= 5 && b[0] == 0xAA && b[1] == 0xFE && b[4] == 0x84 &&
                ++recordPackets == unplugAfterRecord.load())
                comm.SetUnplugged("SIM", true);
        });
    }

    void Connect() {
        search.SearchMainTask();
        ASSERT_EQ(s.Connected.load(), 1);
        ui.Clear();
    }
};

TEST_F(DeviceGone, AnIdleLinkIsDroppedAtOnceWithoutAnyPass) {
    Connect();
    search.Start();  // no trigger: only the report can drop the link

    comm.SetUnplugged("SIM", true);

    ASSERT_TRUE(ui.WaitForLog("No found the device!"));
    ASSERT_TRUE(ui.WaitFor([](const auto& ev) { return Has(ev, "buttons", "off"); }));
    EXPECT_EQ(ui.Log(), std::vector<std::string>{"No found the device!"});
    for (int i = 0; i < 500 && s.Connected.load() != 0; ++i) std::this_thread::sleep_for(1ms);
    EXPECT_EQ(s.Connected.load(), 0);
    EXPECT_FALSE(ui.MainButtons());
    EXPECT_FALSE(comm.IsOpen());

    // The next pass searches again and says so.
    comm.SetUnplugged("SIM", false);
    search.Trigger();
    ASSERT_TRUE(ui.WaitForLog("Searching the Zet&Kovan device ......"));
    ASSERT_TRUE(ui.WaitForLog("Breathalyser successfully connected."));
    search.Stop();
    EXPECT_EQ(s.Connected.load(), 1);
}

TEST_F(DeviceGone, MidDownloadTheLogSaysHowManyRecordsHadArrived) {
    Connect();
    search.Start();
    unplugAfterRecord = 2;

    btnDownloadClick(s);

    ASSERT_TRUE(ui.WaitForLog("Download interrupted: 2 of 3 records had arrived."));
    const auto log = ui.Log();
    const auto lost = std::find(log.begin(), log.end(), "No found the device!");
    ASSERT_NE(lost, log.end());
    EXPECT_EQ(*(lost + 1), "Download interrupted: 2 of 3 records had arrived.");
    search.Stop();
    EXPECT_EQ(s.OperationState.load(), 0);
    EXPECT_EQ(s.Connected.load(), 0);
    EXPECT_EQ(ui.GridCount(), 0);  // no results window for a broken download
    EXPECT_FALSE(ui.MainButtons());
}

TEST_F(DeviceGone, AReportWhileSearchingDoesNotDropTheNextConnection) {
    // Reported in the middle of a searching pass, as for a port that was being
    // probed and has been closed since.
    ports.whileListing = [this] { search.DeviceGone(); };
    search.SearchMainTask();
    ASSERT_EQ(s.Connected.load(), 1);
    ports.whileListing = nullptr;
    EXPECT_FALSE(search.DropLostDevice());
    search.SearchMainTask();
    EXPECT_EQ(s.Connected.load(), 1);
    EXPECT_TRUE(ui.MainButtons());
}

TEST_F(DeviceGone, DroppingTheLinkStartsTheReceiveRingAgain) {
    Connect();
    ASSERT_TRUE(comm.InjectFromDevice(device->MakeReport(0x80)));
    ASSERT_TRUE(comm.WaitUntilIdle(5s));
    ASSERT_GT(s.RxWritePos.load(), 0);

    search.DropTheLink();

    EXPECT_EQ(s.RxWritePos.load(), 0);
    EXPECT_EQ(s.Connected.load(), 0);
}

// The search waits 80 ms for an answer to its probe.
struct ProbeLimitCase {
    int replyDelayMs;
    bool found;
};

class ProbeLimit : public DeviceGone, public ::testing::WithParamInterface<ProbeLimitCase> {};

TEST_P(ProbeLimit, ADeviceIsFoundOnlyWhenItAnswersWithinTheLimit) {
    comm.SetReplyDelay(std::chrono::milliseconds(GetParam().replyDelayMs));
    search.SearchMainTask();
    EXPECT_EQ(s.Connected.load(), GetParam().found ? 1 : 0);
    EXPECT_EQ(comm.IsOpen(), GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(ReplyDelays, ProbeLimit,
                         ::testing::Values(ProbeLimitCase{0, true}, ProbeLimitCase{60, true},
                                           ProbeLimitCase{100, false}),
                         [](const auto& info) {
                             return "AnswerAfter" + std::to_string(info.param.replyDelayMs) + "ms";
                         });

}  // namespace
