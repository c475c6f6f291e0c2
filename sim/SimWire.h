#pragma once
// One direction of a serial line: bytes queued for sending and the time each has
// fully crossed the wire. Unpaced, every byte is due at once; paced, a byte takes
// 10 bit times (8N1) and bytes follow each other back to back, so the line never
// runs faster than its baud rate and a late reader catches up in one block.

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

inline constexpr int kSimBaudRate = 115200;

class SimWire {
  public:
    using Clock = std::chrono::steady_clock;

    // Time one byte occupies the line at the given rate (10 bits: start, 8 data, stop).
    static Clock::duration ByteTime(int baud = kSimBaudRate);
    // Time count bytes occupy the line at kSimBaudRate.
    static Clock::duration WireTime(uint64_t count);

    void SetPaced(bool paced) { paced_ = paced; }
    bool Paced() const { return paced_; }

    // Queues bytes whose sending starts no earlier than start.
    void Push(std::span<const uint8_t> bytes, Clock::time_point start);
    // Removes and returns the bytes that have arrived by now; lastDue gets the arrival
    // time of the last of them.
    std::vector<uint8_t> TakeDue(Clock::time_point now, Clock::time_point* lastDue = nullptr);
    // Arrival time of the next byte, if any is queued.
    std::optional<Clock::time_point> NextDue() const;
    bool Empty() const { return bytes_.empty(); }
    void Clear();

  private:
    struct Pending {
        uint8_t Byte;
        Clock::time_point Due;
    };
    std::deque<Pending> bytes_;
    Clock::time_point lineFree_{};
    bool paced_ = false;
};
