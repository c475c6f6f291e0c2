#pragma once
// The decoded code image as the flash programming reads it: one text line per
// image line, `@` address lines, data lines of hex byte pairs each followed by a
// separator, and a `q` terminator. The image itself is written by the code file
// reader (which also names it, DecodedImageName); this side only reads it.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// Reads the image into lines (line ends and byte-order marks removed). False when
// the file cannot be read.
bool ReadDecodedImage(const std::filesystem::path& path, std::vector<std::string>& lines);

// Hexadecimal value of a text: blanks around it removed; each character counts
// 0-15 for 0-9, A-F and a-f, 0 for any other character; 32-bit result.
uint32_t HexValue(std::string_view text);

// Bytes of a data line: a pair of characters at positions 1-2, 4-5, 7-8 ... (a
// trailing separator is allowed, not needed; a single character left over is not
// a byte).
std::vector<uint8_t> ReadLineBytes(std::string_view line);
