// Frames on the wire: building and sending, the receive state machine, the text
// form of a received frame and the device's UTF-8.

#include <atomic>
#include <memory>
#include <thread>

#include "LinkTestSupport.h"
#include "link/ByteText.h"
#include "link/ReceiveRing.h"

namespace {

using FrameCodec = LinkTest;

TEST_F(FrameCodec, DeviceInformationRequestIsSentAsExactFrame) {
    const uint8_t payload[] = {0x11};
    EXPECT_TRUE(SendFrame(s, 0x81, payload, false));
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 81 11 95"});
    EXPECT_EQ(s.TxPayload[0], 0x11);
}

TEST_F(FrameCodec, FlagBitIsSetInLengthAndCountedInChecksum) {
    const auto payload = Bytes("11 52 65 73 65 74 4D 43 55");  // 0x11 "ResetMCU"
    EXPECT_TRUE(SendFrame(s, 0xA0, payload, true));
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 80 0B A0 11 52 65 73 65 74 4D 43 55 24"});
}

TEST_F(FrameCodec, EmptyPayloadGivesLengthTwo) {
    EXPECT_TRUE(SendFrame(s, 0x90, {}, false));
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 02 90 92"});
}

TEST_F(FrameCodec, DebugModeTracesEachSentFrameBeforeItGoesOut) {
    s.DebugMode = true;
    const uint8_t payload[] = {0x11};
    SendFrame(s, 0x81, payload, false);
    EXPECT_EQ(ui.Log(), std::vector<std::string>{"Send Datum:  AA FE 00 03 81 11 95"});
}

TEST_F(FrameCodec, NoTraceWithoutDebugMode) {
    const uint8_t payload[] = {0x11};
    SendFrame(s, 0x81, payload, false);
    EXPECT_TRUE(ui.Log().empty());
}

TEST_F(FrameCodec, RefusedWriteIsReportedAsTxErrorAndFalse) {
    comm.Refuse(true);
    const uint8_t payload[] = {0x11};
    EXPECT_FALSE(SendFrame(s, 0x81, payload, false));
    EXPECT_EQ(ui.Log(), std::vector<std::string>{"TX Error!"});
}

TEST_F(FrameCodec, PayloadLargerThanTheSendBufferIsNotSent) {
    const std::vector<uint8_t> fits(513, 0x01);
    const std::vector<uint8_t> tooLong(514, 0x01);
    EXPECT_TRUE(SendFrame(s, 0x84, fits, false));
    EXPECT_FALSE(SendFrame(s, 0x84, tooLong, false));
    ASSERT_EQ(comm.Writes().size(), 1u);
    EXPECT_EQ(comm.Writes()[0].size(), 519u);
}

TEST_F(FrameCodec, ReplyEchoesTheCommandJustReceived) {
    s.RxFrame[2] = 0x84;
    EXPECT_TRUE(SendReply(s, 0x66));
    comm.Refuse(true);
    EXPECT_TRUE(SendReply(s, 0x22));  // the reply reports success whatever the port says
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 84 66 ED"});
}

TEST_F(FrameCodec, RawBytesGoOutUnframedInOneWrite) {
    const auto bytes = Bytes("7F 00 11 22");
    EXPECT_TRUE(SendRawBytes(s, bytes));
    EXPECT_EQ(Sent(), std::vector<std::string>{"7F 00 11 22"});
    EXPECT_EQ(s.TxPayload[3], 0x22);
    comm.Refuse(true);
    EXPECT_FALSE(SendRawBytes(s, bytes));
}

TEST_F(FrameCodec, SendersOnSeveralThreadsNeverMixTheirPayloads) {
    const std::vector<uint8_t> a(100, 0x11), b(300, 0x22);
    const auto frameA = DeviceFrame(0x84, a), frameB = DeviceFrame(0x85, b);
    std::atomic<bool> go{false};
    auto sender = [&](uint8_t command, const std::vector<uint8_t>& payload) {
        while (!go) std::this_thread::yield();
        for (int i = 0; i < 500; ++i) SendFrame(s, command, payload, false);
    };
    std::thread t1(sender, 0x84, std::cref(a)), t2(sender, 0x85, std::cref(b));
    go = true;
    t1.join();
    t2.join();
    const auto writes = comm.Writes();
    ASSERT_EQ(writes.size(), 1000u);
    for (const auto& w : writes) EXPECT_TRUE(w == frameA || w == frameB);
}

// --- receiving ---

TEST_F(FrameCodec, BadChecksumIsAnsweredWith33AndNotDispatched) {
    s.OperationState = 2;
    s.RecordLines = std::make_shared<std::vector<std::string>>();
    s.DeviceInfo.TotalNumRec = 5;
    Feed(Bytes("AA FE 00 03 84 00 00"));
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 84 33 BA"});
    EXPECT_EQ(ui.Log(), std::vector<std::string>{"Error!"});
    EXPECT_EQ(s.OperationState, 2);
    EXPECT_EQ(s.ProgressCount, 0);
    EXPECT_TRUE(s.RecordLines->empty());
    EXPECT_EQ(s.RxState, Hunt);
}

struct StreamCase {
    const char* name;
    const char* stream;
    std::vector<std::string> replies;
};

// 0x82 (date and time) is answered with 0x22 whatever its length, which makes
// every dispatched frame visible on the port.
const StreamCase kStreams[] = {
    {"plain frame", "AA FE 00 03 82 00 85", {"AA FE 00 03 82 22 A7"}},
    {"second AA keeps the start", "AA AA FE 00 03 82 00 85", {"AA FE 00 03 82 22 A7"}},
    {"AA 00 FE is no start", "AA 00 FE 00 03 82 00 85", {}},
    {"garbage before the start", "00 FE 12 AA 55 AA FE 00 03 82 00 85", {"AA FE 00 03 82 22 A7"}},
    {"AA FE inside the payload", "AA FE 00 05 82 AA FE AA D9", {"AA FE 00 03 82 22 A7"}},
    {"flag bit masked from the length, kept in the sum",
     "AA FE 80 03 82 00 05",
     {"AA FE 00 03 82 22 A7"}},
    {"flag bit left out of the sum", "AA FE 80 03 82 00 85", {"AA FE 00 03 82 33 B8"}},
    {"length 0 goes back to hunting", "AA FE 00 00 AA FE 00 03 82 00 85", {"AA FE 00 03 82 22 A7"}},
    {"length 1 goes back to hunting",
     "AA FE 00 01 82 AA FE 00 03 82 00 85",
     {"AA FE 00 03 82 22 A7"}},
    {"length 2048 goes back to hunting",
     "AA FE 08 00 82 AA FE 00 03 82 00 85",
     {"AA FE 00 03 82 22 A7"}},
    {"length 32767 goes back to hunting",
     "AA FE 7F FF AA FE 00 03 82 00 85",
     {"AA FE 00 03 82 22 A7"}},
    {"two frames back to back",
     "AA FE 00 03 82 00 85 AA FE 00 02 82 84",
     {"AA FE 00 03 82 22 A7", "AA FE 00 03 82 22 A7"}},
};

TEST_F(FrameCodec, ByteStreamsYieldTheExpectedFrames) {
    for (const auto& c : kStreams) {
        SCOPED_TRACE(c.name);
        comm.ClearWrites();
        ResetProtocolState(s);
        Feed(Bytes(c.stream));
        EXPECT_EQ(Sent(), c.replies);
    }
}

TEST_F(FrameCodec, LargestFrameRxFrameCanHoldIsAccepted) {
    std::vector<uint8_t> payload(2045, 0xAA);  // length 2047
    const auto frame = DeviceFrame(0x82, payload);
    ASSERT_EQ(frame[2], 0x07);
    ASSERT_EQ(frame[3], 0xFF);
    Feed(frame);
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 82 22 A7"});
    EXPECT_EQ(s.RxFrame[2048], frame.back());
}

TEST_F(FrameCodec, ResetClearsParserBuffersAndOperation) {
    Feed(Bytes("AA FE 00 09 82 01 02"));  // a frame cut off half-way
    s.TxPayload[7] = 9;
    s.RxRing[2048] = 1;
    s.RxRing[2049] = 1;
    s.RxWritePos = 100;
    s.RxReadPos = 50;
    s.OperationState = 2;
    s.OperationTicks = 4;
    s.ProgressCount = 7;
    const uint32_t ticket = ResetProtocolState(s);
    EXPECT_EQ(s.RxState, Hunt);
    EXPECT_EQ(s.RxCount, 0);
    EXPECT_EQ(s.RxExpected, 0);
    EXPECT_EQ(s.RxSum, 0);
    EXPECT_EQ(s.RxFrame[5], 0);
    EXPECT_EQ(s.TxPayload[7], 0);
    EXPECT_EQ(s.RxReadPos, 0);
    EXPECT_EQ(s.OperationState, 0);
    EXPECT_EQ(s.OperationTicks, 0);
    EXPECT_EQ(s.ProgressCount, 0);
    // The ring's write side is reset by its writer, before the next block.
    EXPECT_FALSE(RingResetApplied(s, ticket));
    EXPECT_EQ(BytesSinceReset(s, ticket), 0);
    const uint8_t next = 0xAA;
    Comm1ReceiveData(s, &next, 1);
    EXPECT_TRUE(RingResetApplied(s, ticket));
    EXPECT_EQ(s.RxWritePos, 1);
    EXPECT_EQ(s.RxRing[0], 0xAA);
    EXPECT_EQ(s.RxRing[2048], 0);
    EXPECT_EQ(s.RxRing[2049], 1);  // only the first 2049 bytes of the ring are cleared
    // The cut-off frame is gone: a fresh frame is taken from its start.
    Feed(Bytes("AA FE 00 03 82 00 85"));
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 82 22 A7"});
}

// --- text form ---

void PutFrame(SharedState& s, const std::vector<uint8_t>& bytes) {
    std::copy(bytes.begin(), bytes.end(), s.RxFrame.begin());
}

TEST_F(FrameCodec, RecordPacketTextIsNineteenHexPairsThenDecodedText) {
    // L = 22: indices 19-22 become text; the checksum at 23 is not part of it.
    PutFrame(s, Bytes("00 16 84 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 41 62 63 64 99"));
    EXPECT_EQ(FrameText(s), "00 16 84 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F Abcd");
}

TEST_F(FrameCodec, RecordPacketTextDecodesUtf8) {
    PutFrame(s, Bytes("00 15 84 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F C3 A9 41 00"));
    EXPECT_EQ(FrameText(s),
              "00 15 84 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F \xC3\xA9"
              "A");
}

TEST_F(FrameCodec, ShortRecordPacketAndOtherCommandsAreAllHex) {
    PutFrame(s, Bytes("00 12 84 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 77"));
    EXPECT_EQ(FrameText(s), "00 12 84 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F ");
    PutFrame(s, Bytes("00 13 84 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 41 77"));
    EXPECT_EQ(FrameText(s), "00 13 84 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F A");
    PutFrame(s, Bytes("80 05 85 41 42 43 77"));
    EXPECT_EQ(FrameText(s), "80 05 85 41 42 43 ");
}

TEST_F(FrameCodec, DebugModeWritesTheReceiveTrace) {
    PutFrame(s, Bytes("00 03 90 01 94"));
    EXPECT_EQ(FrameText(s), "00 03 90 01 ");
    EXPECT_TRUE(ui.Log().empty());
    s.DebugMode = true;
    FrameText(s);
    EXPECT_EQ(ui.Log(), std::vector<std::string>{"00 03 90 01 "});
}

// --- byte texts ---

TEST(ByteText, DecodeUtf8IsLenientLikeTheDevice) {
    struct Case {
        const char* bytes;
        std::string text;
    } cases[] = {
        {"41 42", "AB"},
        {"C3 A9", "\xC3\xA9"},            // two bytes
        {"E2 82 AC", "\xE2\x82\xAC"},     // three bytes
        {"C3 41", "\xC3\x81"},            // continuation taken as it is: U+00C1
        {"80 41", "A"},                   // stray continuation skipped
        {"F0 9F 98 80 41", "A"},          // four-byte sequences produce nothing
        {"41 C3", "A"},                   // cut-off two-byte sequence dropped
        {"41 E2 82", "A"},                // cut-off three-byte sequence dropped
        {"ED A0 80", "\xEF\xBF\xBD"},     // a surrogate is replaced
        {"C0 80", std::string(1, '\0')},  // overlong NUL kept as NUL
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        const auto bytes = Bytes(c.bytes);
        EXPECT_EQ(DecodeUtf8(bytes.data(), bytes.size()), c.text);
    }
}

TEST(ByteText, BytesToTextTakesOneCharacterPerByte) {
    const auto bytes = Bytes("51 37 33 30 32 E9 00");
    EXPECT_EQ(BytesToText(bytes.data(), bytes.size()), std::string("Q7302\xC3\xA9") + '\0');
    EXPECT_EQ(HexPair(0x0B), "0B");
}

}  // namespace
