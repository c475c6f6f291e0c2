// The record download against the virtual breathalyser: the receive path, the
// dispatcher thread, the codec and the handlers together, with a device that
// answers each request and acknowledgement the way a breathalyser does.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "SimComm.h"
#include "SimRecords.h"
#include "core/SharedState.h"
#include "link/Download.h"
#include "link/RS232Thread.h"
#include "link/ReceiveRing.h"
#include "support/RecordingUi.h"

namespace {

using Payload = std::vector<uint8_t>;

struct Sent {
    uint8_t command;
    Payload payload;
    bool operator==(const Sent&) const = default;
};

class DownloadWithDevice : public ::testing::Test {
protected:
    void Attach(SimDeviceConfig config) {
        device = &comm.AddDevice("SIM", std::move(config));
        comm.SetReceiveHandler([this](const uint8_t* b, size_t n) { Comm1ReceiveData(s, b, n); });
        ASSERT_TRUE(comm.OpenCommon("SIM", 115200));
        s.Connected.store(1);
        dispatcher = std::make_unique<RS232Thread>(s);
    }
    void TearDown() override {
        dispatcher.reset();
        comm.StopComm();
    }

    // What the PC sent, as the device received it (checksums verified by the device).
    std::vector<Sent> Requests() const {
        std::vector<Sent> out;
        for (const auto& f : device->ReceivedFrames()) {
            EXPECT_TRUE(f.ChecksumOk);
            out.push_back({f.Command, f.Payload});
        }
        return out;
    }

    // Waits until the operation is over and nothing is on the way any more.
    void Settle() {
        for (int i = 0; i < 500 && s.OperationState.load() != 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        comm.WaitUntilIdle(std::chrono::milliseconds(2000));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        comm.WaitUntilIdle(std::chrono::milliseconds(2000));
    }

    RecordingUi ui;
    SimComm comm;
    SharedState s{ui, comm};
    VirtualBreathalyser* device = nullptr;
    std::unique_ptr<RS232Thread> dispatcher;
};

SimDeviceConfig Kovan(size_t records) {
    SimDeviceConfig config;
    config.Records = GenerateRecords(3, records);
    return config;
}

TEST_F(DownloadWithDevice, ThreeRecordsAreRequestedAcknowledgedAndShown) {
    Attach(Kovan(3));
    btnDownloadClick(s);
    ASSERT_TRUE(ui.WaitFor([](const auto& ev) {
        return std::any_of(ev.begin(), ev.end(), [](const auto& e) { return e.kind == "results-show"; });
    }));
    Settle();

    EXPECT_EQ(Requests(), (std::vector<Sent>{{0x81, {0x11}},
                                             {0x83, {0x11}},
                                             {0x83, {0x22}},
                                             {0x84, {0x11, 0x00, 0x01, 0x00, 0x03}},
                                             {0x84, {0x22}},
                                             {0x84, {0x22}},
                                             {0x84, {0x66}}}));
    EXPECT_EQ(ui.Progress(), (std::vector<int>{0, 33, 66, 100, 0}));
    EXPECT_EQ(s.OperationState.load(), 0);
    const ResultsGrid grid = ui.Grid();
    ASSERT_EQ(grid.RowCount(), 4);
    EXPECT_EQ(grid.Cell(0, 3), "3");
    EXPECT_EQ(grid.Cell(1, 1), "1");  // the device's own counter
    EXPECT_EQ(ui.Of("results-buttons"), (std::vector<std::string>{"off", "on"}));
}

TEST_F(DownloadWithDevice, AZetIsAcknowledgedAndToldTheDownloadIsForKovanOnly) {
    SimDeviceConfig config = Kovan(3);
    config.ModelCode = "Q7302";
    config.SWVer = "101005";
    Attach(config);
    btnDownloadClick(s);
    Settle();

    EXPECT_EQ(Requests(), (std::vector<Sent>{{0x81, {0x11}}, {0x81, {0x22}}}));
    const auto log = ui.Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "--------------------------------------------");
    EXPECT_EQ(log.back(),
              "This function only support the \"KOVAN\" model, please check this is the \"KOVAN\" "
              "model as your breathalyser.");
    EXPECT_EQ(ui.GridCount(), 0);
}

TEST_F(DownloadWithDevice, ADeviceWithoutRecordsEndsAfterTheMemoryReport) {
    Attach(Kovan(0));
    btnDownloadClick(s);
    Settle();

    EXPECT_EQ(Requests(), (std::vector<Sent>{{0x81, {0x11}}, {0x83, {0x11}}, {0x83, {0x22}}}));
    EXPECT_EQ(ui.Log().back(), "No found any record!");
    EXPECT_EQ(s.OperationState.load(), 0);
    EXPECT_EQ(ui.GridCount(), 0);
}

TEST_F(DownloadWithDevice, TheButtonWhileADownloadRunsIsRefusedButResetsLinkModeAndGrid) {
    Attach(Kovan(2));
    device->SetSilent(true);  // the first download stays open
    btnDownloadClick(s);
    comm.WaitUntilIdle(std::chrono::milliseconds(2000));
    s.LinkMode.store(1);
    ui.Clear();

    btnDownloadClick(s);
    comm.WaitUntilIdle(std::chrono::milliseconds(2000));

    EXPECT_EQ(ui.Log(), (std::vector<std::string>{"System is busy!"}));
    EXPECT_EQ(s.LinkMode.load(), 0);
    EXPECT_EQ(ui.Of("grid-clear").size(), 1u);
    // Only the first request ever went out.
    EXPECT_EQ(device->ReceivedBytes(), (Payload{0xAA, 0xFE, 0x00, 0x03, 0x81, 0x11, 0x95}));
    EXPECT_EQ(s.OperationState.load(), 2);
}

TEST_F(DownloadWithDevice, AnUnsolicitedRecordPacketWhileIdleIsNotAnswered) {
    Attach(Kovan(1));
    ASSERT_TRUE(comm.InjectFromDevice(device->MakeRecordFrame(1)));
    Settle();

    EXPECT_TRUE(Requests().empty());
    EXPECT_EQ(s.OperationState.load(), 0);
    EXPECT_EQ(ui.GridCount(), 0);
}

TEST_F(DownloadWithDevice, ARecordWithABadChecksumIsAnswered33AndArrivesWhenResent) {
    Attach(Kovan(3));
    device->CorruptRecord(2);
    btnDownloadClick(s);
    ASSERT_TRUE(ui.WaitFor([](const auto& ev) {
        return std::any_of(ev.begin(), ev.end(), [](const auto& e) { return e.kind == "results-show"; });
    }));
    Settle();

    const auto sent = Requests();
    EXPECT_NE(std::find(sent.begin(), sent.end(), Sent{0x84, {0x33}}), sent.end());
    EXPECT_EQ(ui.Grid().RowCount(), 4);
    EXPECT_EQ(ui.Log().back(), "Error!");
}

}  // namespace
