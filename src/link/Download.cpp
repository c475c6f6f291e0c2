#include "link/Download.h"

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
#include "results/RecordDecoding.h"

void btnDownloadClick(SharedState& s) {
    s.ui.SetResultsButtons(false);
    s.ui.ClearResultsGrid();
    s.LinkMode.store(0);
    // Claim the operation before the request goes out, so the answer can never be
    // handled while the download does not yet look open.
    uint8_t idle = 0;
    if (!s.OperationState.compare_exchange_strong(idle, 2)) {
        s.ui.LogLine(Text(s.Texts, kSystemBusyText));
        return;
    }
    s.OperationTicks.store(0);
    s.ProgressCount.store(0);
    // The separator goes to the log before the request: the answer is handled on
    // the dispatcher thread and its report must come below the line.
    s.ui.SetProgress(0);
    s.ui.LogLine(kSeparatorLine);
    const uint8_t request[] = {0x11};
    SendFrame(s, 0x81, request, false);
}

namespace {

// Percentage of the download after count packets; a download of unknown size
// (no record-memory report yet) is complete with its first packet.
int32_t PercentOf(int32_t count, int32_t total) {
    if (total <= 0) return 100;
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{count} * 100 / total, 0, 100));
}

}  // namespace

void RecordPacket(SharedState& s, uint8_t command) {
    const uint8_t takenIn = command == 0x85 ? 0xFF : 2;
    if (s.OperationState.load() != takenIn) {
        s.OperationState.store(0);
        return;
    }
    int32_t total;
    {
        std::lock_guard lock(s.InfoLock);
        total = s.DeviceInfo.TotalNumRec;
        if (!s.RecordLines) total = -1;
    }
    if (total < 0) {
        // Before any record request there is no list for the packet: drop it.
        s.OperationState.store(0);
        return;
    }

    const int32_t count = s.ProgressCount.fetch_add(1) + 1;
    // Only changes of the percentage reach the window, so a long download does
    // not flood it with identical updates.
    const int32_t percent = PercentOf(count, total);
    if (total <= 0 || percent != PercentOf(count - 1, total))
        s.ui.SetProgress(static_cast<uint8_t>(percent));

    const std::string line = FrameText(s);
    std::vector<std::string> lines;
    const bool last = total <= 0 || count >= total;
    {
        std::lock_guard lock(s.InfoLock);
        if (!s.RecordLines) s.RecordLines = std::make_shared<std::vector<std::string>>();
        s.RecordLines->push_back(line);
        if (last) lines = *s.RecordLines;
    }

    if (last) {
        SendReply(s, 0x66);
        s.OperationState.store(0);
        s.ui.SetResultsGrid(ShowRecords(lines, s.Texts, s.DebugMode.load()));
        s.ui.ShowResultsWindow();
        s.ui.SetResultsButtons(true);
        s.ui.SetProgress(0);
    } else {
        SendReply(s, 0x22);
    }
    s.OperationTicks.store(0);
}
