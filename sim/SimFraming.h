#pragma once
// The device's own framing, written apart from the program's codec so that a fault
// in one is not hidden by the same fault in the other.
//
// Normal frame: AA FE len_hi len_lo cmd payload sum, where the 15-bit length counts
// cmd, payload and sum, bit 7 of len_hi is a flag, and sum is the low byte of the sum
// of len_hi (as sent) through the last payload byte.
// Bootloader frame: 00 FE LEN body SUM, LEN = body size (1-254), SUM = LEN + body.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Largest 15-bit length the device accepts from the PC; longer declarations are
// taken as line noise and the parser hunts again.
inline constexpr uint16_t kSimMaxFrameLength = 2047;

std::vector<uint8_t> BuildDeviceFrame(uint8_t command, std::span<const uint8_t> payload,
                                      bool flag = false);
std::vector<uint8_t> BuildBootFrame(std::span<const uint8_t> body);

// A frame the device received from the PC.
struct SimReceivedFrame {
    uint8_t Command = 0;
    std::vector<uint8_t> Payload;
    bool Flag = false;        // bit 7 of the length high byte
    bool ChecksumOk = false;  // frames with a bad sum are recorded but not acted on
};

// Byte-at-a-time parser of normal frames; a complete frame (good or bad) is returned
// from the call that supplies its last byte.
class SimFrameParser {
  public:
    std::optional<SimReceivedFrame> Feed(uint8_t byte);
    void Reset();

  private:
    enum class State { Hunt, GotAA, LengthHigh, LengthLow, Body };
    State state_ = State::Hunt;
    uint8_t lengthHigh_ = 0;
    uint16_t remaining_ = 0;  // bytes still to come: command, payload and sum
    uint8_t sum_ = 0;
    std::vector<uint8_t> body_;  // command and payload
};

// Byte-at-a-time parser of bootloader frames; returns the body of a frame whose sum
// is right (bad frames are dropped).
class SimBootParser {
  public:
    std::optional<std::vector<uint8_t>> Feed(uint8_t byte);
    void Reset();

  private:
    enum class State { Hunt, Got00, Length, Body };
    State state_ = State::Hunt;
    uint8_t length_ = 0;
    uint8_t sum_ = 0;
    std::vector<uint8_t> body_;
};
