#pragma once
// Byte-to-text forms used by the frame codec and the report handlers.

#include <cstddef>
#include <cstdint>
#include <string>

// Two upper-case hex digits.
std::string HexPair(uint8_t byte);

// Bytes taken one character per byte (each byte is the character of that code),
// returned as UTF-8. Model codes, serial numbers and versions arrive this way.
std::string BytesToText(const uint8_t* bytes, size_t count);

// The device's lenient UTF-8: one-, two- and three-byte sequences, continuation
// bytes taken without checking their top bits; stray continuation bytes and
// four-byte lead bytes are skipped. A sequence cut off by the end of the bytes
// is dropped. Surrogate code points become U+FFFD so the result is valid UTF-8.
std::string DecodeUtf8(const uint8_t* bytes, size_t count);

// Appends code point cp to out as UTF-8 (cp below 0x10000).
void AppendUtf8(std::string& out, uint32_t cp);
