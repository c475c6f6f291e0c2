#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <set>

#include "VirtualBreathalyser.h"
#include "WireHelpers.h"

using namespace simtest;

namespace {

const Bytes kClockProbe = Hex("AA FE 00 03 82 11 96");
const Bytes kInfoRequest = Hex("AA FE 00 03 81 11 95");
const Bytes kMemoryRequest = Hex("AA FE 00 03 83 11 97");
const Bytes kStatusRequest = Hex("AA FE 00 03 6A 11 7E");
const Bytes kRecords1To3 = Hex("AA FE 00 07 84 11 00 01 00 03 A0");
const Bytes kRecordNext = Hex("AA FE 00 03 84 22 A9");
const Bytes kRecordResend = Hex("AA FE 00 03 84 33 BA");
const Bytes kRecordFinished = Hex("AA FE 00 03 84 66 ED");
const Bytes kBootProbe = Hex("1B 00 FE 01 87 88");
const Bytes kResetRequest = Hex("AA FE 80 0B A0 11 52 65 73 65 74 4D 43 55 24");

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

SimRecord Record(uint16_t counter, uint16_t reading, std::string text) {
    SimRecord r;
    r.Counter = counter;
    r.TestType = 1;
    r.ResultKind = 1;
    r.UnitCode = 2;
    r.Reading = reading;
    r.Hour = 9;
    r.Minute = 5;
    r.Second = 30;
    r.Year = 2016;
    r.Month = 3;
    r.Day = 5;
    r.SecondReading = 123;
    r.Temperature = 45;
    r.Slope = 100;
    r.Text = std::move(text);
    return r;
}

SimDeviceConfig ThreeRecordKovan() {
    SimDeviceConfig config;
    config.Records = {Record(1, 0x1234, "Driver 12"), Record(2, 0, ""), Record(3, 7, "Müller")};
    return config;
}

class VirtualBreathalyserTest : public ::testing::Test {
  protected:
    VirtualBreathalyser device{ThreeRecordKovan()};

    std::vector<WireFrame> Send(const Bytes& bytes) { return SplitFrames(device.Receive(bytes)); }
};

TEST_F(VirtualBreathalyserTest, ClockProbeIsAnsweredWithTheConfiguredTimeAndACorrectSum) {
    const Bytes answer = device.Receive(kClockProbe);

    // 10:30:00 on 17/05/2024: hour, minute, second, year (big-endian), month, day.
    const Bytes body = Hex("00 09 82 0A 1E 00 07 E8 05 11");
    const unsigned sum = std::accumulate(body.begin(), body.end(), 0u) & 0xFF;
    Bytes expected = Concat({Hex("AA FE"), body});
    expected.push_back(static_cast<uint8_t>(sum));
    EXPECT_EQ(expected, answer);
    EXPECT_EQ(0xB8, sum);
}

TEST_F(VirtualBreathalyserTest, AnswersDoNotDependOnHowTheInputIsSplit) {
    const Bytes stream = Concat({Hex("00 AA 13"), kInfoRequest, kClockProbe, kMemoryRequest,
                                 kStatusRequest, kRecords1To3, kRecordNext});
    const Bytes whole = VirtualBreathalyser(ThreeRecordKovan()).Receive(stream);
    ASSERT_EQ(6u, SplitFrames(whole).size());

    for (size_t cut = 0; cut <= stream.size(); ++cut) {
        VirtualBreathalyser split(ThreeRecordKovan());
        Bytes answer = split.Receive(std::span(stream).first(cut));
        const Bytes rest = split.Receive(std::span(stream).subspan(cut));
        answer.insert(answer.end(), rest.begin(), rest.end());
        EXPECT_EQ(whole, answer) << "cut at " << cut;
    }
    VirtualBreathalyser byteWise(ThreeRecordKovan());
    Bytes answer;
    for (uint8_t b : stream) {
        const Bytes part = byteWise.Receive(std::span(&b, 1));
        answer.insert(answer.end(), part.begin(), part.end());
    }
    EXPECT_EQ(whole, answer);
}

TEST_F(VirtualBreathalyserTest, DeviceInformationCarriesPaddedIdentityVersionsAndCalibration) {
    device.Configure([](SimDeviceConfig& c) {
        c.ModelCode = "Q7302";
        c.ModelSN = "ZT01";
        c.SWVer = "201005";
        c.HWVer = "1002";
        c.CalYear = 2016;
        c.CalMonth = 3;
        c.CalDay = 9;
        c.CalCycle = 180;
        c.Unit = 3;
        c.LEDGreen = 200;
        c.LEDYellow = 400;
        c.LEDRed = 800;
    });
    const auto frames = Send(kInfoRequest);
    ASSERT_EQ(1u, frames.size());
    const WireFrame& f = frames[0];
    EXPECT_TRUE(f.SumOk);
    EXPECT_EQ(0x81, f.Command);
    ASSERT_GE(f.Payload.size(), 54u);
    EXPECT_EQ("Q7302     ", Text(f.Payload, 0, 10));
    EXPECT_EQ("ZT01      ", Text(f.Payload, 10, 10));
    EXPECT_EQ("SE24000456", Text(f.Payload, 20, 10));
    EXPECT_EQ("201005", Text(f.Payload, 30, 6));
    EXPECT_EQ("1002", Text(f.Payload, 36, 4));
    EXPECT_EQ(Hex("07 E0 03 09 00 B4 00 03 00 C8 01 90 03 20"),
              Bytes(f.Payload.begin() + 40, f.Payload.begin() + 54));
}

TEST_F(VirtualBreathalyserTest, RecordMemoryReportsTheStoredRecordsOrTheConfiguredCounts) {
    auto frames = Send(kMemoryRequest);
    ASSERT_EQ(1u, frames.size());
    EXPECT_EQ(0x83, frames[0].Command);
    EXPECT_EQ(Hex("00 05 00 03 00 03 00 00 00 00"), frames[0].Payload);

    device.Configure([](SimDeviceConfig& c) {
        c.TotalNumRec = 42;
        c.IndexLastRec = 40;
        c.NumDeleteRec = 3;
        c.StatusMemory = 1;
    });
    frames = Send(kMemoryRequest);
    ASSERT_EQ(1u, frames.size());
    EXPECT_EQ(Hex("00 05 00 2A 00 28 00 03 00 01"), frames[0].Payload);
}

TEST_F(VirtualBreathalyserTest, FullStatusPutsVersionsAndMeasurementsWhereTheProgramReadsThem) {
    device.Configure([](SimDeviceConfig& c) {
        c.SWVer = "202017";
        c.HWVer = "1001";
        c.CalError = 0x0102;
        c.Pressure = 1013;
        c.Voltage = 405;
        c.Temperature = 20;
    });
    const auto frames = Send(kStatusRequest);
    ASSERT_EQ(1u, frames.size());
    const Bytes& p = frames[0].Payload;
    EXPECT_EQ(0x6A, frames[0].Command);
    ASSERT_GE(p.size(), 46u);
    EXPECT_EQ("Q7303     ", Text(p, 0, 10));
    EXPECT_EQ(Hex("0A 1E 00 07 E8 05 11"), Bytes(p.begin() + 10, p.begin() + 17));
    EXPECT_EQ(0x0102, Word(p, 23));
    EXPECT_EQ("202017", Text(p, 28, 6));
    EXPECT_EQ("1001", Text(p, 34, 4));
    EXPECT_EQ(1013, Word(p, 39));
    EXPECT_EQ(405, Word(p, 41));
    EXPECT_EQ(20, p[43]);
}

TEST_F(VirtualBreathalyserTest, DownloadSendsOneRecordPerAcknowledgementAndResendsOn33) {
    auto frames = Send(kRecords1To3);
    ASSERT_EQ(1u, frames.size());
    EXPECT_EQ(0x84, frames[0].Command);
    EXPECT_TRUE(frames[0].SumOk);
    // Counter 1, mode 0x25 (quick, yes/no, unit 2), reading 0x1234, 09:05:30,
    // 2016-03-05, second reading 123, temperature 45, slope 100, then the text.
    EXPECT_EQ(Concat({Hex("00 01 25 12 34 09 05 1E 07 E0 03 05 00 7B 2D 64"),
                      Bytes{'D', 'r', 'i', 'v', 'e', 'r', ' ', '1', '2'}}),
              frames[0].Payload);

    frames = Send(kRecordNext);
    ASSERT_EQ(1u, frames.size());
    EXPECT_EQ(2, Word(frames[0].Payload, 0));
    EXPECT_EQ(16u, frames[0].Payload.size());  // empty text

    frames = Send(kRecordResend);
    ASSERT_EQ(1u, frames.size());
    EXPECT_EQ(2, Word(frames[0].Payload, 0));

    frames = Send(kRecordNext);
    ASSERT_EQ(1u, frames.size());
    EXPECT_EQ(3, Word(frames[0].Payload, 0));
    EXPECT_EQ("Müller", Text(frames[0].Payload, 16, frames[0].Payload.size() - 16));
    EXPECT_TRUE(device.DownloadActive());

    EXPECT_TRUE(device.Receive(kRecordFinished).empty());
    EXPECT_FALSE(device.DownloadActive());
    EXPECT_EQ((std::vector<uint16_t>{1, 2, 2, 3}), device.RecordsSent());
}

TEST_F(VirtualBreathalyserTest, CorruptedRecordIsSentWithABadSumAndCleanWhenAskedAgain) {
    device.CorruptRecord(2);
    Send(kRecords1To3);
    auto frames = Send(kRecordNext);
    ASSERT_EQ(1u, frames.size());
    EXPECT_FALSE(frames[0].SumOk);

    frames = Send(kRecordResend);
    ASSERT_EQ(1u, frames.size());
    EXPECT_TRUE(frames[0].SumOk);
    EXPECT_EQ(2, Word(frames[0].Payload, 0));
}

TEST_F(VirtualBreathalyserTest, AcknowledgementAfterTheLastRecordEndsTheDownloadQuietly) {
    Send(kRecords1To3);
    Send(kRecordNext);
    Send(kRecordNext);
    EXPECT_TRUE(device.Receive(kRecordNext).empty());
    EXPECT_FALSE(device.DownloadActive());
    EXPECT_TRUE(device.Receive(kRecordNext).empty());
}

TEST_F(VirtualBreathalyserTest, RecordRangeIsLimitedToTheStoredRecords) {
    // Records 2 to 10 of three: 2 and 3 only.
    auto frames = Send(Hex("AA FE 00 07 84 11 00 02 00 0A A8"));
    ASSERT_EQ(1u, frames.size());
    EXPECT_EQ(2, Word(frames[0].Payload, 0));
    EXPECT_EQ(1u, Send(kRecordNext).size());
    EXPECT_TRUE(device.Receive(kRecordNext).empty());

    // Records 5 to 6: nothing stored there.
    EXPECT_TRUE(device.Receive(Hex("AA FE 00 07 84 11 00 05 00 06 A7")).empty());
    EXPECT_FALSE(device.DownloadActive());
}

TEST_F(VirtualBreathalyserTest, FallsSilentAfterRecordKAndStillRecordsWhatArrives) {
    device.FallSilentAfterRecord(2);
    EXPECT_EQ(1u, Send(kRecords1To3).size());
    EXPECT_EQ(1u, Send(kRecordNext).size());
    EXPECT_TRUE(device.IsSilent());
    EXPECT_TRUE(device.Receive(kRecordNext).empty());
    EXPECT_TRUE(device.Receive(kClockProbe).empty());
    EXPECT_TRUE(device.Receive(kBootProbe).empty());

    const Bytes received = device.ReceivedBytes();
    const Bytes tail = Concat({kRecordNext, kClockProbe, kBootProbe});
    ASSERT_GE(received.size(), tail.size());
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), received.end() - tail.size()));

    device.SetSilent(false);
    EXPECT_EQ(1u, Send(kClockProbe).size());
}

TEST_F(VirtualBreathalyserTest, AcknowledgementsAndBadFramesAreRecordedButNotAnswered) {
    EXPECT_TRUE(device.Receive(Hex("AA FE 00 03 82 22 A7")).empty());
    EXPECT_TRUE(device.Receive(Hex("AA FE 00 03 81 66 EA")).empty());
    EXPECT_TRUE(device.Receive(Hex("AA FE 00 03 82 11 97")).empty());  // wrong sum

    const auto frames = device.ReceivedFrames();
    ASSERT_EQ(3u, frames.size());
    EXPECT_EQ(0x82, frames[0].Command);
    EXPECT_EQ(Bytes{0x22}, frames[0].Payload);
    EXPECT_TRUE(frames[0].ChecksumOk);
    EXPECT_EQ(0x81, frames[1].Command);
    EXPECT_EQ(Bytes{0x66}, frames[1].Payload);
    EXPECT_FALSE(frames[2].ChecksumOk);
}

TEST_F(VirtualBreathalyserTest,
       OnlyABootloaderAnswersTheBootloaderProbeAndItIgnoresTheNormalProtocol) {
    EXPECT_TRUE(device.Receive(kBootProbe).empty());

    device.SetBootloader(true);
    const Bytes answer = device.Receive(kBootProbe);
    // 00 FE, LEN 4, verify-code reply (command 0x87, status 0x91, checksum 00 00), SUM.
    const Bytes body = Hex("04 87 91 00 00");
    Bytes expected = Concat({Hex("00 FE"), body});
    expected.push_back(static_cast<uint8_t>(std::accumulate(body.begin(), body.end(), 0u)));
    EXPECT_EQ(expected, answer);

    EXPECT_TRUE(device.Receive(kClockProbe).empty());
    EXPECT_TRUE(device.Receive(kInfoRequest).empty());
}

TEST_F(VirtualBreathalyserTest, ResetRequestIsAcknowledgedAndMovesTheDeviceIntoItsBootloader) {
    EXPECT_EQ(Hex("AA FE 00 03 A0 22 C5"), device.Receive(kResetRequest));
    EXPECT_TRUE(device.InBootloader());
    EXPECT_TRUE(device.Receive(kClockProbe).empty());
    const Bytes boot = device.Receive(kBootProbe);
    ASSERT_GE(boot.size(), 3u);
    EXPECT_EQ(0x00, boot[0]);
    EXPECT_EQ(0xFE, boot[1]);
}

TEST(VirtualBreathalyserResetTest, DeviceThatDoesNotSupportTheResetStaysInNormalMode) {
    SimDeviceConfig config;
    config.ResetRequest = SimDeviceConfig::ResetReply::Silent;
    VirtualBreathalyser device(config);
    EXPECT_TRUE(device.Receive(kResetRequest).empty());
    EXPECT_FALSE(device.InBootloader());
    EXPECT_FALSE(device.Receive(kClockProbe).empty());
}

TEST_F(VirtualBreathalyserTest, OutgoingBytesCanBeDroppedInsertedOrHaveTheirFrameCorrupted) {
    // Frame 0 is the first answer; byte positions count what the device meant to send.
    device.DropOutgoingByte(0);
    Bytes answer = device.Receive(kClockProbe);
    EXPECT_EQ(Hex("FE 00 09 82 0A 1E 00 07 E8 05 11 B8"), answer);

    device.InsertOutgoingByte(13 + 2, 0x55);  // third byte of the second answer
    answer = device.Receive(kClockProbe);
    EXPECT_EQ(Hex("AA FE 55 00 09 82 0A 1E 00 07 E8 05 11 B8"), answer);

    device.CorruptOutgoingFrame(2);
    const auto frames = Send(kClockProbe);
    ASSERT_EQ(1u, frames.size());
    EXPECT_FALSE(frames[0].SumOk);
    EXPECT_TRUE(Send(kClockProbe)[0].SumOk);
    EXPECT_EQ(4u, device.FramesSent());
}

TEST_F(VirtualBreathalyserTest, ResetLinkForgetsAHalfReceivedFrame) {
    const Bytes half = Hex("AA FE 00 03 82");
    EXPECT_TRUE(device.Receive(half).empty());
    // Without the reset the half frame swallows the start of the next probe.
    VirtualBreathalyser unreset(ThreeRecordKovan());
    unreset.Receive(half);
    EXPECT_TRUE(unreset.Receive(kClockProbe).empty());

    device.ResetLink();
    EXPECT_EQ(1u, Send(kClockProbe).size());
}

TEST_F(VirtualBreathalyserTest, ImpossibleLengthIsTakenAsNoiseAndTheNextFrameIsAnswered) {
    EXPECT_EQ(1u, Send(Concat({Hex("AA FE 7F FF"), kClockProbe})).size());
    EXPECT_EQ(1u, Send(Concat({Hex("AA FE 00 01"), kClockProbe})).size());
}

struct ReportCase {
    uint8_t command;
    size_t payloadLength;
};

class ReportLengthTest : public ::testing::TestWithParam<ReportCase> {};

TEST_P(ReportLengthTest, UnsolicitedReportHasItsPayloadLengthAndACorrectSum) {
    SimDeviceConfig config;
    config.StartLogo2 = "Drive safe";                 // 10 bytes, then TAB
    config.PrintHeader = {"A", "BB", "CCC", "DDDD"};  // 10 bytes, 3 TABs, 00
    VirtualBreathalyser device(config);
    const Bytes frame = device.MakeReport(GetParam().command);
    const auto frames = SplitFrames(frame);
    ASSERT_EQ(1u, frames.size());
    EXPECT_EQ(frame.size(), GetParam().payloadLength + 6);
    EXPECT_EQ(GetParam().command, frames[0].Command);
    EXPECT_EQ(GetParam().payloadLength, frames[0].Payload.size());
    EXPECT_TRUE(frames[0].SumOk);
}

INSTANTIATE_TEST_SUITE_P(Reports, ReportLengthTest,
                         ::testing::Values(ReportCase{0x80, 5}, ReportCase{0x81, 54},
                                           ReportCase{0x82, 7}, ReportCase{0x83, 10},
                                           ReportCase{0x6A, 46}, ReportCase{0x61, 20},
                                           ReportCase{0x62, 33}, ReportCase{0x63, 16},
                                           ReportCase{0x65, 8 + 10 + 1},
                                           ReportCase{0x9C, 10 + 3 + 1}, ReportCase{0x6F, 1},
                                           ReportCase{0x9A, 1}, ReportCase{0x9B, 1}));

TEST(VirtualBreathalyserReports, ConfigurationReportsCarryTheirFieldsInPlace) {
    SimDeviceConfig config;
    config.StartLogo1 = "LOGO";
    config.StartLogo2 = "Grüß";
    config.PrintHeader = {"A", "B", "C", "D"};
    config.Settings.RFChannel = 95;
    config.Settings.DefaultPassword = 0x1234;
    config.Settings.FactoryPassword = 0xABCD;
    config.Settings.Locale = 53;
    VirtualBreathalyser device(config);

    const Bytes settings = SplitFrames(device.MakeReport(0x62))[0].Payload;
    EXPECT_EQ(95, settings[26]);
    EXPECT_EQ(0x1234, Word(settings, 27));
    EXPECT_EQ(0xABCD, Word(settings, 29));
    EXPECT_EQ(53, settings[32]);

    const Bytes logo = SplitFrames(device.MakeReport(0x65))[0].Payload;
    EXPECT_EQ(Concat({Bytes{'L', 'O', 'G', 'O', ' ', ' ', ' ', ' '},
                      Bytes(config.StartLogo2.begin(), config.StartLogo2.end()), Hex("09")}),
              logo);

    EXPECT_EQ(Hex("41 09 42 09 43 09 44 00"), SplitFrames(device.MakeReport(0x9C))[0].Payload);
    EXPECT_EQ(Hex("AA FE 00 03 9B 66 04"), device.MakeReport(0x9B, 0x66));
    EXPECT_TRUE(device.MakeReport(0x55).empty());
}

TEST(GeneratedRecords, SameSeedGivesTheSameValidAndVariedRecords) {
    const auto a = GenerateRecords(7, 400);
    const auto b = GenerateRecords(7, 400);
    const auto c = GenerateRecords(8, 400);
    ASSERT_EQ(400u, a.size());
    bool allSame = true;
    bool anyDifferent = false;
    std::set<int> types, units;
    int zeros = 0, yesNo = 0, texts = 0, nonAscii = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        allSame = allSame && RecordPayload(a[i]) == RecordPayload(b[i]);
        anyDifferent = anyDifferent || RecordPayload(a[i]) != RecordPayload(c[i]);
        const SimRecord& r = a[i];
        EXPECT_EQ(i + 1, r.Counter);
        EXPECT_LE(r.TestType, 3);
        EXPECT_LE(r.ResultKind, 3);
        EXPECT_LE(r.UnitCode, 15);
        EXPECT_TRUE(r.Month >= 1 && r.Month <= 12 && r.Day >= 1 && r.Day <= 31);
        EXPECT_TRUE(r.Hour < 24 && r.Minute < 60 && r.Second < 60);
        EXPECT_TRUE(r.Year >= 2000 && r.Year <= 2099);
        types.insert(r.TestType);
        units.insert(r.UnitCode);
        zeros += r.Reading == 0;
        yesNo += r.ResultKind == 1;
        texts += !r.Text.empty();
        nonAscii +=
            std::any_of(r.Text.begin(), r.Text.end(), [](char ch) { return (ch & 0x80) != 0; });
    }
    EXPECT_TRUE(allSame);
    EXPECT_TRUE(anyDifferent);
    EXPECT_EQ(4u, types.size());
    EXPECT_GE(units.size(), 5u);
    EXPECT_GT(zeros, 0);
    EXPECT_LT(zeros, 400);
    EXPECT_GT(yesNo, 0);
    EXPECT_GT(texts, 0);
    EXPECT_LT(texts, 400);
    EXPECT_GT(nonAscii, 0);
    EXPECT_EQ(0xFFFFu, GenerateRecords(1, 70000).size());
}

}  // namespace
