#include "core/SharedState.h"

#include <algorithm>

void ResetPortState(SharedState& s) {
    s.Connected.store(0);
    s.PortBaudRate.store(115200);
    std::fill_n(s.RxRing.begin(), 1025, uint8_t{0});
    s.RxWritePos.store(0, std::memory_order_release);
    s.RxReadPos.store(0);
    // Nothing asked for before is still to be applied.
    s.RxResetClear.store(0);
    s.RxResetDone.store(s.RxResetAsked.load(), std::memory_order_release);
    std::lock_guard lock(s.TxLock);
    std::fill_n(s.TxPayload.begin(), 513, uint8_t{0});
}

int32_t StepBootTicks(SharedState& s, bool advance) {
    if (advance) return s.BootTicks.fetch_add(1) + 1;
    s.BootTicks.store(0);
    return 0;
}

int32_t ReadBootTicks(const SharedState& s) { return s.BootTicks.load(); }
