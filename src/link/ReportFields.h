#pragma once
// Reading the fields of the frame in RxFrame and writing them as report text.
// Payload byte p is RxFrame[3 + p]. A byte beyond the payload the frame carries
// reads as 0, so a short report never picks up bytes of an earlier frame.

#include <cstdint>
#include <string>

#include "core/AlcoholInformation.h"

struct SharedState;

inline constexpr const char* kSeparatorLine = "--------------------------------------------";

// The 16-bit length field as received (flag bit included): what the length
// checks compare and the error lines show.
int32_t FrameLengthField(const SharedState& s);

// Number of payload bytes the frame carries (15-bit length - 2).
int32_t PayloadSize(const SharedState& s);

uint8_t PayloadByte(const SharedState& s, int32_t p);
int32_t PayloadWord(const SharedState& s, int32_t p);  // big-endian, bytes p and p+1

// count bytes from p, one character per byte.
std::string PayloadChars(const SharedState& s, int32_t p, int32_t count);

// a "." b c "." d e f from six bytes at p; a "." b c d from four bytes at p.
std::string SoftwareVersionAt(const SharedState& s, int32_t p);
std::string HardwareVersionAt(const SharedState& s, int32_t p);

// The model name of a report: "MIRAX", "KOVAN", "ZET" (a class-2 code whose
// software version starts with '2' is a KOVAN), or the raw code otherwise.
std::string ModelNameOf(const std::string& modelCode, const std::string& softwareVersion);

std::string DateText(const TDate& date);  // dd/mm/yyyy
std::string TimeText(const TTime& time);  // h:mm:ss

// v / 100 "." two digits: the alcohol limit (35 gives 0.35).
std::string HundredthsText(int32_t value);
