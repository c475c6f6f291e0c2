// Bytes from the serial line, through the receive ring into the frame parser and
// every report handler it dispatches to, as on a connected link.
//
// Input: one byte of link state, one byte of block size, then the received bytes.
//   state bit 0: the user clicked "Download Previous Results" first
//   state bit 1: debug mode (frame traces to the log)
//   state bit 2: the link is in firmware-information mode (LinkMode 1)
//   state bit 3: the operation that takes record packets 0x85 is open
// The received bytes arrive in blocks of 1-64 bytes; after each block the ring is
// drained the way the dispatcher thread drains it, on this thread.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "FuzzFiles.h"
#include "bench/BenchPorts.h"
#include "core/SharedState.h"
#include "core/TextTable.h"
#include "link/Download.h"
#include "link/FrameCodec.h"
#include "link/ReceiveRing.h"

namespace {

// The shipped language file, so the handlers build their real texts.
const TextTable& ShippedTexts() {
    static const TextTable texts = [] {
        TextTable t;
        LoadTextTable(t, BREV_SOURCE_DIR);
        return t;
    }();
    return texts;
}

void DrainRing(SharedState& s) {
    uint16_t read = s.RxReadPos.load(std::memory_order_relaxed);
    while (read != s.RxWritePos.load(std::memory_order_acquire)) {
        if (read >= kRingSize) read = 0;
        ParseRxByte(s, s.RxRing[read]);
        ++read;
        if (read >= kRingSize) read = 0;
        s.RxReadPos.store(read, std::memory_order_release);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const uint8_t state = data[0];
    const size_t block = 1 + data[1] % 64;
    data += 2;
    size -= 2;

    NullUi ui;
    NullComm comm;
    SharedState s(ui, comm);
    s.Texts = ShippedTexts();
    ResetProtocolState(s);
    s.Connected.store(1);
    s.DebugMode.store((state & 2) != 0);
    if (state & 1) btnDownloadClick(s);
    s.LinkMode.store((state & 4) != 0 ? 1 : 0);
    if (state & 8) s.OperationState.store(0xFF);

    for (size_t at = 0; at < size; at += block) {
        Comm1ReceiveData(s, data + at, std::min(block, size - at));
        DrainRing(s);
    }

    // Every byte stored was taken, and the parser is in one of its states.
    FUZZ_CHECK(s.RxReadPos.load() == s.RxWritePos.load());
    FUZZ_CHECK(s.RxState <= Body);
    FUZZ_CHECK(s.RxCount >= 0 && s.RxCount <= kMaxRxLength + 2);
    return 0;
}
