#include "link/ReceiveRing.h"

#include <atomic>

#include "core/SharedState.h"

void Comm1ReceiveData(SharedState& s, const uint8_t* buffer, size_t length) {
    if (s.RxWritePos.load(std::memory_order_relaxed) >= kRingSize)
        s.RxWritePos.store(0, std::memory_order_release);
    for (size_t i = 0; i < length; ++i) {
        // Read the position for every byte: the search thread may set it back to 0
        // before a probe, and the bytes after that belong at the start of the ring.
        uint16_t pos = s.RxWritePos.load(std::memory_order_relaxed);
        if (pos >= kRingSize) pos = 0;
        s.RxRing[pos] = buffer[i];
        ++pos;
        if (pos >= kRingSize) pos = 0;
        // Release: whoever sees the new position also sees the byte before it.
        s.RxWritePos.store(pos, std::memory_order_release);
    }
    s.RxSignal.fetch_add(1, std::memory_order_release);
    s.RxSignal.notify_all();
}
