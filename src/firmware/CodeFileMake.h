#pragma once
// Making firmware code files: from a code image (a plain binary at a start
// address, an Intel HEX file or a TI-TXT file) and the header values, with the
// family's byte offset applied and both sums computed. The firmware makers'
// tool, and the source of every code file the tests and the demo use.

#include <cstdint>
#include <string>
#include <vector>

// A run of code bytes at consecutive addresses.
struct CodeSegment {
    uint32_t Address = 0;
    std::vector<uint8_t> Bytes;
};

// The code of a firmware: segments in address order, none overlapping.
struct CodeImage {
    std::vector<CodeSegment> Segments;
    uint64_t ByteCount() const;
};

// A plain binary placed at address.
CodeImage BinaryImage(const std::vector<uint8_t>& bytes, uint32_t address);

// Intel HEX: data (00), end (01), extended segment (02) and linear (04)
// address records; start-address records (03, 05) are ignored. Every record's
// checksum is checked. False with a reason naming the line on any fault.
bool ParseIntelHex(const std::vector<std::string>& lines, CodeImage& image, std::string& error);

// TI-TXT: "@ADDR" lines, lines of blank-separated hexadecimal bytes, "q".
bool ParseTiTxt(const std::vector<std::string>& lines, CodeImage& image, std::string& error);

// Sorts the segments, joins adjacent ones and refuses overlapping ones.
bool NormaliseImage(CodeImage& image, std::string& error);

// The header values of a code file.
struct CodeFileHeader {
    std::string ModelCode;    // e.g. Q7302 (ZET)
    std::string Version;      // the firmware version, compared with the device's software version
    std::string MinHardware;  // the lowest hardware version the firmware runs on
    std::string Note;         // free text shown with the header (a release date, say)
    std::string Family;       // MCU family: STM32, MSP430 or another
};

// The largest code a file may carry (and the widest span an STM32 image may cover).
inline constexpr uint64_t kMaxCodeBytes = 16u * 1024u * 1024u;

// The lines of a code file for image. STM32 images carry no address lines
// once decoded, so their segments are joined into one with the gaps filled
// with 0xFF (erased flash). False with a reason when a header value holds a
// line break or the code is too large.
bool MakeCodeFile(const CodeFileHeader& header, CodeImage image, std::vector<std::string>& lines,
                  std::string& error);
