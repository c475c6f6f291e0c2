#include "link/MemoryReports.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/SharedState.h"
#include "core/Ui.h"
#include "link/FrameCodec.h"
#include "link/LinkTexts.h"
#include "link/ReportFields.h"

namespace {
std::string T(const SharedState& s, const TextRef& ref) {
    return Text(s.Texts, ref);
}

void BothMemos(SharedState& s, const std::string& line) {
    s.ui.LogLine(line);
    s.ui.ServiceLine(line);
}
}  // namespace

void RecordMemoryReport(SharedState& s) {
    if (FrameLengthField(s) < 9) return;
    s.ui.ServiceLine(kSeparatorLine);
    // A report with length 9-11 carries fewer than ten payload bytes; the missing
    // ones read as 0 rather than as leftovers of an earlier frame.
    const int32_t total = PayloadWord(s, 2);
    const int32_t lastIndex = PayloadWord(s, 4);
    const int32_t statusMemory = PayloadWord(s, 8);
    {
        std::lock_guard lock(s.InfoLock);
        s.DeviceInfo.AdrLastRec = PayloadWord(s, 0) * 512 + 8192;
        s.DeviceInfo.TotalNumRec = total;
        s.DeviceInfo.IndexLastRec = lastIndex;
        s.DeviceInfo.NumDeleteRec = PayloadWord(s, 6);
        s.DeviceInfo.StatusMemory = statusMemory;
    }
    BothMemos(s, T(s, kTotalRecordsText) + std::to_string(total));
    BothMemos(s, T(s, kLastRecordIndexText) + std::to_string(lastIndex));
    BothMemos(s, T(s, statusMemory == 0 ? kMemoryReadyText : kMemoryFullText));
    SendReply(s, 0x22);

    if (s.OperationState.load() != 2) {
        s.OperationState.store(0);
        return;
    }
    if (total > 0) {
        // A fresh list first, so the lines always belong to the latest request.
        {
            std::lock_guard lock(s.InfoLock);
            s.RecordLines = std::make_shared<std::vector<std::string>>();
        }
        const uint8_t request[] = {0x11, 0x00, 0x01, static_cast<uint8_t>(total >> 8),
                                   static_cast<uint8_t>(total & 0xFF)};
        SendFrame(s, 0x84, request, false);
    } else {
        s.ui.LogLine(T(s, kNoRecordText));
        s.OperationState.store(0);
    }
}

void DeleteReport(SharedState& s) {
    const uint8_t code = PayloadByte(s, 0);
    if (code == 0x22) {
        const int32_t count = s.ProgressCount.fetch_add(1) + 1;
        int32_t ready;
        {
            std::lock_guard lock(s.InfoLock);
            ready = s.DeviceInfo.ReadyDeleteRecNum;
        }
        // No report tells us how many records a delete covers (ready stays 0);
        // then every confirmation counts as the end of the deletion.
        const int64_t percent = ready > 0 ? int64_t{count} * 100 / ready : 100;
        s.ui.SetServiceValue("ProgressBarDelete",
                             std::to_string(std::clamp<int64_t>(percent, 0, 100)));
        s.OperationTicks.store(0);
        if (count >= ready) {
            s.OperationState.store(0);
            s.ui.ServiceLine(T(s, kDeleteDoneText));
        }
    } else if (code == 0x66) {
        s.OperationState.store(0);
        s.ui.ServiceLine(T(s, kDeleteDoneText));
    } else {
        s.OperationState.store(0);
    }
}

void FactoryResetReport(SharedState& s) {
    const std::string rule(33, '=');
    s.ui.ServiceLine(rule);
    s.ui.ServiceLine(T(s, kFactoryResetText));
    s.ui.ServiceLine(rule);
    s.OperationState.store(0);
}
