#pragma once
// The dispatcher thread of one connection: drains the receive ring one byte at
// a time into the normal frame parser, or into the bootloader parser while
// LinkMode is 10 or more. Every report handler runs on this thread.

#include <cstdint>
#include <functional>
#include <thread>

struct SharedState;

class RS232Thread {
  public:
    // Resets the protocol state before the thread starts; the ring is read from
    // the first block stored after that, at position 0. bootReceiveByte
    // takes the bytes of bootloader mode; without it they are dropped.
    explicit RS232Thread(SharedState& s, std::function<void(uint8_t)> bootReceiveByte = {});
    // Requests termination and waits for the byte in hand; bytes still in the
    // ring stay unprocessed.
    ~RS232Thread();

    RS232Thread(const RS232Thread&) = delete;
    RS232Thread& operator=(const RS232Thread&) = delete;

    // Waits, at most timeoutMs, until every byte stored so far for this
    // connection has been handled; true when it has. For a port that can
    // deliver no more (its device is gone), so that what did arrive counts.
    bool WaitUntilDrained(int timeoutMs) const;

  private:
    void InitializeThreadTask();
    void Execute(std::stop_token stop);

    SharedState& s_;
    std::function<void(uint8_t)> bootReceiveByte_;
    uint32_t ringTicket_ = 0;     // the ring reset of this connection
    uint32_t ringResetSeen_ = 0;  // the last applied reset the read position follows
    std::jthread thread_;  // last: starts after the other members exist
};
