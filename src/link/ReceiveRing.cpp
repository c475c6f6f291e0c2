#include "link/ReceiveRing.h"

#include <algorithm>
#include <atomic>

#include "core/SharedState.h"

void Comm1ReceiveData(SharedState& s, const uint8_t* buffer, size_t length) {
    // Acquire: what the asker did before asking (reading the ring) comes before
    // the stores below.
    const uint32_t asked = s.RxResetAsked.load(std::memory_order_acquire);
    // The position is read once per block and kept here: only this writer moves it.
    uint16_t pos = s.RxWritePos.load(std::memory_order_relaxed);
    if (asked != s.RxResetDone.load(std::memory_order_relaxed)) {
        const uint16_t clear = s.RxResetClear.exchange(0, std::memory_order_acq_rel);
        std::fill_n(s.RxRing.begin(), std::min<size_t>(clear, s.RxRing.size()), uint8_t{0});
        pos = 0;
        s.RxWritePos.store(0, std::memory_order_release);
        // Release: whoever sees the reset applied also sees the position at 0.
        s.RxResetDone.store(asked, std::memory_order_release);
    }
    if (pos >= kRingSize) pos = 0;
    for (size_t i = 0; i < length; ++i) {
        s.RxRing[pos] = buffer[i];
        ++pos;
        if (pos >= kRingSize) pos = 0;
        // Release: whoever sees the new position also sees the byte before it.
        s.RxWritePos.store(pos, std::memory_order_release);
    }
    s.RxSignal.fetch_add(1, std::memory_order_release);
    s.RxSignal.notify_all();
}

uint32_t AskRingReset(SharedState& s, uint16_t clear) {
    uint16_t wanted = s.RxResetClear.load(std::memory_order_relaxed);
    while (wanted < clear && !s.RxResetClear.compare_exchange_weak(wanted, clear)) {
    }
    // Release: the writer that sees this request also sees the clear count and
    // everything the asker did with the ring before.
    return s.RxResetAsked.fetch_add(1, std::memory_order_acq_rel) + 1;
}

bool RingResetApplied(const SharedState& s, uint32_t ticket) {
    const uint32_t done = s.RxResetDone.load(std::memory_order_acquire);
    // Tickets count up and wrap; one applied later than ticket also counts.
    return static_cast<int32_t>(done - ticket) >= 0;
}

uint16_t BytesSinceReset(const SharedState& s, uint32_t ticket) {
    if (!RingResetApplied(s, ticket)) return 0;
    return s.RxWritePos.load(std::memory_order_acquire);
}

void ResetRingWhileClosed(SharedState& s) {
    s.RxWritePos.store(0, std::memory_order_release);
    s.RxResetClear.store(0, std::memory_order_relaxed);
    s.RxResetDone.store(s.RxResetAsked.load(std::memory_order_acquire), std::memory_order_release);
}
