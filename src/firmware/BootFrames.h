#pragma once
// Frames the PC sends to the bootloader:
//   00 FE | LEN | command, data | SUM
// LEN counts the command and its data (1-254); SUM is the low byte of LEN plus
// every byte after it. The frame is built in BootTxFrame, where it stays until
// the next one is built, so that a transmission error can send it again.
//
// These work on the programming-run variables of the shared state; the caller
// holds s.Boot.Lock (or is the only thread touching them, as in a test).

#include <cstdint>

struct SharedState;

// Most code bytes a write frame carries.
inline constexpr int kMaxWriteBytes = 236;
// Longest image line a write frame accepts.
inline constexpr int kMaxImageLine = 690;

// A request without data: 00 FE 01 command (command + 1).
void BuildBootCommand(SharedState& s, uint8_t command);

// The next write frame from CodeImage, starting with line `first`: an address
// frame (0x84) for an `@` line, a data frame (0x85) with as many whole data
// lines as fit into 236 bytes, or the end frame (0x86 0x71) once the image is
// used up or its `q` line is reached. Adds the code bytes to CodeChecksum, moves
// the progress bar, and sets CodeLineIndex to the line after the frame. False,
// with nothing to send, for a line longer than 690 characters or an address line
// with anything before its `@`.
bool BuildWriteFrame(SharedState& s, int32_t first);

// Writes the first BootTxLength bytes of BootTxFrame to the port as they are.
// False when the port refuses them.
bool SendBootFrame(SharedState& s);
