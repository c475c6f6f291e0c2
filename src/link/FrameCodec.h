#pragma once
// The frame of the normal protocol:
//   AA FE | length high (bit 7 = flag) | length low | command | payload | checksum
// The 15-bit length counts command, payload and checksum; the checksum is the
// low byte of the sum from the length high byte through the last payload byte.

#include <cstdint>
#include <span>
#include <string>

#include "link/ByteText.h"

struct SharedState;

inline constexpr size_t kMaxTxPayload = 513;   // TxPayload
inline constexpr int32_t kMaxRxLength = 2047;  // RxFrame holds length + 2 = 2049 bytes

// Copies payload into TxPayload and sends it as one frame with the given command
// (flag sets bit 15 of the length), all under TxLock so senders on different
// threads never mix their payloads. With DebugMode the frame is traced to the
// log first. False, with "TX Error!" in the log, when the port refuses the
// bytes; false without sending when the payload is longer than TxPayload.
bool SendFrame(SharedState& s, uint8_t command, std::span<const uint8_t> payload, bool flag);

// One-byte reply echoing the command of the frame just received
// (0x22 next, 0x66 finished, 0x33 checksum error). Always true.
bool SendReply(SharedState& s, uint8_t code);

// Writes bytes unframed in one write, through TxPayload under TxLock.
// False when the port refuses them or they do not fit TxPayload.
bool SendRawBytes(SharedState& s, std::span<const uint8_t> bytes);

// One step of the receive state machine. A complete frame with a correct
// checksum is dispatched by its command before this returns; a wrong checksum
// is answered with 0x33. Declared lengths below 2 (which can never complete)
// and above 2047 (which RxFrame cannot hold) send the parser back to hunting.
void ParseRxByte(SharedState& s, uint8_t byte);

// Text of the frame in RxFrame: "XX " for each byte from the length high byte
// through the last payload byte; for a record packet (0x84) with length 19 or
// more, the bytes from index 19 on are decoded as UTF-8 text instead. With
// DebugMode the text is also written to the log.
std::string FrameText(SharedState& s);

// Fresh protocol state for a new connection: the read position 0 and a ring
// reset asked of the writer (write position 0 and RxRing[0..2048] zeroed before
// the next block is stored), TxPayload and RxFrame zeroed, the parser hunting,
// and no operation open. Returns the ticket of the ring reset: bytes are to be
// read from the ring once it has been applied.
uint32_t ResetProtocolState(SharedState& s);
