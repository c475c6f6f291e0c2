#pragma once
// The receive ring writer: the serial component's receive handler copies every
// received block into RxRing, where the dispatcher thread picks it up.

#include <cstddef>
#include <cstdint>

struct SharedState;

// Stores length bytes at RxWritePos onward (positions 0-3999, wrapping), publishing
// each new position after its byte, then wakes the dispatcher. Runs on the serial
// I/O thread, the ring's only writer; never blocks. An overrun is not detected:
// the parsers recover through their start-byte search and checksums.
void Comm1ReceiveData(SharedState& s, const uint8_t* buffer, size_t length);
