// The virtual breathalyser in its bootloader: identification, the flash memory
// of its code area, erase, blank check, write, verify, read-back, the reset into
// the normal protocol, and the faults it can be told to show.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>

#include "SimComm.h"
#include "VirtualBreathalyser.h"
#include "WireHelpers.h"

using namespace simtest;
using namespace std::chrono_literals;

namespace {

// A request as the PC frames it: 00 FE, LEN, body, low byte of LEN plus the body.
Bytes Request(const Bytes& body) {
    Bytes frame{0x00, 0xFE, static_cast<uint8_t>(body.size())};
    unsigned sum = frame[2];
    for (uint8_t b : body) {
        frame.push_back(b);
        sum += b;
    }
    frame.push_back(static_cast<uint8_t>(sum & 0xFF));
    return frame;
}

struct BootReply {
    Bytes Body;  // command, status, data
    bool SumOk = false;
};

// Splits a stream of bootloader frames.
std::vector<BootReply> SplitBoot(const Bytes& bytes) {
    std::vector<BootReply> out;
    size_t i = 0;
    while (i + 4 <= bytes.size() && bytes[i] == 0x00 && bytes[i + 1] == 0xFE) {
        const size_t len = bytes[i + 2];
        if (i + 4 + len > bytes.size()) break;
        unsigned sum = static_cast<unsigned>(len);
        BootReply r;
        for (size_t k = 0; k < len; ++k) {
            r.Body.push_back(bytes[i + 3 + k]);
            sum += bytes[i + 3 + k];
        }
        r.SumOk = (sum & 0xFF) == bytes[i + 3 + len];
        out.push_back(r);
        i += 4 + len;
    }
    EXPECT_EQ(i, bytes.size()) << "bytes that are no bootloader frame";
    return out;
}

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class SimBootloaderTest : public ::testing::Test {
  protected:
    SimBootloaderTest() {
        SimDeviceConfig config;
        config.InBootloader = true;
        device = std::make_unique<VirtualBreathalyser>(config);
    }
    std::vector<BootReply> Ask(const Bytes& body) {
        return SplitBoot(device->Receive(Request(body)));
    }
    // The only reply to a request; its sum must be right.
    Bytes One(const Bytes& body) {
        const auto replies = Ask(body);
        EXPECT_EQ(replies.size(), 1u);
        if (replies.empty()) return {};
        EXPECT_TRUE(replies[0].SumOk);
        return replies[0].Body;
    }
    void Configure(const std::function<void(SimBootConfig&)>& change) {
        device->Configure([&](SimDeviceConfig& c) { change(c.Boot); });
    }

    std::unique_ptr<VirtualBreathalyser> device;
};

TEST_F(SimBootloaderTest, IdentifiesItselfWithTypeBootVersionAndNumber) {
    EXPECT_EQ(One(Hex("8B")), Cat(Hex("8B 91"), {'4', '1', '0'}));
    EXPECT_EQ(One(Hex("8C")), Cat(Hex("8C 91"), Bytes{'B', 'L', '1', '.', '0', '2', ' ', '2', '0',
                                                      '2', '3', '-', '1', '1', '-', '0', '8'}));
    EXPECT_EQ(One(Hex("8D")),
              Cat(Hex("8D 91"), Bytes{'B', 'V', '2', '4', '0', '0', '0', '1', '2', '3'}));
    EXPECT_EQ(One(Hex("80")), Hex("80 91"));
    // The start frame of a run comes after three ESC bytes.
    const auto replies = SplitBoot(device->Receive(Cat(Hex("1B 1B 1B"), Request(Hex("8B")))));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].Body[0], 0x8B);
}

TEST_F(SimBootloaderTest, EraseReportsProgressThroughTheCodeAreaAndThenDone) {
    Configure([](SimBootConfig& b) { b.EraseStep = 0x8000; });
    const auto replies = Ask(Hex("82"));
    ASSERT_EQ(replies.size(), 5u);
    EXPECT_EQ(replies[0].Body, Hex("82 91 08 00 30 00"));
    EXPECT_EQ(replies[1].Body, Hex("82 91 08 00 B0 00"));
    EXPECT_EQ(replies[2].Body, Hex("82 91 08 01 30 00"));
    EXPECT_EQ(replies[3].Body, Hex("82 91 08 01 B0 00"));
    EXPECT_EQ(replies[4].Body, Hex("82 91"));
    for (const auto& r : replies) EXPECT_TRUE(r.SumOk);
}

TEST_F(SimBootloaderTest, BlankCheckFailsAtTheFirstProgrammedAddressUntilErased) {
    Configure([](SimBootConfig& b) {
        b.StartsProgrammed = true;
        b.EraseStep = 0x10000;
    });
    EXPECT_EQ(One(Hex("83")), Hex("83 92 08 00 30 00"));
    Ask(Hex("82"));
    const auto replies = Ask(Hex("83"));
    ASSERT_EQ(replies.size(), 3u);
    EXPECT_EQ(replies[0].Body, Hex("83 91 08 00 30 00"));
    EXPECT_EQ(replies[1].Body, Hex("83 91 08 01 30 00"));
    EXPECT_EQ(replies[2].Body, Hex("83 91"));

    One(Hex("80"));
    One(Hex("85 00"));
    EXPECT_EQ(One(Hex("83")).size(), 6u);  // blank up to 08003000 no more
}

TEST_F(SimBootloaderTest, WritesAtTheAddressSetInsideTheCodeAreaAndVerifiesTheSumItHolds) {
    Ask(Hex("82"));
    EXPECT_EQ(One(Hex("80")), Hex("80 91"));
    EXPECT_EQ(One(Hex("85 01 02 03")), Hex("85 91"));
    EXPECT_EQ(One(Hex("84 08 00 40 00")), Hex("84 91"));
    EXPECT_EQ(One(Hex("85 FF")), Hex("85 91"));
    EXPECT_EQ(One(Hex("87")), Hex("87 91 01 05"));  // 1 + 2 + 3 + 0xFF

    const auto code = device->ProgrammedCode();
    ASSERT_EQ(code.size(), 4u);
    EXPECT_EQ(code[0], (std::pair<uint32_t, uint8_t>{0x08003000, 0x01}));
    EXPECT_EQ(code[2], (std::pair<uint32_t, uint8_t>{0x08003002, 0x03}));
    EXPECT_EQ(code[3], (std::pair<uint32_t, uint8_t>{0x08004000, 0xFF}));

    // Outside the code area, or running over its end: refused, nothing written.
    EXPECT_EQ(One(Hex("84 08 00 2F FF")), Hex("84 92"));
    EXPECT_EQ(One(Hex("84 08 02 00 00")), Hex("84 92"));
    EXPECT_EQ(One(Hex("84 08 01 FF FF")), Hex("84 91"));
    EXPECT_EQ(One(Hex("85 11 22")), Hex("85 92"));
    EXPECT_EQ(One(Hex("84")), Hex("84 92"));  // an address frame without its address
    EXPECT_EQ(device->ProgrammedCode().size(), 4u);
}

TEST_F(SimBootloaderTest, ProgrammingOnlyClearsBitsSoAByteWrittenTwiceIsTheirAnd) {
    Ask(Hex("82"));
    One(Hex("80"));
    One(Hex("85 0F"));
    One(Hex("84 08 00 30 00"));
    One(Hex("85 F3"));
    EXPECT_EQ(device->Flash()[0], 0x03);
}

TEST_F(SimBootloaderTest, ReadCodeSendsEachProgrammedStretchWithItsAddressThenTheEnd) {
    Configure([](SimBootConfig& b) { b.ReadChunk = 2; });
    Ask(Hex("82"));
    One(Hex("80"));
    One(Hex("85 01 02 03"));
    One(Hex("84 08 00 40 00"));
    One(Hex("85 AA"));
    const auto replies = Ask(Hex("8A"));
    std::vector<Bytes> bodies;
    for (const auto& r : replies) {
        EXPECT_TRUE(r.SumOk);
        bodies.push_back(r.Body);
    }
    EXPECT_EQ(bodies,
              (std::vector<Bytes>{Hex("8A 9A 08 00 30 00"), Hex("8A 9B 01 02"), Hex("8A 9B 03"),
                                  Hex("8A 9A 08 00 40 00"), Hex("8A 9B AA"), Hex("8A 9C")}));
}

TEST_F(SimBootloaderTest, ResetAfterACompleteWriteReturnsToTheNormalProtocolWithTheNewVersion) {
    device->Configure([](SimDeviceConfig& c) {
        c.SWVer = "202105";
        c.Boot.UpdatedSWVer = "203001";
    });
    EXPECT_TRUE(SplitFrames(device->Receive(Hex("AA FE 00 03 6A 11 7E"))).empty());
    Ask(Hex("82"));
    One(Hex("80"));
    One(Hex("85 01 02"));
    EXPECT_EQ(One(Hex("86 71")), Hex("86 91"));
    EXPECT_EQ(One(Hex("88")), Hex("88 91"));
    EXPECT_FALSE(device->InBootloader());

    const auto frames = SplitFrames(device->Receive(Hex("AA FE 00 03 6A 11 7E")));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(Text(frames[0].Payload, 28, 6), "203001");
    EXPECT_TRUE(SplitBoot(device->Receive(Request(Hex("87")))).empty());
}

TEST_F(SimBootloaderTest, ResetWithoutACompleteWriteKeepsTheVersion) {
    device->Configure([](SimDeviceConfig& c) {
        c.SWVer = "202105";
        c.Boot.UpdatedSWVer = "203001";
    });
    One(Hex("80"));
    One(Hex("85 01 02"));  // no end frame
    One(Hex("88"));
    EXPECT_EQ(device->Config().SWVer, "202105");
}

TEST_F(SimBootloaderTest, RefusesTheKthDataFrameNTimesThenTakesIt) {
    Configure([](SimBootConfig& b) {
        b.RefuseDataFrame = 2;
        b.RefuseTimes = 2;
    });
    One(Hex("8B"));
    One(Hex("80"));
    EXPECT_EQ(One(Hex("85 01")), Hex("85 91"));
    EXPECT_EQ(One(Hex("85 02")), Hex("85 92"));
    EXPECT_EQ(One(Hex("85 02")), Hex("85 92"));
    EXPECT_EQ(One(Hex("85 02")), Hex("85 91"));
    EXPECT_EQ(device->ProgrammedCode().size(), 2u);
    // Once only: the next run is not refused.
    One(Hex("8B"));
    One(Hex("80"));
    One(Hex("85 01"));
    EXPECT_EQ(One(Hex("85 02")), Hex("85 91"));
}

TEST_F(SimBootloaderTest, CorruptsTheChecksumOfTheKthReplyOfARun) {
    Configure([](SimBootConfig& b) { b.CorruptReply = 2; });
    EXPECT_TRUE(Ask(Hex("8B"))[0].SumOk);
    const auto second = Ask(Hex("8C"));
    ASSERT_EQ(second.size(), 1u);
    EXPECT_FALSE(second[0].SumOk);
    EXPECT_TRUE(Ask(Hex("8C"))[0].SumOk);
}

TEST_F(SimBootloaderTest, CorruptedDataReplyComesAfterTheFrameWasWritten) {
    Configure([](SimBootConfig& b) { b.CorruptDataReply = 1; });
    One(Hex("8B"));
    One(Hex("80"));
    const auto replies = Ask(Hex("85 5A"));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_FALSE(replies[0].SumOk);
    EXPECT_EQ(device->ProgrammedCode().size(), 1u);
    One(Hex("85 5A"));  // sent again: written again, one further on
    EXPECT_EQ(device->ProgrammedCode().size(), 2u);
}

TEST_F(SimBootloaderTest, FallsSilentAfterKDataFramesUntilPluggedInAgain) {
    Configure([](SimBootConfig& b) { b.SilentAfterDataFrames = 2; });
    One(Hex("8B"));
    One(Hex("80"));
    One(Hex("85 01"));
    One(Hex("85 02"));  // still answered
    EXPECT_TRUE(device->IsSilent());
    EXPECT_TRUE(device->Receive(Request(Hex("85 03"))).empty());
    device->SetSilent(false);
    EXPECT_TRUE(device->InBootloader());
    EXPECT_EQ(One(Hex("8B")), Cat(Hex("8B 91"), {'4', '1', '0'}));
}

TEST_F(SimBootloaderTest, WrongVerifySumIsOneOff) {
    Configure([](SimBootConfig& b) { b.WrongVerifySum = true; });
    One(Hex("80"));
    One(Hex("85 10"));
    EXPECT_EQ(One(Hex("87")), Hex("87 91 00 11"));
}

TEST_F(SimBootloaderTest, DataFramesTakeTheDevicesTimeBeforeTheirReply) {
    Configure([](SimBootConfig& b) { b.DataFrameTime = 3ms; });
    One(Hex("80"));
    EXPECT_EQ(device->TakeAnswerDelay(), 0us);
    device->Receive(Cat(Request(Hex("85 01")), Request(Hex("85 02"))));
    EXPECT_EQ(device->TakeAnswerDelay(), 6ms);
    EXPECT_EQ(device->TakeAnswerDelay(), 0us);
}

TEST_F(SimBootloaderTest, ResetWithoutAcknowledgementStillLeavesTheBootloader) {
    Configure([](SimBootConfig& b) { b.AckReset = false; });
    EXPECT_TRUE(device->Receive(Request(Hex("88"))).empty());
    EXPECT_FALSE(device->InBootloader());
}

TEST(SimResetRequest, IsAcceptedIgnoredOrRefusedAsConfigured) {
    const Bytes reset = Hex("AA FE 80 0B A0 11 52 65 73 65 74 4D 43 55 24");
    const struct {
        SimDeviceConfig::ResetReply reply;
        const char* answer;
        bool bootloader;
    } cases[] = {
        {SimDeviceConfig::ResetReply::Accept, "AA FE 00 03 A0 22 C5", true},
        {SimDeviceConfig::ResetReply::Silent, "", false},
        {SimDeviceConfig::ResetReply::Refuse, "AA FE 00 03 A0 33 D6", false},
    };
    for (const auto& c : cases) {
        SimDeviceConfig config;
        config.ResetRequest = c.reply;
        VirtualBreathalyser device(config);
        EXPECT_EQ(device.Receive(reset), Hex(c.answer)) << c.answer;
        EXPECT_EQ(device.InBootloader(), c.bootloader) << c.answer;
    }
}

TEST(SimModelTable, CodeAreaOfADeviceTypeComesFromTheShippedModelTable) {
    std::ifstream in(std::string(BREV_SOURCE_DIR) + "/settings/model.ini");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_FALSE(lines.empty());

    uint32_t start = 0;
    uint32_t end = 0;
    ASSERT_TRUE(SimCodeAreaFromModelTable(lines, "STM32", "414", start, end));
    EXPECT_EQ(start, 0x08003000u);
    EXPECT_EQ(end, 0x0807FFFFu);
    ASSERT_TRUE(SimCodeAreaFromModelTable(lines, "MSP430", "F5438", start, end));
    EXPECT_EQ(start, 0x5C00u);
    EXPECT_EQ(end, 0x45BFFu);
    EXPECT_FALSE(SimCodeAreaFromModelTable(lines, "STM32", "F5438", start, end));
    EXPECT_FALSE(SimCodeAreaFromModelTable(lines, "AT24", "410", start, end));
}

TEST(SimCommBootloader, AnswerOfABusyDeviceArrivesNoSoonerThanItsWorkAllows) {
    SimComm comm;
    SimDeviceConfig config;
    config.InBootloader = true;
    config.Boot.DataFrameTime = 40ms;
    comm.AddDevice("COM9", config);
    std::mutex mutex;
    Bytes received;
    std::chrono::steady_clock::time_point arrived{};
    comm.SetReceiveHandler([&](const uint8_t* data, size_t n) {
        std::lock_guard lock(mutex);
        received.insert(received.end(), data, data + n);
        arrived = std::chrono::steady_clock::now();
    });
    ASSERT_TRUE(comm.OpenCommon("COM9", 115200));
    const Bytes start = Request(Hex("80"));
    ASSERT_TRUE(comm.WriteCommData(start.data(), static_cast<uint16_t>(start.size())));
    ASSERT_TRUE(comm.WaitUntilIdle(2s));
    const Bytes write = Request(Hex("85 01"));
    const auto sent = std::chrono::steady_clock::now();
    ASSERT_TRUE(comm.WriteCommData(write.data(), static_cast<uint16_t>(write.size())));
    ASSERT_TRUE(comm.WaitUntilIdle(2s));
    std::lock_guard lock(mutex);
    EXPECT_EQ(SplitBoot(received).size(), 2u);
    EXPECT_GE(arrived - sent, 40ms);
}

}  // namespace
