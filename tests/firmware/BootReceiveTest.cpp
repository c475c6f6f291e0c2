// The bootloader receive machine and what each reply makes the PC do next.

#include <gtest/gtest.h>

#include <functional>

#include "BootTestSupport.h"
#include "firmware/BootFrames.h"

using namespace boottest;

namespace {

// A run in progress whose request outstanding is `command`, with the STM32410
// code area already looked up.
void Outstanding(SharedState& s, uint8_t command) {
    s.ModelTable = TestModelTable();
    s.Boot.McuType = "STM32";
    s.Boot.FlashStart = 0x08003000;
    s.Boot.FlashEnd = 0x0801FFFF;
    s.Boot.FlashSpan = 0x0801FFFF - 0x08003000;
    s.Boot.RunEnded = false;
    BuildBootCommand(s, command);
}

// A write step in progress: image lines in CodeImage and the frame built from `first`.
void Writing(SharedState& s, std::vector<std::string> lines, int32_t first = 0) {
    Outstanding(s, 0x80);
    s.Boot.CodeImage = std::move(lines);
    s.Boot.CodeLineCount = static_cast<int32_t>(s.Boot.CodeImage.size());
    ASSERT_TRUE(BuildWriteFrame(s, first));
}

class BootReceive : public ::testing::Test {
  protected:
    RecordingUi ui;
    WriteRecordingComm comm;
    SharedState s{ui, comm};

    void Feed(const Bytes& bytes) {
        for (uint8_t b : bytes) BootReceiveByte(s, b);
    }
    std::vector<std::string> Sent() const {
        std::vector<std::string> out;
        for (const auto& w : comm.Writes()) out.push_back(HexText(w));
        return out;
    }
};

struct ReplyCase {
    const char* name;
    std::function<void(SharedState&)> setup;
    Bytes reply;
    std::vector<std::string> log;   // lines logged by the reply
    std::vector<std::string> sent;  // frames written by the reply
    uint8_t flashResult = 0;
    uint8_t linkMode = 10;
    bool accepted = true;  // the reply counts as an answer: BootTicks back to 0
    std::function<void(const SharedState&, const RecordingUi&)> check = {};
};

std::vector<ReplyCase> ReplyCases() {
    auto outstanding = [](uint8_t command, std::function<void(SharedState&)> more = {}) {
        return [command, more](SharedState& s) {
            Outstanding(s, command);
            if (more) more(s);
        };
    };
    auto progress = [](const RecordingUi& ui) {
        const auto p = ui.Progress();
        return p.empty() ? -1 : p.back();
    };
    return {
        {"device type found: boot version requested next",
         outstanding(0x8B),
         Reply(0x8B, 0x91, TextBytes("410")),
         {},
         {"00 FE 01 8C 8D"},
         0,
         10,
         true,
         [](const SharedState& s, const RecordingUi&) {
             EXPECT_EQ(s.Boot.DeviceTypeName, "STM32410");
             EXPECT_EQ(s.Boot.FlashStart, 0x08003000u);
             EXPECT_EQ(s.Boot.FlashEnd, 0x0801FFFFu);
             EXPECT_EQ(s.Boot.FlashSpan, 0x0801FFFFu - 0x08003000u);
         }},
        {"device type unknown: run fails with 0x8B",
         outstanding(0x8B),
         Reply(0x8B, 0x91, TextBytes("999")),
         {"Undefine Device Type:STM32999"},
         {},
         0x8B,
         10,
         true,
         [](const SharedState& s, const RecordingUi&) {
             EXPECT_EQ(s.Boot.FlashStart, 0u);
             EXPECT_EQ(s.Boot.FlashSpan, 1u);
         }},
        {"boot version shown, device number requested",
         outstanding(0x8C),
         Reply(0x8C, 0x91, TextBytes("BL1.02 2023")),
         {"Version of startup code and Date:BL1.02 2023"},
         {"00 FE 01 8D 8E"}},
        {"device number shown, start requested",
         outstanding(0x8D),
         Reply(0x8D, 0x91, TextBytes("BV7")),
         {"Device NO.:BV7"},
         {"00 FE 01 80 81"}},
        {"start: first switched-on step begins",
         outstanding(0x80,
                     [](SharedState& s) {
                         s.Flash.EraseMain = true;
                         s.Flash.VerifyCode = true;
                     }),
         Reply(0x80, 0x91),
         {"Start to erase main flash..."},
         {"00 FE 01 82 83"},
         0,
         10,
         true,
         [=](const SharedState&, const RecordingUi& ui) { EXPECT_EQ(progress(ui), 0); }},
        {"start with no step switched on fails with 0x80",
         outstanding(0x80, [](SharedState& s) { s.Flash.AutomaticReset = true; }),
         Reply(0x80, 0x91),
         {},
         {},
         0x80},
        {"erase user information done: next step",
         outstanding(0x81,
                     [](SharedState& s) {
                         s.Flash.EraseUserInformation = true;
                         s.Flash.VerifyBlank = true;
                     }),
         Reply(0x81, 0x91),
         {"Successful erase the user information!", "Start to verify blank flash..."},
         {"00 FE 01 83 84"}},
        {"erase progress moves the bar from the code area",
         outstanding(0x82),
         Reply(0x82, 0x91, Hex("08 00 B0 00")),
         {},
         {},
         0,
         10,
         true,
         [=](const SharedState& s, const RecordingUi& ui) {
             EXPECT_EQ(s.Boot.FlashAddress, 0x0800B000u);
             EXPECT_EQ(progress(ui), 0x8000 * 100 / (0x0801FFFF - 0x08003000));
         }},
        {"erase done: next step",
         outstanding(0x82, [](SharedState& s) { s.Flash.VerifyCode = true; }),
         Reply(0x82, 0x91),
         {"Successful erase main flash!", "Start to verify code..."},
         {"00 FE 01 87 88"}},
        {"blank check progress",
         outstanding(0x83),
         Reply(0x83, 0x91, Hex("08 01 30 00")),
         {},
         {},
         0,
         10,
         true,
         [](const SharedState& s, const RecordingUi&) {
             EXPECT_EQ(s.Boot.FlashAddress, 0x08013000u);
         }},
        {"blank check done with nothing after it: finished",
         outstanding(0x83),
         Reply(0x83, 0x91),
         {"Successful check the blank flash!"},
         {},
         0xFF},
        {"blank check failed: shown with the last address, request repeated",
         outstanding(0x83, [](SharedState& s) { s.Boot.FlashAddress = 0xB000; }),
         Reply(0x83, 0x92, Hex("08 00 B0 10")),
         {"Failed to check the blank flash,Error ID:00B000", "Tx error!"},
         {"00 FE 01 83 84"},
         0x83,
         10,
         false},
        {"address accepted: the data frame follows",
         [](SharedState& s) {
             Writing(s, {"@3100", "01 02 ", "q"});
         },
         Reply(0x84, 0x91),
         {},
         {"00 FE 03 85 01 02 8B"}},
        {"address refused: fails with 0x84",
         [](SharedState& s) {
             Writing(s, {"@3100", "01 02 ", "q"});
         },
         Reply(0x84, 0x92),
         {},
         {},
         0x84,
         10,
         false},
        {"data accepted: retries cleared, next frame",
         [](SharedState& s) {
             Writing(s, {"01 02 ", "@4000", "03 ", "q"});
             s.Boot.WriteRetries = 3;
         },
         Reply(0x85, 0x91),
         {},
         {"00 FE 03 84 40 00 C7"},
         0,
         10,
         true,
         [](const SharedState& s, const RecordingUi&) { EXPECT_EQ(s.Boot.WriteRetries, 0); }},
        {"data refused: sent again",
         [](SharedState& s) {
             Writing(s, {"01 02 ", "q"});
         },
         Reply(0x85, 0x92),
         {},
         {"00 FE 03 85 01 02 8B"},
         0,
         10,
         false,
         [](const SharedState& s, const RecordingUi&) { EXPECT_EQ(s.Boot.WriteRetries, 1); }},
        {"data refused a sixth time: fails with 0x85",
         [](SharedState& s) {
             Writing(s, {"01 02 ", "q"});
             s.Boot.WriteRetries = 5;
         },
         Reply(0x85, 0x92),
         {},
         {},
         0x85,
         10,
         false},
        {"end accepted: write done with the file checksum, next step",
         [](SharedState& s) {
             Writing(s, {"q"});
             s.Boot.CodeChecksum = 0x12AB;
             s.Flash.VerifyCode = true;
         },
         Reply(0x86, 0x91),
         {"Successful write code!", "The CRC-16 checksum of  code file is 12AB",
          "Start to verify code..."},
         {"00 FE 01 87 88"},
         0,
         10,
         true,
         [](const SharedState& s, const RecordingUi&) { EXPECT_TRUE(s.Boot.CodeImage.empty()); }},
        {"end refused: fails with 0x86",
         [](SharedState& s) { Writing(s, {"q"}); },
         Reply(0x86, 0x92),
         {},
         {},
         0x86,
         10,
         false,
         [](const SharedState& s, const RecordingUi&) { EXPECT_TRUE(s.Boot.CodeImage.empty()); }},
        {"verify matches: reset requested",
         outstanding(0x87,
                     [](SharedState& s) {
                         s.Boot.CodeChecksum = 0x12AB;
                         s.Flash.AutomaticReset = true;
                     }),
         Reply(0x87, 0x91, Hex("12 AB")),
         {"The CRC-16 checksum of MCU is 12AB", "Successful verify all code!"},
         {"00 FE 01 88 89"}},
        {"verify matches: read code before any reset",
         outstanding(0x87,
                     [](SharedState& s) {
                         s.Boot.CodeChecksum = 0x12AB;
                         s.Flash.ReadCode = true;
                         s.Flash.AutomaticReset = true;
                     }),
         Reply(0x87, 0x91, Hex("12 AB")),
         {"The CRC-16 checksum of MCU is 12AB", "Successful verify all code!",
          "Start to read code..."},
         {"00 FE 01 8A 8B"}},
        {"verify matches with neither read nor reset: finished",
         outstanding(0x87, [](SharedState& s) { s.Boot.CodeChecksum = 0x12AB; }),
         Reply(0x87, 0x91, Hex("12 AB")),
         {"The CRC-16 checksum of MCU is 12AB", "Successful verify all code!"},
         {},
         0xFF},
        {"verify differs: fails with 0x87",
         outstanding(0x87, [](SharedState& s) { s.Boot.CodeChecksum = 0x12AB; }),
         Reply(0x87, 0x91, Hex("12 AC")),
         {"The CRC-16 checksum of MCU is 12AC", "CRC-16 Error!"},
         {},
         0x87},
        {"verify refused: fails with 0x87",
         outstanding(0x87),
         Reply(0x87, 0x92),
         {},
         {},
         0x87,
         10,
         false},
        {"reset acknowledged: LinkMode 11, no result",
         outstanding(0x88),
         Reply(0x88, 0x91),
         {"Device reset."},
         {},
         0,
         11,
         false},
        {"read address starts a listing line",
         outstanding(0x8A),
         Reply(0x8A, 0x9A, Hex("08 00 30 00")),
         {},
         {},
         0,
         10,
         true,
         [=](const SharedState& s, const RecordingUi& ui) {
             EXPECT_EQ(s.Boot.ReadBackLines, (std::vector<std::string>{"@08003000"}));
             EXPECT_EQ(s.Boot.FlashAddress, 0x08003000u);
             EXPECT_EQ(progress(ui), 0);
         }},
        {"read data: sixteen bytes make a line, the address moves by LEN",
         outstanding(0x8A,
                     [](SharedState& s) {
                         s.Boot.ReadBackLines = {"@08003000"};
                         s.Boot.FlashAddress = 0x08003000;
                     }),
         Reply(0x8A, 0x9B, Hex("00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F AB")),
         {},
         {},
         0,
         10,
         true,
         [](const SharedState& s, const RecordingUi&) {
             EXPECT_EQ(s.Boot.ReadBackLines,
                       (std::vector<std::string>{
                           "@08003000", "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F "}));
             EXPECT_EQ(s.Boot.ReadBackLine, "AB ");
             EXPECT_EQ(s.Boot.ReadBackCount, 1);
             EXPECT_EQ(s.Boot.FlashAddress, 0x08003000u + 19u);
         }},
        {"read end: the listing replaces the log, finished",
         outstanding(0x8A,
                     [](SharedState& s) {
                         s.Boot.ReadBackLines = {"@08003000"};
                         s.Boot.ReadBackLine = "AB ";
                         s.Boot.ReadBackCount = 1;
                     }),
         Reply(0x8A, 0x9C),
         {"Successful read code!"},
         {},
         0xFF,
         10,
         true,
         [=](const SharedState& s, const RecordingUi& ui) {
             EXPECT_EQ(ui.Of("logset"), (std::vector<std::string>{"@08003000\nAB \nq"}));
             EXPECT_EQ(progress(ui), 100);
             EXPECT_TRUE(s.Boot.ReadBackLines.empty());
         }},
        {"any other status: Tx error and the request again",
         outstanding(0x8C),
         Reply(0x8C, 0x92),
         {"Tx error!"},
         {"00 FE 01 8C 8D"},
         0,
         10,
         false},
        {"read reply of an unknown kind: Tx error",
         outstanding(0x8A),
         Reply(0x8A, 0x91),
         {"Tx error!"},
         {"00 FE 01 8A 8B"},
         0,
         10,
         false},
        {"reply without a status: Tx error",
         outstanding(0x8D),
         Hex("00 FE 01 8D 8E"),
         {"Tx error!"},
         {"00 FE 01 8D 8E"},
         0,
         10,
         false},
    };
}

TEST(BootReplies, EveryReplyOfTheTableDoesWhatItsRowSays) {
    for (const ReplyCase& c : ReplyCases()) {
        SCOPED_TRACE(c.name);
        RecordingUi ui;
        WriteRecordingComm comm;
        SharedState s{ui, comm};
        s.LinkMode.store(10);
        c.setup(s);
        s.BootTicks.store(5);
        ui.Clear();
        comm.ClearWrites();

        for (uint8_t b : c.reply) BootReceiveByte(s, b);

        EXPECT_EQ(ui.Log(), c.log);
        std::vector<std::string> sent;
        for (const auto& w : comm.Writes()) sent.push_back(HexText(w));
        EXPECT_EQ(sent, c.sent);
        EXPECT_EQ(s.FlashResult.load(), c.flashResult);
        EXPECT_EQ(s.LinkMode.load(), c.linkMode);
        EXPECT_EQ(s.BootTicks.load(), c.accepted ? 0 : 5);
        if (c.check) c.check(s, ui);
    }
}

TEST_F(BootReceive, StrayZeroBeforeAReplySendsTheMachineBackAndThatReplyIsLost) {
    Outstanding(s, 0x8C);
    Feed(Hex("00"));
    Feed(Reply(0x8C, 0x91, TextBytes("V1")));  // 00 00 FE ...: the second 00 restarts
    EXPECT_TRUE(comm.Writes().empty());
    EXPECT_TRUE(ui.Log().empty());
    EXPECT_EQ(s.Boot.BootRxState, 0);

    // The run waits for the next frame, which is taken as usual.
    Feed(Reply(0x8C, 0x91, TextBytes("V1")));
    EXPECT_EQ(ui.Log(), (std::vector<std::string>{"Version of startup code and Date:V1"}));
    EXPECT_EQ(Sent(), (std::vector<std::string>{"00 FE 01 8D 8E"}));
}

TEST_F(BootReceive, LengthZeroIsNoFrameAndTheNextFrameIsTaken) {
    Outstanding(s, 0x8C);
    Feed(Hex("00 FE 00"));
    EXPECT_EQ(s.Boot.BootRxState, 0);
    Feed(Reply(0x8C, 0x91, TextBytes("V1")));
    EXPECT_EQ(Sent(), (std::vector<std::string>{"00 FE 01 8D 8E"}));
}

TEST_F(BootReceive, BadReplyChecksumShowsTheComputedSumInDecimalAndSendsTheRequestAgain) {
    Outstanding(s, 0x8C);
    s.BootTicks.store(4);
    // 03 + 8C + 91 + 56 = 0x176: the device should have sent 76.
    Feed(Hex("00 FE 03 8C 91 56 77"));
    EXPECT_EQ(ui.Log(), (std::vector<std::string>{"Tx CRC error!118"}));
    EXPECT_EQ(Sent(), (std::vector<std::string>{"00 FE 01 8C 8D"}));
    EXPECT_EQ(s.BootTicks.load(), 4);  // not an answer
}

TEST_F(BootReceive, AFrameAnnouncingLength255IsReceivedWhole) {
    Outstanding(s, 0x8D);
    const Bytes number(253, 'N');
    Feed(Reply(0x8D, 0x91, number));
    ASSERT_EQ(ui.Log().size(), 1u);
    EXPECT_EQ(ui.Log()[0], "Device NO.:" + std::string(253, 'N'));
    EXPECT_EQ(Sent(), (std::vector<std::string>{"00 FE 01 80 81"}));
}

TEST_F(BootReceive, DeviceTypeWhoseAddressesAreBothZeroIsNotFound) {
    Outstanding(s, 0x8B);
    Feed(Reply(0x8B, 0x91, TextBytes("ZERO")));
    EXPECT_EQ(ui.Log(), (std::vector<std::string>{"Undefine Device Type:STM32ZERO"}));
    EXPECT_EQ(s.FlashResult.load(), 0x8B);
    EXPECT_TRUE(comm.Writes().empty());
}

TEST_F(BootReceive, DeviceTypeOfAFamilyMissingFromTheModelTableIsNotFound) {
    Outstanding(s, 0x8B);
    s.Boot.McuType = "AT24";
    Feed(Reply(0x8B, 0x91, TextBytes("410")));
    EXPECT_EQ(s.FlashResult.load(), 0x8B);
}

TEST_F(BootReceive, DeviceTypeLookupComparesTheWholeNameWithItsCase) {
    Outstanding(s, 0x8B);
    s.Boot.McuType = "MSP430";
    Feed(Reply(0x8B, 0x91, TextBytes("f2618")));
    EXPECT_EQ(s.FlashResult.load(), 0x8B);

    RecordingUi ui2;
    WriteRecordingComm comm2;
    SharedState s2{ui2, comm2};
    Outstanding(s2, 0x8B);
    s2.Boot.McuType = "MSP430";
    for (uint8_t b : Reply(0x8B, 0x91, TextBytes("F2618"))) BootReceiveByte(s2, b);
    EXPECT_EQ(s2.FlashResult.load(), 0);
    EXPECT_EQ(s2.Boot.FlashStart, 0x3100u);
    EXPECT_EQ(s2.Boot.FlashSpan, 0x1FFFFu - 0x3100u);
}

TEST_F(BootReceive, ProgressBelowTheStartOfTheCodeAreaLeavesTheBarAlone) {
    Outstanding(s, 0x82);
    Feed(Reply(0x82, 0x91, Hex("08 00 20 00")));
    EXPECT_TRUE(ui.Progress().empty());
    EXPECT_EQ(s.Boot.FlashAddress, 0x08002000u);
    Feed(Reply(0x82, 0x91, Hex("08 01 FF FF")));
    EXPECT_EQ(ui.Progress(), (std::vector<int>{100}));
}

TEST_F(BootReceive, VerifyReplyOfThreeBytesNeverMatchesTheFourDigitChecksum) {
    Outstanding(s, 0x87);
    s.Boot.CodeChecksum = 0x12AB;
    s.Flash.AutomaticReset = true;
    Feed(Reply(0x87, 0x91, Hex("12 AB 00")));
    EXPECT_EQ(ui.Log(),
              (std::vector<std::string>{"The CRC-16 checksum of MCU is 12AB00", "CRC-16 Error!"}));
    EXPECT_EQ(s.FlashResult.load(), 0x87);
    EXPECT_TRUE(comm.Writes().empty());
}

}  // namespace
