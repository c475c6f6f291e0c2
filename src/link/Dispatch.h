#pragma once
// Hands a complete, correct frame in RxFrame to its handler by command code and
// keeps OperationState in step. Called by ParseRxByte on the dispatcher thread;
// returns after the handler, including anything it sent.

#include <cstdint>

struct SharedState;

void DispatchHighCommand(SharedState& s, uint8_t command);  // 0x80-0xFF
void DispatchLowCommand(SharedState& s, uint8_t command);   // 0x00-0x7F
