#pragma once
// The receive ring. Its one writer is the serial component's receive handler,
// which copies every received block into RxRing, where the dispatcher thread
// (or, while none runs, the search thread) picks it up.
//
// Resets: while a port is open, bytes may arrive at any moment, so no other
// thread touches the write side. A thread that wants the ring started again at
// position 0 asks for a reset and gets a ticket; the writer applies the latest
// reset asked for before it stores its next block, and from then on the bytes
// of that block and the following ones lie at positions 0, 1, 2, ... Until the
// reset is applied the ring counts as empty for the holder of the ticket. Several
// resets asked for before the next block become one.

#include <cstddef>
#include <cstdint>

struct SharedState;

// Stores length bytes at RxWritePos onward (positions 0-3999, wrapping),
// publishing each new position after its byte, then wakes the dispatcher. A
// pending reset is applied first. Runs on the serial I/O thread, the ring's
// only writer; never blocks. An overrun is not detected: the parsers recover
// through their start-byte search and checksums.
void Comm1ReceiveData(SharedState& s, const uint8_t* buffer, size_t length);

// Asks the writer to start the ring again: RxWritePos 0 and RxRing[0..clear-1]
// zeroed, before its next block. Returns the ticket of this reset.
uint32_t AskRingReset(SharedState& s, uint16_t clear = 0);

// True once the reset of ticket (or a later one) has been applied.
bool RingResetApplied(const SharedState& s, uint32_t ticket);

// Bytes stored since the reset of ticket: RxWritePos once it has been applied,
// 0 before. A reader that sees a count also sees the bytes below it.
uint16_t BytesSinceReset(const SharedState& s, uint32_t ticket);

// Resets the ring at once (RxWritePos 0, nothing left to apply), for when no
// block can arrive: the port is closed (StopComm has returned).
void ResetRingWhileClosed(SharedState& s);
