// A programming run the way the program runs it: the virtual breathalyser behind
// the in-process serial port, the receive ring, the dispatcher thread feeding the
// bootloader parser, and the start on the test's thread standing in for the search.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "BootTestSupport.h"
#include "SimComm.h"
#include "firmware/ProgrammingRun.h"
#include "link/RS232Thread.h"
#include "link/ReceiveRing.h"

using namespace boottest;

namespace {

class BootWithDevice : public ::testing::Test {
  protected:
    BootWithDevice() {
        s.ModelTable = TestModelTable();
        s.Flash.EraseMain = true;
        s.Flash.WriteCode = true;
        s.Flash.VerifyCode = true;
        s.Flash.AutomaticReset = true;
        s.Flash.McuType = "STM32";
        s.DeviceInfo.Model = "KOVAN";
        s.FirmwareModel = "Q7303";
    }
    ~BootWithDevice() override {
        dispatcher.reset();
        comm.StopComm();
    }

    void Attach(SimDeviceConfig config) {
        config.InBootloader = true;
        device = &comm.AddDevice("COM7", std::move(config));
        comm.SetReceiveHandler([this](const uint8_t* b, size_t n) { Comm1ReceiveData(s, b, n); });
        ASSERT_TRUE(comm.OpenCommon("COM7", 115200));
    }

    // What the search does on finding the bootloader: bootloader mode, the
    // dispatcher on the bootloader parser, then the start.
    void StartRun() {
        s.LinkMode.store(10);
        s.Connected.store(1);
        dispatcher = std::make_unique<RS232Thread>(s, [this](uint8_t b) { BootReceiveByte(s, b); });
        StepBootTicks(s, false);
        StartFirmwareUpdate(s, FirmwareImages{store.Path(), {}});
    }

    bool WaitForEnd(int timeoutMs = 20000) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            if (ReadProgrammingRun(s) != ProgrammingRunState::Running) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }

    RecordingUi ui;
    SimComm comm;
    SharedState s{ui, comm};
    TempFolder store;
    VirtualBreathalyser* device = nullptr;
    std::unique_ptr<RS232Thread> dispatcher;
};

TEST_F(BootWithDevice, DefaultRunLeavesTheImageInTheFlashByteForByteAndTheDeviceReset) {
    SimDeviceConfig config;
    config.SWVer = "202105";
    config.Boot.UpdatedSWVer = "203001";
    Attach(config);
    // 100 lines: eight frames, the last one short, and bytes that wrap past 0xFF.
    const auto image = Join({DataLines(100, 0x37), {"q"}});
    WriteImage(store, "RAZEncryptioninformation_KOVAN", image);

    StartRun();
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(ReadProgrammingRun(s), ProgrammingRunState::Reset);
    EXPECT_EQ(s.LinkMode.load(), 11);

    const std::vector<uint8_t> flash = device->Flash();
    const auto expected = ImageBytes(image, 0x08003000);
    ASSERT_EQ(device->ProgrammedCode(), expected);
    for (const auto& [address, value] : expected) {
        ASSERT_EQ(flash[address - 0x08003000], value) << std::hex << address;
    }
    EXPECT_EQ(flash[expected.size()], 0xFF);  // the rest stays erased
    EXPECT_FALSE(device->InBootloader());
    EXPECT_EQ(device->Config().SWVer, "203001");
    EXPECT_TRUE(ui.WaitForLog("Device reset."));
}

TEST_F(BootWithDevice, PacedRunWithASlowDeviceAndACorruptedReplyStillWritesTheImage) {
    SimDeviceConfig config;
    config.Boot.DataFrameTime = std::chrono::milliseconds(2);
    config.Boot.CorruptReply = 3;  // the device-number reply
    Attach(config);
    comm.SetPaced(true);
    const auto image = Join({DataLines(30), {"q"}});
    WriteImage(store, "RAZEncryptioninformation_KOVAN", image);

    StartRun();
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(s.LinkMode.load(), 11);
    EXPECT_EQ(device->ProgrammedCode(), ImageBytes(image, 0x08003000));
    EXPECT_TRUE(ui.WaitForLog("Device reset."));
    const auto log = ui.Log();
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& l) { return l.rfind("Tx CRC error!", 0) == 0; }),
              1);
}

TEST_F(BootWithDevice, DeviceThatFallsSilentMidFlashLeavesTheRunWithoutAnOutcome) {
    SimDeviceConfig config;
    config.Boot.SilentAfterDataFrames = 3;
    Attach(config);
    WriteImage(store, "RAZEncryptioninformation_KOVAN", Join({DataLines(100), {"q"}}));

    StartRun();
    ASSERT_TRUE(ui.WaitForLog("Start to write code..."));
    for (int i = 0; i < 200 && device->DataFramesReceived() < 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    comm.WaitUntilIdle(std::chrono::milliseconds(2000));
    EXPECT_EQ(s.FlashResult.load(), 0);
    EXPECT_EQ(ReadProgrammingRun(s), ProgrammingRunState::Running);
    s.BootTicks.store(11);  // eleven search passes later
    EXPECT_EQ(ReadProgrammingRun(s), ProgrammingRunState::Silent);
}

}  // namespace
