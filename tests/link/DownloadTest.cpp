// The record download from the button to the results window, driven by
// hand-written device frames.

#include <algorithm>
#include <memory>

#include "LinkTestSupport.h"
#include "link/Download.h"

namespace {

const std::string kRule = "--------------------------------------------";
const std::string kOnlyKovan =
    "This function only support the \"KOVAN\" model, please check this is the \"KOVAN\" model as "
    "your breathalyser.";

// Device information of a KOVAN (Q7303) or a ZET (Q7302 with version 1.x).
std::vector<uint8_t> InfoPayload(const std::string& code, const std::string& version) {
    return Cat({Text8(code), Text8("A123456789"), Text8("S000000042"), Text8(version),
                Text8("1003"), Bytes("07 E0 03 09 00 B6 00 03 00 C8 01 90 03 20")});
}

// One stored test: counter, mode, reading, time, date, second reading,
// temperature, slope (16 bytes), then the tester's text.
std::vector<uint8_t> RecordPayload(uint8_t counter, const std::string& text) {
    return Cat({{0x00, counter}, Bytes("05 00 12 0A 1E 00 07 E8 05 11 00 00 2D 64"), Text8(text)});
}

class Download : public LinkTest {
  protected:
    void Memory(int total) {
        FeedFrame(0x83, {0x00, 0x05, static_cast<uint8_t>(total >> 8),
                         static_cast<uint8_t>(total & 0xFF), 0x00, 0x2A, 0x00, 0x00, 0x00, 0x00});
    }
    std::vector<std::string> Kinds() const {
        std::vector<std::string> out;
        for (const auto& e : ui.Events()) out.push_back(e.kind);
        return out;
    }
};

TEST_F(Download, ThreeRecordsFromButtonToResultsWindow) {
    btnDownloadClick(s);
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 81 11 95"});
    EXPECT_EQ(s.OperationState, 2);
    EXPECT_EQ(ui.Log(), std::vector<std::string>{kRule});

    FeedFrame(0x81, InfoPayload("Q7303B0001", "201005"));
    EXPECT_EQ(Sent().back(), "AA FE 00 03 83 11 97");

    Memory(3);
    EXPECT_EQ(Sent().back(), "AA FE 00 07 84 11 00 01 00 03 A0");
    ASSERT_TRUE(s.RecordLines);

    s.OperationTicks = 6;
    FeedFrame(0x84, RecordPayload(1, "Anna"));
    EXPECT_EQ(s.OperationTicks, 0);
    FeedFrame(0x84, RecordPayload(2, "Ben"));
    FeedFrame(0x84, RecordPayload(3, "Cem"));

    const auto sent = Sent();
    ASSERT_EQ(sent.size(), 7u);
    EXPECT_EQ(sent[3], "AA FE 00 07 84 11 00 01 00 03 A0");
    EXPECT_EQ(sent[4], "AA FE 00 03 84 22 A9");
    EXPECT_EQ(sent[5], "AA FE 00 03 84 22 A9");
    EXPECT_EQ(sent[6], "AA FE 00 03 84 66 ED");
    EXPECT_EQ(ui.Progress(), (std::vector<int>{0, 33, 66, 100, 0}));
    EXPECT_EQ(s.OperationState, 0);
    EXPECT_EQ(s.ProgressCount, 3);

    ASSERT_EQ(s.RecordLines->size(), 3u);
    EXPECT_EQ((*s.RecordLines)[0], "00 16 84 00 01 05 00 12 0A 1E 00 07 E8 05 11 00 00 2D 64 Anna");
    EXPECT_EQ((*s.RecordLines)[2], "00 15 84 00 03 05 00 12 0A 1E 00 07 E8 05 11 00 00 2D 64 Cem");

    // The results come after the last acknowledgement, in this order.
    const auto kinds = Kinds();
    const std::vector<std::string> tail(kinds.end() - 5, kinds.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"progress", "grid", "results-show", "results-buttons",
                                              "progress"}));
    EXPECT_EQ(ui.GridCount(), 1);
    EXPECT_EQ(ui.Grid().RowCount(), 4);  // title row and three records
    EXPECT_EQ(ui.Of("results-buttons"), (std::vector<std::string>{"off", "on"}));
}

TEST_F(Download, OtherModelsAreAcknowledgedAndTold) {
    btnDownloadClick(s);
    FeedFrame(0x81, InfoPayload("Q7302A0001", "101005"));
    EXPECT_EQ(Sent(), (std::vector<std::string>{"AA FE 00 03 81 11 95", "AA FE 00 03 81 22 A6"}));
    const auto log = ui.Log();
    ASSERT_EQ(log.size(), 11u);
    EXPECT_EQ(log[1], "Model Name:ZET");
    EXPECT_EQ(log[9], kRule);
    EXPECT_EQ(log[10], kOnlyKovan);
    EXPECT_EQ(s.OperationState, 0);
}

TEST_F(Download, BusyButtonStillClearsTheResultsAndLinkModeButSendsNothing) {
    s.OperationState = 0xFF;
    s.LinkMode = 1;
    btnDownloadClick(s);
    EXPECT_TRUE(comm.Writes().empty());
    EXPECT_EQ(s.LinkMode, 0);
    EXPECT_EQ(s.OperationState, 0xFF);
    EXPECT_EQ(Kinds(), (std::vector<std::string>{"results-buttons", "grid-clear", "log"}));
    EXPECT_EQ(ui.Log(), std::vector<std::string>{"System is busy!"});
}

TEST_F(Download, ButtonStartsAFreshCount) {
    s.ProgressCount = 9;
    s.OperationTicks = 4;
    btnDownloadClick(s);
    EXPECT_EQ(s.ProgressCount, 0);
    EXPECT_EQ(s.OperationTicks, 0);
}

TEST_F(Download, RefusedRequestLeavesTheDownloadToTheWatchdog) {
    comm.Refuse(true);
    btnDownloadClick(s);
    EXPECT_EQ(s.OperationState, 2);
    // The separator opens the operation's lines, before the request is sent.
    EXPECT_EQ(ui.Log(), (std::vector<std::string>{kRule, "TX Error!"}));
}

TEST_F(Download, UnsolicitedRecordPacketIsDroppedWithoutReply) {
    s.RecordLines = std::make_shared<std::vector<std::string>>();
    FeedFrame(0x84, RecordPayload(1, "Anna"));
    EXPECT_TRUE(comm.Writes().empty());
    EXPECT_EQ(s.OperationState, 0);
    EXPECT_TRUE(s.RecordLines->empty());
}

TEST_F(Download, RecordPacketBeforeAnyRecordRequestIsDropped) {
    s.OperationState = 2;
    s.DeviceInfo.TotalNumRec = 3;
    FeedFrame(0x84, RecordPayload(1, "Anna"));
    EXPECT_TRUE(comm.Writes().empty());
    EXPECT_EQ(s.OperationState, 0);
    EXPECT_EQ(s.ProgressCount, 0);
    EXPECT_FALSE(s.RecordLines);
}

TEST_F(Download, PacketWithoutKnownRecordCountEndsTheDownload) {
    s.OperationState = 2;
    s.RecordLines = std::make_shared<std::vector<std::string>>();
    FeedFrame(0x84, RecordPayload(1, "Anna"));
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 84 66 ED"});
    EXPECT_EQ(ui.Progress(), (std::vector<int>{100, 0}));
    EXPECT_EQ(s.OperationState, 0);
    EXPECT_EQ(ui.GridCount(), 1);
    EXPECT_EQ(s.RecordLines->size(), 1u);
}

TEST_F(Download, Packet85IsTakenOnlyDuringAVersionQuery) {
    s.RecordLines = std::make_shared<std::vector<std::string>>();
    s.DeviceInfo.TotalNumRec = 2;
    s.OperationState = 2;
    FeedFrame(0x85, Bytes("41 42"));
    EXPECT_TRUE(comm.Writes().empty());
    EXPECT_EQ(s.OperationState, 0);

    s.OperationState = 0xFF;
    FeedFrame(0x85, Bytes("41 42"));
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 85 22 AA"});
    EXPECT_EQ(s.RecordLines->back(), "00 04 85 41 42 ");  // all hex
    FeedFrame(0x85, Bytes("43"));
    EXPECT_EQ(Sent().back(), "AA FE 00 03 85 66 EE");
    EXPECT_EQ(s.OperationState, 0);
    EXPECT_EQ(ui.Of("results-show").size(), 1u);
}

TEST_F(Download, LongDownloadUpdatesProgressOnlyWhenThePercentageChanges) {
    btnDownloadClick(s);
    FeedFrame(0x81, InfoPayload("Q7303B0001", "201005"));
    Memory(500);
    for (int i = 1; i <= 500; ++i) FeedFrame(0x84, RecordPayload(static_cast<uint8_t>(i), "X"));
    const auto progress = ui.Progress();
    ASSERT_EQ(progress.size(), 102u);  // the start, 1 to 100, and the reset
    for (int p = 1; p <= 100; ++p) EXPECT_EQ(progress[p], p);
    EXPECT_EQ(progress.back(), 0);
    const auto sent = Sent();
    EXPECT_EQ(sent.back(), "AA FE 00 03 84 66 ED");
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "AA FE 00 03 84 22 A9"), 499);
    EXPECT_EQ(s.RecordLines->size(), 500u);
}

TEST_F(Download, NewRecordRequestStartsANewList) {
    btnDownloadClick(s);
    FeedFrame(0x81, InfoPayload("Q7303B0001", "201005"));
    Memory(1);
    FeedFrame(0x84, RecordPayload(1, "Anna"));
    const auto first = s.RecordLines;
    btnDownloadClick(s);
    FeedFrame(0x81, InfoPayload("Q7303B0001", "201005"));
    Memory(1);
    EXPECT_NE(s.RecordLines, first);
    EXPECT_TRUE(s.RecordLines->empty());
    EXPECT_EQ(first->size(), 1u);
}

}  // namespace
