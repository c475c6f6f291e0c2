// Whole programming runs against a virtual breathalyser in its bootloader, driven
// on the test's own thread: which frames go out under which switches, the start
// checks, refused and faulty image lines.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "BootTestSupport.h"
#include "firmware/ProgrammingRun.h"

using namespace boottest;

namespace {

using BootRun = DeviceRunTest;

std::string Hex4(unsigned v) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", v & 0xFFFF);
    return text;
}

unsigned ImageSum(const std::vector<std::string>& lines) {
    unsigned sum = 0;
    for (const auto& [address, value] : ImageBytes(lines, 0)) sum += value;
    return sum & 0xFFFF;
}

TEST_F(BootRun, DefaultStepsIdentifyEraseWriteVerifyAndResetTheDevice) {
    Run();

    ASSERT_FALSE(comm->Writes().empty());
    EXPECT_EQ(HexText(comm->Writes()[0]), "1B 1B 1B 00 FE 01 8B 8C");
    // 40 lines of 16 bytes: frames of 14, 14 and 12 lines.
    EXPECT_EQ(Commands(), (std::vector<uint8_t>{0x8B, 0x8C, 0x8D, 0x80, 0x82, 0x85, 0x85, 0x85,
                                                0x86, 0x87, 0x88}));
    EXPECT_EQ(s->LinkMode.load(), 11);
    EXPECT_EQ(s->FlashResult.load(), 0);
    EXPECT_EQ(device->ProgrammedCode(), ImageBytes(image, 0x08003000));
    EXPECT_FALSE(device->InBootloader());
    EXPECT_EQ(device->Config().SWVer, "203001");

    const std::string sum = Hex4(ImageSum(image));
    const std::vector<std::string> expected = {
        "File Size:640Bytes",           "Version of startup code and Date:BL1.02 2023-11-08",
        "Device NO.:BV24000123",        "Start to erase main flash...",
        "Successful erase main flash!", "Start to write code...",
        "Successful write code!",       "The CRC-16 checksum of  code file is " + sum,
        "Start to verify code...",      "The CRC-16 checksum of MCU is " + sum,
        "Successful verify all code!",  "Device reset.",
    };
    EXPECT_EQ(ui.Log(), expected);
    EXPECT_FALSE(AskBeforeNextRun(*s));
}

TEST_F(BootRun, WriteCodeAloneFinishesAfterTheEndFrame) {
    s->Flash = {};
    s->Flash.WriteCode = true;
    s->Flash.McuType = "STM32";
    Run();
    EXPECT_EQ(Commands(), (std::vector<uint8_t>{0x8B, 0x8C, 0x8D, 0x80, 0x85, 0x85, 0x85, 0x86}));
    EXPECT_EQ(s->FlashResult.load(), 0xFF);
    EXPECT_EQ(s->LinkMode.load(), 10);
    EXPECT_TRUE(Logged("Successful write code!"));
    EXPECT_TRUE(Logged("The CRC-16 checksum of  code file is " + Hex4(ImageSum(image))));
    EXPECT_EQ(device->ProgrammedCode(), ImageBytes(image, 0x08003000));
}

TEST_F(BootRun, NoStepSwitchedOnFailsAtTheStartReply) {
    s->Flash = {};
    s->Flash.McuType = "STM32";
    Run();
    EXPECT_EQ(Commands(), (std::vector<uint8_t>{0x8B, 0x8C, 0x8D, 0x80}));
    EXPECT_EQ(s->FlashResult.load(), 0x80);
    EXPECT_TRUE(AskBeforeNextRun(*s));
}

TEST_F(BootRun, ReadCodeAndResetBothOnEndWithTheReadBackListingAndNoReset) {
    s->Flash.ReadCode = true;
    SetImage(Join({DataLines(3), {"q"}}));
    Run();
    EXPECT_EQ(CountSent(0x88), 0u);
    EXPECT_EQ(Commands().back(), 0x8A);
    EXPECT_EQ(s->FlashResult.load(), 0xFF);
    EXPECT_TRUE(device->InBootloader());

    const auto listing = ui.Of("logset");
    ASSERT_EQ(listing.size(), 1u);
    EXPECT_EQ(listing[0],
              "@08003000\n"
              "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F \n"
              "10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F \n"
              "20 21 22 23 24 25 26 27 28 29 2A 2B 2C 2D 2E 2F \n"
              "q");
    EXPECT_EQ(ui.Log().back(), "Successful read code!");
}

TEST_F(BootRun, VerifyWithoutWriteUsesTheChecksumOfTheLastWriteOfThisProgramRun) {
    s->Flash = {};
    s->Flash.McuType = "STM32";
    s->Flash.WriteCode = true;
    Run();
    ASSERT_EQ(s->FlashResult.load(), 0xFF);

    s->FlashResult.store(0);
    s->Flash.WriteCode = false;
    s->Flash.VerifyCode = true;
    ui.Clear();
    Run();
    EXPECT_TRUE(Logged("Successful verify all code!"));
    EXPECT_EQ(s->FlashResult.load(), 0xFF);
    EXPECT_EQ(CountSent(0x85), 3u);  // only those of the first run
}

TEST_F(BootRun, VerifyWithoutAnyWriteInThisProgramRunComparesWithZero) {
    device->Configure([](SimDeviceConfig& c) { c.Boot.StartsProgrammed = true; });
    s->Flash = {};
    s->Flash.McuType = "STM32";
    s->Flash.VerifyCode = true;
    Run();
    EXPECT_TRUE(Logged("CRC-16 Error!"));
    EXPECT_EQ(s->FlashResult.load(), 0x87);
}

// Frames written that are byte for byte the n-th data frame sent.
size_t TimesSent(const std::vector<Bytes>& writes, size_t n) {
    std::vector<Bytes> data;
    for (const auto& w : writes) {
        if (CommandOf(w) == 0x85 && std::find(data.begin(), data.end(), w) == data.end())
            data.push_back(w);
    }
    if (n >= data.size()) return 0;
    return static_cast<size_t>(std::count(writes.begin(), writes.end(), data[n]));
}

TEST_F(BootRun, DataFrameRefusedFiveTimesIsSentSixTimesAndTheRunGoesOn) {
    device->Configure([](SimDeviceConfig& c) {
        c.Boot.RefuseDataFrame = 2;
        c.Boot.RefuseTimes = 5;
    });
    Run();
    EXPECT_EQ(TimesSent(comm->Writes(), 1), 6u);
    EXPECT_EQ(s->LinkMode.load(), 11);
    EXPECT_EQ(device->ProgrammedCode(), ImageBytes(image, 0x08003000));
    // A refused frame was not written, so nothing forces an extra check.
    EXPECT_EQ(CountSent(0x87), 1u);
}

TEST_F(BootRun, DataFrameRefusedSixTimesFailsWith85) {
    device->Configure([](SimDeviceConfig& c) {
        c.Boot.RefuseDataFrame = 2;
        c.Boot.RefuseTimes = 6;
    });
    Run();
    EXPECT_EQ(TimesSent(comm->Writes(), 1), 6u);
    EXPECT_EQ(s->FlashResult.load(), 0x85);
    EXPECT_EQ(Commands().back(), 0x85);
    EXPECT_FALSE(Logged("Successful write code!"));
    EXPECT_TRUE(AskBeforeNextRun(*s));
}

TEST_F(BootRun, StmImageWithoutAddressLinesWritesFromTheStartOfTheCodeArea) {
    Run();
    EXPECT_EQ(CountSent(0x84), 0u);
    const auto commands = Commands();
    const auto firstWrite = std::find_if(commands.begin(), commands.end(),
                                         [](uint8_t c) { return c == 0x84 || c == 0x85; });
    ASSERT_NE(firstWrite, commands.end());
    EXPECT_EQ(*firstWrite, 0x85);
}

TEST_F(BootRun, MspImageSetsEachAddressBeforeItsDataAndLandsThere) {
    device->Configure([](SimDeviceConfig& c) {
        c.Boot.DeviceType = "F2618";
        c.Boot.FlashStart = 0x3100;
        c.Boot.FlashEnd = 0x1FFFF;
    });
    s->Flash.McuType = "MSP430";
    SetImage(Join({{"@3100"},
                   DataLines(20),
                   {"@8000"},
                   DataLines(3, 0x40),
                   {"@10000"},
                   DataLines(1, 0x80),
                   {"q"}}));
    Run();
    EXPECT_EQ(CountSent(0x84), 3u);
    EXPECT_EQ(s->LinkMode.load(), 11);
    EXPECT_EQ(device->ProgrammedCode(), ImageBytes(image, 0));
}

TEST_F(BootRun, ImageLineOf691CharactersFailsWithTheCommandOfTheReplyBeingHandled) {
    std::string longLine;
    for (int k = 0; k < 230; ++k) longLine += "01 ";
    longLine += "0";  // 691 characters

    // As the first line: the write step cannot start after the erase reply.
    SetImage({longLine, "q"});
    Run();
    EXPECT_EQ(s->FlashResult.load(), 0x82);
    EXPECT_EQ(CountSent(0x85), 0u);
    EXPECT_TRUE(Logged("Error Code!"));
    EXPECT_FALSE(Logged("Start to write code..."));
}

TEST_F(BootRun, ImageLineOf691CharactersAfterDataFailsWith85) {
    std::string longLine;
    for (int k = 0; k < 230; ++k) longLine += "01 ";
    SetImage(Join({DataLines(20), {longLine + "0"}, {"q"}}));
    Run();
    EXPECT_EQ(s->FlashResult.load(), 0x85);
    EXPECT_EQ(ui.Log().back(), "Error Code!");
}

TEST_F(BootRun, AddressLineWithATextBeforeItsAtSignFailsWithTheAddressReply) {
    device->Configure([](SimDeviceConfig& c) {
        c.Boot.DeviceType = "F2618";
        c.Boot.FlashStart = 0x3100;
        c.Boot.FlashEnd = 0x1FFFF;
    });
    s->Flash.McuType = "MSP430";
    SetImage(Join({{"@3100"}, {"x@4000"}, DataLines(2), {"q"}}));
    Run();
    EXPECT_EQ(s->FlashResult.load(), 0x84);
    EXPECT_EQ(ui.Log().back(), "Error Code!");
}

TEST_F(BootRun, ImageGoneBeforeTheWriteStepFailsInsteadOfWritingNothing) {
    StartFirmwareUpdate(*s, FirmwareImages{store.Path(), {}});
    std::filesystem::remove(store.Path() / "RAZEncryptioninformation_KOVAN");
    comm->Pump(*s);
    EXPECT_EQ(s->FlashResult.load(), 0x82);
    EXPECT_TRUE(Logged("Error Code!"));
    EXPECT_EQ(CountSent(0x86), 0u);
}

TEST_F(BootRun, DeviceOfNoKnownModelIsRefusedBeforeAnyFrame) {
    s->DeviceInfo.Model = "";
    Run();
    EXPECT_TRUE(comm->Writes().empty());
    EXPECT_EQ(s->FlashResult.load(), 0x44);
    EXPECT_EQ(s->FirmwareModelType.load(), 0);
    EXPECT_EQ(ui.Log(), (std::vector<std::string>{"Invalid Brevalon Model!"}));
}

TEST_F(BootRun, CurrentFirmwareOfAnotherModelIsRefused) {
    s->FirmwareModel = "Q7302";
    Run();
    EXPECT_TRUE(comm->Writes().empty());
    EXPECT_EQ(s->FlashResult.load(), 0x44);
    EXPECT_EQ(s->FirmwareModelType.load(), 0);
    EXPECT_EQ(ui.Log(), (std::vector<std::string>{"Invalid Brevalon Model!"}));
}

TEST_F(BootRun, MissingImageIsRebuiltFromTheModelsCodeFileOrTheRunIsRefused) {
    std::filesystem::remove(store.Path() / "RAZEncryptioninformation_KOVAN");
    std::vector<int> asked;
    StartFirmwareUpdate(*s, FirmwareImages{store.Path(), [&](uint8_t type) {
                                               asked.push_back(type);
                                               return false;
                                           }});
    EXPECT_EQ(asked, (std::vector<int>{3}));
    EXPECT_EQ(s->FlashResult.load(), 0x44);
    EXPECT_EQ(ui.Log(), (std::vector<std::string>{"The firmware update is missing!"}));
    EXPECT_TRUE(comm->Writes().empty());

    s->FlashResult.store(0);
    ui.Clear();
    StartFirmwareUpdate(
        *s,
        FirmwareImages{
            store.Path(), [&](uint8_t) {
                WriteImage(store, "RAZEncryptioninformation_KOVAN", Join({DataLines(2), {"q"}}));
                return true;
            }});
    EXPECT_EQ(ui.Log(), (std::vector<std::string>{"File Size:32Bytes"}));
    ASSERT_EQ(comm->Writes().size(), 1u);
    comm->Pump(*s);
    EXPECT_EQ(s->LinkMode.load(), 11);
}

TEST_F(BootRun, ImageOfASingleLineIsShownAsZeroBytes) {
    SetImage({"q"});
    StartFirmwareUpdate(*s, FirmwareImages{store.Path(), {}});
    EXPECT_EQ(ui.Log(), (std::vector<std::string>{"File Size:0Bytes"}));
}

}  // namespace
