// From a firmware code file to the device's flash: the start of a run finds no
// decoded image in the store, has the model's code file read (the factory copy
// beside the program), and the run writes exactly the code the file holds.

#include <gtest/gtest.h>

#include <filesystem>

#include "BootTestSupport.h"
#include "firmware/CodeFileMake.h"

using namespace boottest;

namespace {

class CodeFileToFlash : public ::testing::Test {
  protected:
    CodeFileToFlash() {
        SimDeviceConfig config;
        config.InBootloader = true;
        device = std::make_unique<VirtualBreathalyser>(config);
        comm = std::make_unique<DeviceLoopComm>(*device);
        s = std::make_unique<SharedState>(ui, *comm);
        s->ModelTable = TestModelTable();
        s->Flash.EraseMain = true;
        s->Flash.WriteCode = true;
        s->Flash.VerifyCode = true;
        s->Flash.AutomaticReset = true;
        s->Flash.McuType = "AT24";  // the code file's own family is the one that counts
        s->DeviceInfo.Model = "KOVAN";
        s->LinkMode.store(10);
        ProgramPaths paths{folder.Path() / "program", folder.Path() / "data"};
        std::filesystem::create_directories(paths.DataFolder);
        s->Firmware = InstalledFirmwarePlaces(paths);
    }

    // Makes the KOVAN code file and puts it beside the program as its factory copy.
    void FactoryCodeFile(const std::string& family, CodeImage code) {
        std::vector<std::string> lines;
        std::string error;
        ASSERT_TRUE(MakeCodeFile({"Q7303", "2.03.001", "1.000", "test", family}, std::move(code),
                                 lines, error))
            << error;
        std::string text;
        for (const auto& line : lines) text += line + "\r\n";
        folder.Write("program/settings/SUGdefaultscf_KOVAN.txt", text);
    }

    size_t CountOf(uint8_t command) const {
        size_t n = 0;
        for (const auto& w : comm->Writes()) n += CommandOf(w) == command;
        return n;
    }

    static std::vector<std::pair<uint32_t, uint8_t>> Flat(const CodeImage& code) {
        std::vector<std::pair<uint32_t, uint8_t>> out;
        for (const auto& segment : code.Segments) {
            uint32_t a = segment.Address;
            for (uint8_t b : segment.Bytes) out.emplace_back(a++, b);
        }
        return out;
    }

    TempFolder folder;
    RecordingUi ui;
    std::unique_ptr<VirtualBreathalyser> device;
    std::unique_ptr<DeviceLoopComm> comm;
    std::unique_ptr<SharedState> s;
};

std::vector<uint8_t> Counting(size_t n, uint8_t seed) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 5));
    return bytes;
}

TEST_F(CodeFileToFlash, StmCodeFileIsReadAtTheStartAndWrittenFromTheStartOfTheCodeArea) {
    const CodeImage code = BinaryImage(Counting(1000, 3), 0x08003000);
    FactoryCodeFile("STM32", code);

    StartFirmwareUpdate(*s);
    comm->Pump(*s);

    EXPECT_TRUE(std::filesystem::exists(s->Firmware.Store / "RAZEncryptioninformation_KOVAN"));
    EXPECT_EQ(s->LinkMode.load(), 11);
    EXPECT_EQ(CountOf(0x84), 0u);
    EXPECT_EQ(device->ProgrammedCode(), Flat(code));
}

TEST_F(CodeFileToFlash, MspCodeFileSetsEachSegmentsAddressAndWritesItThere) {
    device->Configure([](SimDeviceConfig& c) {
        c.Boot.DeviceType = "F2618";
        c.Boot.FlashStart = 0x3100;
        c.Boot.FlashEnd = 0x1FFFF;
    });
    CodeImage code;
    code.Segments = {
        {0x3100, Counting(500, 9)}, {0x8000, Counting(37, 200)}, {0x10000, Counting(300, 1)}};
    FactoryCodeFile("MSP430", code);

    StartFirmwareUpdate(*s);
    comm->Pump(*s);

    EXPECT_EQ(s->LinkMode.load(), 11);
    EXPECT_EQ(CountOf(0x84), 3u);
    EXPECT_EQ(device->ProgrammedCode(), Flat(code));
}

TEST_F(CodeFileToFlash, NoCodeFileForTheModelRefusesTheRun) {
    StartFirmwareUpdate(*s);
    EXPECT_EQ(s->FlashResult.load(), 0x44);
    EXPECT_EQ(ui.Log(), (std::vector<std::string>{"The firmware update is missing!"}));
    EXPECT_TRUE(comm->Writes().empty());
}

TEST_F(CodeFileToFlash, CodeFileOfAnotherModelUnderTheModelsNameIsNeverWritten) {
    std::vector<std::string> lines;
    std::string error;
    ASSERT_TRUE(MakeCodeFile({"Q7302", "2.03.001", "1.000", "test", "STM32"},
                             BinaryImage(Counting(64, 1), 0x08003000), lines, error));
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    folder.Write("program/settings/SUGdefaultscf_KOVAN.txt", text);  // a ZET file

    StartFirmwareUpdate(*s);
    EXPECT_EQ(s->FlashResult.load(), 0x44);
    EXPECT_EQ(ui.Log(), (std::vector<std::string>{"Invalid Brevalon Model!"}));
    EXPECT_TRUE(comm->Writes().empty());
}

}  // namespace
