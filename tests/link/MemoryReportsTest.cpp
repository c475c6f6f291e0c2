// Record memory, delete progress and the factory-reset confirmation.

#include "LinkTestSupport.h"

namespace {

using MemoryReports = LinkTest;
const std::string kRule = "--------------------------------------------";

TEST_F(MemoryReports, RecordMemoryDuringADownloadRequestsAllRecords) {
    s.OperationState = 2;
    FeedFrame(0x83, Bytes("00 05 00 2A 00 2A 00 03 00 00"));
    const std::vector<std::string> lines = {"Total Number of Records: 42",
                                            "Index of Last Records: 42", "Status of memory: Ready"};
    EXPECT_EQ(ui.Log(), lines);
    EXPECT_EQ(ui.Service(), (std::vector<std::string>{kRule, lines[0], lines[1], lines[2]}));
    EXPECT_EQ(Sent(), (std::vector<std::string>{"AA FE 00 03 83 22 A8",
                                                "AA FE 00 07 84 11 00 01 00 2A C7"}));
    const auto info = s.InfoSnapshot();
    EXPECT_EQ(info.AdrLastRec, 10752);
    EXPECT_EQ(info.TotalNumRec, 42);
    EXPECT_EQ(info.IndexLastRec, 42);
    EXPECT_EQ(info.NumDeleteRec, 3);
    EXPECT_EQ(info.StatusMemory, 0);
    EXPECT_EQ(s.OperationState, 2);
    ASSERT_TRUE(s.RecordLines);
    EXPECT_TRUE(s.RecordLines->empty());
}

TEST_F(MemoryReports, EachLineGoesToTheLogAndThenTheServiceMemo) {
    FeedFrame(0x83, Bytes("00 05 00 2A 00 2A 00 03 00 01"));
    std::vector<std::string> order;
    for (const auto& e : ui.Events())
        if (e.kind == "log" || e.kind == "service") order.push_back(e.kind + ":" + e.text);
    EXPECT_EQ(order, (std::vector<std::string>{
                         "service:" + kRule, "log:Total Number of Records: 42",
                         "service:Total Number of Records: 42", "log:Index of Last Records: 42",
                         "service:Index of Last Records: 42", "log:Status of memory: Memory full",
                         "service:Status of memory: Memory full"}));
}

TEST_F(MemoryReports, EmptyMemoryEndsTheDownload) {
    s.OperationState = 2;
    FeedFrame(0x83, Bytes("00 00 00 00 00 00 00 00 00 00"));
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 83 22 A8"});
    EXPECT_EQ(ui.Log().back(), "No found any record!");
    EXPECT_EQ(s.OperationState, 0);
    EXPECT_FALSE(s.RecordLines);
}

TEST_F(MemoryReports, RecordMemoryOutsideADownloadIsPrintedAcknowledgedAndClosesTheOperation) {
    s.OperationState = 0xFF;
    FeedFrame(0x83, Bytes("00 05 00 2A 00 2A 00 03 00 00"));
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 83 22 A8"});
    EXPECT_EQ(ui.Log().size(), 3u);
    EXPECT_EQ(s.OperationState, 0);
    EXPECT_FALSE(s.RecordLines);
}

TEST_F(MemoryReports, RecordMemoryShorterThanNineIsIgnoredEntirely) {
    s.OperationState = 2;
    FeedFrame(0x83, Bytes("00 05 00 2A 00 2A"));  // length 8
    EXPECT_TRUE(ui.Events().empty());
    EXPECT_TRUE(comm.Writes().empty());
    EXPECT_EQ(s.OperationState, 2);
}

TEST_F(MemoryReports, RecordMemoryOfLengthNineReadsMissingBytesAsZero) {
    FeedFrame(0x83, Bytes("00 05 00 2A 00 2A 00 03 00 01"));  // memory full
    ui.Clear();
    FeedFrame(0x83, Bytes("00 05 00 02 00 02 00"));  // length 9: seven payload bytes
    EXPECT_EQ(ui.Log(),
              (std::vector<std::string>{"Total Number of Records: 2", "Index of Last Records: 2",
                                        "Status of memory: Ready"}));
    const auto info = s.InfoSnapshot();
    EXPECT_EQ(info.NumDeleteRec, 0);
    EXPECT_EQ(info.StatusMemory, 0);
}

TEST_F(MemoryReports, DeleteProgressCountsToTheRecordsTheDeleteCovers) {
    s.DeviceInfo.ReadyDeleteRecNum = 4;
    s.OperationState = 7;
    s.OperationTicks = 5;
    std::vector<std::string> bar;
    for (int i = 0; i < 4; ++i) {
        FeedFrame(0x9A + (i % 2), Bytes("22"));
        bar.push_back(ui.Value("ProgressBarDelete"));
        if (i < 3) {
            EXPECT_EQ(s.OperationState, 7);
        }
    }
    EXPECT_EQ(bar, (std::vector<std::string>{"25", "50", "75", "100"}));
    EXPECT_EQ(s.OperationTicks, 0);
    EXPECT_EQ(s.OperationState, 0);
    EXPECT_EQ(ui.Service(), std::vector<std::string>{"Successful Delete!"});
    EXPECT_TRUE(comm.Writes().empty());
}

TEST_F(MemoryReports, DeleteProgressWithoutAKnownCountCompletesAtOnce) {
    s.OperationState = 7;
    FeedFrame(0x9A, Bytes("22"));
    EXPECT_EQ(ui.Value("ProgressBarDelete"), "100");
    EXPECT_EQ(s.OperationState, 0);
    EXPECT_EQ(ui.Service(), std::vector<std::string>{"Successful Delete!"});
}

TEST_F(MemoryReports, DeleteFinishedAlwaysReportsSuccessAndOtherCodesJustClose) {
    s.ProgressCount = 1;
    s.DeviceInfo.ReadyDeleteRecNum = 10;
    s.OperationState = 7;
    FeedFrame(0x9B, Bytes("66"));
    EXPECT_EQ(ui.Service(), std::vector<std::string>{"Successful Delete!"});
    EXPECT_EQ(s.OperationState, 0);
    ui.Clear();
    s.OperationState = 7;
    FeedFrame(0x9A, Bytes("33"));
    EXPECT_TRUE(ui.Events().empty());
    EXPECT_EQ(s.OperationState, 0);
    EXPECT_TRUE(comm.Writes().empty());
}

TEST_F(MemoryReports, FactoryResetIsConfirmedInTheServiceMemo) {
    s.OperationState = 7;
    FeedFrame(0x6F, {});
    EXPECT_EQ(ui.Service(), (std::vector<std::string>{"=================================",
                                                      "Successfully reset to the factory defaults!",
                                                      "================================="}));
    EXPECT_EQ(s.OperationState, 0);
    EXPECT_TRUE(comm.Writes().empty());
}

}  // namespace
