// The search connecting a breathalyser that never stops talking: the receive
// path, the search thread's ring resets and the new dispatcher all meet at the
// connect. Run this under ThreadSanitizer too: the resets must be ordered with
// the serial thread's stores.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "SimComm.h"
#include "core/SharedState.h"
#include "core/SystemPorts.h"
#include "link/ReceiveRing.h"
#include "search/SearchThreads.h"
#include "support/RecordingUi.h"

namespace {

using namespace std::chrono_literals;

struct OnePort : PortLister {
    std::vector<std::string> GetComPortList() override { return {"SIM"}; }
};

// A clock report whose year carries a running number, so the log shows which
// frames were handled: AA FE 00 09 82, 10:30:00, year, 05, 17, sum.
std::vector<uint8_t> NumberedClockFrame(uint16_t year) {
    std::vector<uint8_t> f = {0xAA, 0xFE, 0x00, 0x09, 0x82, 0x0A, 0x1E, 0x00};
    f.push_back(static_cast<uint8_t>(year >> 8));
    f.push_back(static_cast<uint8_t>(year & 0xFF));
    f.push_back(0x05);
    f.push_back(0x11);
    unsigned sum = 0;
    for (size_t i = 2; i < f.size(); ++i) sum += f[i];
    f.push_back(static_cast<uint8_t>(sum & 0xFF));
    return f;
}

// The years of the "Date: 17/05/<year>" lines in the log.
std::vector<int> LoggedYears(const RecordingUi& ui) {
    std::vector<int> years;
    for (const auto& line : ui.Log())
        if (line.rfind("Date: 17/05/", 0) == 0) years.push_back(std::stoi(line.substr(12)));
    return years;
}

struct ConnectWhileSending : ::testing::Test {
    RecordingUi ui;
    SimComm comm;
    SharedState s{ui, comm};
    OnePort ports;
    SearchThreads search{s, ports};

    std::atomic<bool> streaming{false};
    std::atomic<bool> streamerIdle{true};  // the streamer has seen streaming off
    std::atomic<bool> quit{false};
    std::atomic<int> nextYear{1000};
    std::thread streamer;

    void SetUp() override {
        comm.AddDevice("SIM", SimDeviceConfig{});
        comm.SetReceiveHandler([this](const uint8_t* b, size_t n) {
            Comm1ReceiveData(s, b, n);
            // The device starts talking right after it has answered the probe
            // and goes on through the whole connect.
            if (n >= 5 && b[0] == 0xAA && b[1] == 0xFE && b[4] == 0x82 && s.Connected.load() == 0)
                streaming.store(true);
        });
        streamer = std::thread([this] {
            while (!quit.load()) {
                if (streaming.load()) {
                    streamerIdle.store(false);
                    const auto frame = NumberedClockFrame(static_cast<uint16_t>(nextYear.load()));
                    if (comm.InjectFromDevice(frame)) nextYear.fetch_add(1);
                } else {
                    streamerIdle.store(true);
                }
                // About the pace of the real line (a frame of 13 bytes every ms).
                std::this_thread::sleep_for(1ms);
            }
        });
    }
    void TearDown() override {
        quit.store(true);
        streamer.join();
        search.Stop();
    }

    bool WaitDrained() {
        for (int i = 0; i < 2000; ++i) {
            if (comm.WaitUntilIdle(10ms) && s.RxReadPos.load() == s.RxWritePos.load()) return true;
            std::this_thread::sleep_for(1ms);
        }
        return false;
    }
};

TEST_F(ConnectWhileSending, EveryFrameAfterTheConnectIsHandledWholeAndInOrder) {
    for (int cycle = 0; cycle < 12; ++cycle) {
        SCOPED_TRACE(cycle);
        ui.Clear();
        search.SearchMainTask();
        ASSERT_EQ(s.Connected.load(), 1);
        std::this_thread::sleep_for(40ms);
        streaming.store(false);
        while (!streamerIdle.load()) std::this_thread::sleep_for(1ms);
        ASSERT_TRUE(WaitDrained());
        const int lastSent = nextYear.load() - 1;

        // Frames that began before the connect are gone; from the first one
        // handled on, none is missing, cut or zeroed.
        const auto years = LoggedYears(ui);
        ASSERT_FALSE(years.empty());
        for (size_t i = 1; i < years.size(); ++i) EXPECT_EQ(years[i], years[i - 1] + 1);
        EXPECT_EQ(years.back(), lastSent);
        for (const auto& line : ui.Log()) EXPECT_NE(line, "Error!");

        search.DropTheLink();
        nextYear.store(nextYear.load() + 100);
    }
}

}  // namespace
