#include "SimWire.h"

#include <algorithm>

SimWire::Clock::duration SimWire::ByteTime(int baud) {
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::nanoseconds(static_cast<int64_t>(10'000'000'000LL / std::max(baud, 1))));
}

SimWire::Clock::duration SimWire::WireTime(uint64_t count) {
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::nanoseconds(static_cast<int64_t>(count * 10'000'000'000ULL / kSimBaudRate)));
}

void SimWire::Push(std::span<const uint8_t> bytes, Clock::time_point start) {
    if (!paced_) {
        for (uint8_t b : bytes) bytes_.push_back({b, start});
        return;
    }
    // The line is busy until the previous bytes are out; a byte is due when its last
    // bit has arrived. Due times come from the start time, not from when the reader
    // wakes, so no drift builds up.
    const Clock::time_point begin = std::max(start, lineFree_);
    uint64_t i = 0;
    for (uint8_t b : bytes) {
        bytes_.push_back({b, begin + WireTime(++i)});
    }
    lineFree_ = begin + WireTime(bytes.size());
}

std::vector<uint8_t> SimWire::TakeDue(Clock::time_point now, Clock::time_point* lastDue) {
    std::vector<uint8_t> out;
    while (!bytes_.empty() && bytes_.front().Due <= now) {
        out.push_back(bytes_.front().Byte);
        if (lastDue != nullptr) *lastDue = bytes_.front().Due;
        bytes_.pop_front();
    }
    return out;
}

std::optional<SimWire::Clock::time_point> SimWire::NextDue() const {
    if (bytes_.empty()) return std::nullopt;
    return bytes_.front().Due;
}

void SimWire::Clear() {
    bytes_.clear();
    lineFree_ = {};
}
