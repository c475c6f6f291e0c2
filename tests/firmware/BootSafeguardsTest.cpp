// What keeps a programming run honest when the line misbehaves: replies that
// belong to another request, data frames that may have been written twice, a
// lost reset acknowledgement, replies after the end, and the question before a
// failed run is tried again.

#include <gtest/gtest.h>

#include "BootTestSupport.h"
#include "firmware/BootFrames.h"
#include "firmware/ProgrammingRun.h"

using namespace boottest;

namespace {

// A run on a port that only records, answered reply by reply from the test.
class ScriptedRun : public ::testing::Test {
  protected:
    ScriptedRun() {
        s.ModelTable = TestModelTable();
        s.Flash.McuType = "STM32";
        s.Flash.EraseMain = true;
        s.Flash.WriteCode = true;
        s.DeviceInfo.Model = "KOVAN";
        s.FirmwareModel = "Q7303";
        s.LinkMode.store(10);
        WriteImage(store, "RAZEncryptioninformation_KOVAN", Join({DataLines(20), {"q"}}));
    }

    void Start() { StartFirmwareUpdate(s, FirmwareImages{store.Path(), {}}); }
    void Feed(const Bytes& bytes) {
        for (uint8_t b : bytes) BootReceiveByte(s, b);
    }
    // Commands of the frames written since the last call.
    std::vector<uint8_t> NewCommands() {
        std::vector<uint8_t> out;
        const auto writes = comm.Writes();
        for (size_t i = seen_; i < writes.size(); ++i) out.push_back(CommandOf(writes[i]));
        seen_ = writes.size();
        return out;
    }
    // Identification and start, up to the erase request.
    void UpToErase() {
        Start();
        Feed(Reply(0x8B, 0x91, TextBytes("410")));
        Feed(Reply(0x8C, 0x91, TextBytes("BL")));
        Feed(Reply(0x8D, 0x91, TextBytes("N1")));
        Feed(Reply(0x80, 0x91));
        ASSERT_EQ(NewCommands(), (std::vector<uint8_t>{0x8B, 0x8C, 0x8D, 0x80, 0x82}));
    }

    RecordingUi ui;
    WriteRecordingComm comm;
    SharedState s{ui, comm};
    TempFolder store;

  private:
    size_t seen_ = 0;
};

TEST_F(ScriptedRun, RepeatedReplyToAnEarlierRequestNeitherRepeatsNorSkipsAStep) {
    Start();
    Feed(Reply(0x8B, 0x91, TextBytes("410")));
    EXPECT_EQ(NewCommands(), (std::vector<uint8_t>{0x8B, 0x8C}));

    // The device-type reply once more (say, to a request sent again): the boot
    // version is still awaited and nothing is asked twice.
    Feed(Reply(0x8B, 0x91, TextBytes("410")));
    EXPECT_TRUE(NewCommands().empty());
    Feed(Reply(0x8C, 0x91, TextBytes("BL")));
    EXPECT_EQ(NewCommands(), (std::vector<uint8_t>{0x8D}));
    EXPECT_EQ(s.FlashResult.load(), 0);
}

TEST_F(ScriptedRun, LateStartReplyDuringTheEraseStartsNoSecondStep) {
    UpToErase();
    const auto logged = ui.Log().size();
    Feed(Reply(0x80, 0x91));
    EXPECT_TRUE(NewCommands().empty());
    EXPECT_EQ(ui.Log().size(), logged);
    Feed(Reply(0x82, 0x91));
    EXPECT_EQ(NewCommands(), (std::vector<uint8_t>{0x85}));
}

TEST_F(ScriptedRun, LateVerifyReplyOfTheSearchProbeDecidesNothing) {
    s.Flash.AutomaticReset = true;
    Start();
    s.BootTicks.store(3);
    Feed(Reply(0x87, 0x91, Hex("00 00")));  // the bootloader probe's answer, arriving late
    EXPECT_EQ(NewCommands(), (std::vector<uint8_t>{0x8B}));
    EXPECT_EQ(s.FlashResult.load(), 0);
    EXPECT_EQ(s.BootTicks.load(), 3);  // not an answer to this run
    EXPECT_EQ(ui.Log().size(), 1u);    // only the file size
}

TEST_F(ScriptedRun, DataFrameSentAgainAfterABadReplyChecksumIsSettledByAVerifyEvenWhenItIsOff) {
    UpToErase();
    Feed(Reply(0x82, 0x91));
    EXPECT_EQ(NewCommands(), (std::vector<uint8_t>{0x85}));
    Bytes bad = Reply(0x85, 0x91);
    bad.back() ^= 0xFF;
    Feed(bad);  // the device may well have written it
    EXPECT_EQ(NewCommands(), (std::vector<uint8_t>{0x85}));
    Feed(Reply(0x85, 0x91));
    Feed(Reply(0x85, 0x91));
    EXPECT_EQ(NewCommands(), (std::vector<uint8_t>{0x85, 0x86}));
    Feed(Reply(0x86, 0x91));
    EXPECT_EQ(NewCommands(), (std::vector<uint8_t>{0x87}));
    EXPECT_EQ(s.FlashResult.load(), 0);
    EXPECT_EQ(ui.Log().back(), "Start to verify code...");
}

TEST_F(ScriptedRun, DataFrameSentAgainAfterAnUnexpectedStatusIsSettledByAVerifyToo) {
    UpToErase();
    Feed(Reply(0x82, 0x91));
    Feed(Reply(0x85, 0x55));
    EXPECT_EQ(NewCommands(), (std::vector<uint8_t>{0x85, 0x85}));
    Feed(Reply(0x85, 0x91));
    Feed(Reply(0x85, 0x91));
    Feed(Reply(0x86, 0x91));
    EXPECT_EQ(NewCommands(), (std::vector<uint8_t>{0x85, 0x86, 0x87}));
}

TEST_F(ScriptedRun, RefusedDataFrameSentAgainNeedsNoVerify) {
    UpToErase();
    Feed(Reply(0x82, 0x91));
    Feed(Reply(0x85, 0x92));  // refused: not written
    Feed(Reply(0x85, 0x91));
    Feed(Reply(0x85, 0x91));
    Feed(Reply(0x86, 0x91));
    EXPECT_EQ(NewCommands(), (std::vector<uint8_t>{0x85, 0x85, 0x85, 0x86}));
    EXPECT_EQ(s.FlashResult.load(), 0xFF);
}

TEST_F(ScriptedRun, RepliesAfterAFailedBlankCheckCannotTurnItIntoSuccess) {
    s.Flash = {};
    s.Flash.McuType = "STM32";
    s.Flash.VerifyBlank = true;
    Start();
    Feed(Reply(0x8B, 0x91, TextBytes("410")));
    Feed(Reply(0x8C, 0x91, TextBytes("BL")));
    Feed(Reply(0x8D, 0x91, TextBytes("N1")));
    Feed(Reply(0x80, 0x91));
    Feed(Reply(0x83, 0x92, Hex("08 00 40 00")));
    EXPECT_EQ(s.FlashResult.load(), 0x83);
    EXPECT_EQ(NewCommands().back(), 0x83);  // the request goes out again, as always

    Feed(Reply(0x83, 0x91));  // the repeat, answered "blank" this time
    EXPECT_EQ(s.FlashResult.load(), 0x83);
    EXPECT_NE(ui.Log().back(), "Successful check the blank flash!");
}

TEST_F(ScriptedRun, ResetRequestAfterAMatchingVerifyCountsAsDoneWhenItsAcknowledgementIsLost) {
    s.Flash.VerifyCode = true;
    s.Flash.AutomaticReset = true;
    UpToErase();
    Feed(Reply(0x82, 0x91));
    Feed(Reply(0x85, 0x91));
    Feed(Reply(0x85, 0x91));
    Feed(Reply(0x86, 0x91));
    const uint16_t sum = s.Boot.CodeChecksum;
    Feed(Reply(0x87, 0x91, {static_cast<uint8_t>(sum >> 8), static_cast<uint8_t>(sum)}));
    EXPECT_EQ(NewCommands(), (std::vector<uint8_t>{0x85, 0x85, 0x86, 0x87, 0x88}));

    // No acknowledgement ever comes; the search passes count on.
    for (int pass = 0; pass < 10; ++pass) {
        StepBootTicks(s, true);
        EXPECT_EQ(ReadProgrammingRun(s), ProgrammingRunState::Running);
    }
    StepBootTicks(s, true);
    EXPECT_EQ(ReadProgrammingRun(s), ProgrammingRunState::Reset);
    EXPECT_FALSE(AskBeforeNextRun(s));
}

TEST_F(ScriptedRun, BootloaderSilentBeforeAnyResetRequestIsSilentAndAsksBeforeTheNextRun) {
    UpToErase();
    for (int pass = 0; pass < 11; ++pass) StepBootTicks(s, true);
    EXPECT_EQ(ReadProgrammingRun(s), ProgrammingRunState::Silent);
    EXPECT_TRUE(AskBeforeNextRun(s));
}

TEST(ProgrammingRunState, ResultComesBeforeResetAndResetBeforeSilence) {
    RecordingUi ui;
    WriteRecordingComm comm;
    SharedState s{ui, comm};
    s.LinkMode.store(10);
    EXPECT_EQ(ReadProgrammingRun(s), ProgrammingRunState::Running);
    s.BootTicks.store(11);
    EXPECT_EQ(ReadProgrammingRun(s), ProgrammingRunState::Silent);
    s.LinkMode.store(11);
    EXPECT_EQ(ReadProgrammingRun(s), ProgrammingRunState::Reset);
    s.FlashResult.store(0x85);
    EXPECT_EQ(ReadProgrammingRun(s), ProgrammingRunState::Failed);
    s.FlashResult.store(0xFF);
    EXPECT_EQ(ReadProgrammingRun(s), ProgrammingRunState::Finished);
    EXPECT_FALSE(AskBeforeNextRun(s));  // no run has been started
}

using DeviceSafeguards = DeviceRunTest;

TEST_F(DeviceSafeguards, FrameWrittenTwiceAfterALostReplyFailsTheVerifyInsteadOfFinishing) {
    s->Flash = {};
    s->Flash.McuType = "STM32";
    s->Flash.EraseMain = true;
    s->Flash.WriteCode = true;  // no verify asked for
    device->Configure([](SimDeviceConfig& c) { c.Boot.CorruptDataReply = 2; });
    Run();
    EXPECT_EQ(CountSent(0x85), 4u);  // the second one twice
    EXPECT_EQ(CountSent(0x87), 1u);
    EXPECT_TRUE(Logged("CRC-16 Error!"));
    EXPECT_EQ(s->FlashResult.load(), 0x87);
    EXPECT_TRUE(AskBeforeNextRun(*s));
}

TEST_F(DeviceSafeguards, FailedRunIsFollowedByASoundOneOnceStartedAgain) {
    device->Configure([](SimDeviceConfig& c) { c.Boot.SilentAfterDataFrames = 2; });
    Run();
    EXPECT_EQ(s->FlashResult.load(), 0);
    EXPECT_EQ(s->LinkMode.load(), 10);
    EXPECT_TRUE(AskBeforeNextRun(*s));

    // Plugged in again, still in its bootloader; the user has agreed.
    device->SetSilent(false);
    ui.Clear();
    Run();
    EXPECT_EQ(s->LinkMode.load(), 11);
    EXPECT_EQ(device->ProgrammedCode(), ImageBytes(image, 0x08003000));
    EXPECT_FALSE(AskBeforeNextRun(*s));
}

TEST_F(DeviceSafeguards, LostResetAcknowledgementStillLeavesTheNewFirmwareRunning) {
    device->Configure([](SimDeviceConfig& c) { c.Boot.AckReset = false; });
    Run();
    EXPECT_EQ(Commands().back(), 0x88);
    EXPECT_EQ(s->LinkMode.load(), 10);
    EXPECT_EQ(s->FlashResult.load(), 0);
    EXPECT_FALSE(device->InBootloader());
    s->BootTicks.store(11);
    EXPECT_EQ(ReadProgrammingRun(*s), ProgrammingRunState::Reset);
}

}  // namespace
