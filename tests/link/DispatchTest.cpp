// Every command code a device can send, with a one-byte payload (too short for
// any report), reaches the handling its table names.

#include <map>

#include "LinkTestSupport.h"

namespace {

struct Expected {
    std::vector<std::string> replies;
    int stateAfter;                   // OperationState afterwards; it starts at 7
    std::vector<std::string> events;  // log and service lines ("log:" / "service:")
};

bool In(int code, std::initializer_list<std::pair<int, int>> ranges) {
    for (auto [from, to] : ranges)
        if (code >= from && code <= to) return true;
    return false;
}

std::string TraceOf(int code) {
    return "log:00 03 " + Hex({static_cast<uint8_t>(code)}) + " 00 ";
}

Expected ExpectedFor(int code) {
    const int unchanged = 7;
    // Codes that are dropped without a reply or a state change.
    if (In(code, {{0x86, 0x8F},
                  {0x91, 0x98},
                  {0x9D, 0xFF},
                  {0x02, 0x02},
                  {0x60, 0x60},
                  {0x66, 0x69},
                  {0x6B, 0x6E},
                  {0x70, 0x7F}}))
        return {{}, unchanged, {}};
    // Codes only shown as a trace; they close the open operation.
    if (In(code, {{0x90, 0x90}, {0x99, 0x99}, {0x00, 0x01}, {0x03, 0x5F}, {0x64, 0x64}}))
        return {{}, 0, {TraceOf(code)}};
    const std::map<int, Expected> reports = {
        {0x80, {{}, 0, {}}},                        // run status: too short, silent
        {0x81, {{}, 0, {"log:Error3"}}},            // device information: too short
        {0x82, {{"AA FE 00 03 82 22 A7"}, 0, {}}},  // clock: acknowledged regardless
        {0x83, {{}, unchanged, {}}},                // record memory: too short, ignored
        {0x84, {{}, 0, {}}},                        // record packet outside a download
        {0x85, {{}, 0, {}}},                        // record packet outside a query
        {0x9A, {{}, 0, {}}},                        // delete report, unknown code
        {0x9B, {{}, 0, {}}},
        {0x9C, {{}, 0, {TraceOf(0x9C), "service:error3"}}},  // print header: trace, too short
        {0x61, {{}, 0, {"service:error3"}}},
        {0x62, {{}, 0, {"service:Error3"}}},
        {0x63, {{}, 0, {}}},
        {0x65, {{}, 0, {"service:Error3"}}},
        {0x6A, {{}, 0, {"service:Error3"}}},  // full status (no version query pending)
        {0x6F,
         {{},
          0,
          {"service:=================================",
           "service:Successfully reset to the factory defaults!",
           "service:================================="}}},
    };
    return reports.at(code);
}

TEST(Dispatch, EveryCommandCodeReachesTheHandlingOfItsTable) {
    for (int code = 0; code <= 0xFF; ++code) {
        SCOPED_TRACE(Hex({static_cast<uint8_t>(code)}));
        RecordingUi ui;
        WriteRecordingComm comm;
        SharedState s(ui, comm);
        s.OperationState = 7;
        s.DebugMode = true;  // makes the trace-only handling visible
        for (uint8_t b : DeviceFrame(static_cast<uint8_t>(code), {0x00})) ParseRxByte(s, b);

        const Expected want = ExpectedFor(code);
        std::vector<std::string> replies;
        for (const auto& w : comm.Writes()) replies.push_back(Hex(w));
        std::vector<std::string> events;
        for (const auto& e : ui.Events()) {
            if (e.kind == "log" && e.text.rfind("Send Datum:", 0) == 0) continue;  // send traces
            if (e.kind == "log" || e.kind == "service") events.push_back(e.kind + ":" + e.text);
        }
        EXPECT_EQ(replies, want.replies);
        EXPECT_EQ(static_cast<int>(s.OperationState), want.stateAfter);
        EXPECT_EQ(events, want.events);
        EXPECT_EQ(s.LinkMode, 0);
    }
}

TEST(Dispatch, FirmwareInformationIsTakenOnlyWhileAVersionQueryIsPending) {
    RecordingUi ui;
    WriteRecordingComm comm;
    SharedState s(ui, comm);
    s.LinkMode = 1;
    s.OperationState = 0xFF;
    for (uint8_t b : DeviceFrame(0x6A, {0x00})) ParseRxByte(s, b);
    // Too short: the error line, no reply, and the query stays where it was.
    EXPECT_EQ(ui.Service(), std::vector<std::string>{"Error3"});
    EXPECT_TRUE(comm.Writes().empty());
    EXPECT_EQ(s.LinkMode, 1);
    EXPECT_EQ(s.OperationState, 0);
}

}  // namespace
