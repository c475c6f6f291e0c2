#pragma once
// The record download ("Download Previous Results"): the button action, and the
// record packets that end it. The steps between (device information, record
// memory) are in DeviceReports and MemoryReports.

#include <cstdint>

struct SharedState;

// The download button: clears the results window, then, unless another
// operation is open ("System is busy!"), asks the device for its information.
void btnDownloadClick(SharedState& s);

// A record packet (0x84, or 0x85 while OperationState is 0xFF): one line of
// RecordLines, acknowledged with 0x22, the last with 0x66, after which the
// records are decoded into the results window.
void RecordPacket(SharedState& s, uint8_t command);
