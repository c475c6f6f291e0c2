#pragma once
// Test-side reading of the device's output, written from the frame rules directly
// (not from the simulator's framing code), so a fault there cannot hide itself.

#include <cstdint>
#include <string>
#include <vector>

namespace simtest {

using Bytes = std::vector<uint8_t>;

struct WireFrame {
    uint8_t Command = 0;
    Bytes Payload;
    bool SumOk = false;
};

// Bytes from a hex text such as "AA FE 00 03 82 11 96".
inline Bytes Hex(const std::string& text) {
    Bytes out;
    std::string digits;
    for (char c : text) {
        if (c != ' ') digits += c;
    }
    for (size_t i = 0; i + 1 < digits.size(); i += 2) {
        out.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    }
    return out;
}

// Splits a stream of normal frames: AA FE, 15-bit length (command + payload + sum),
// command, payload, sum = low byte of the sum from the length high byte to the last
// payload byte. Stops at anything that does not start a frame.
inline std::vector<WireFrame> SplitFrames(const Bytes& bytes) {
    std::vector<WireFrame> frames;
    size_t i = 0;
    while (i + 6 <= bytes.size() && bytes[i] == 0xAA && bytes[i + 1] == 0xFE) {
        const size_t length = ((bytes[i + 2] & 0x7F) << 8) | bytes[i + 3];
        if (length < 2 || i + 4 + length > bytes.size()) break;
        unsigned sum = 0;
        for (size_t k = i + 2; k < i + 4 + length - 1; ++k) sum += bytes[k];
        WireFrame f;
        f.Command = bytes[i + 4];
        f.Payload.assign(bytes.begin() + i + 5, bytes.begin() + i + 4 + length - 1);
        f.SumOk = (sum & 0xFF) == bytes[i + 4 + length - 1];
        frames.push_back(f);
        i += 4 + length;
    }
    return frames;
}

inline uint16_t Word(const Bytes& payload, size_t at) {
    return static_cast<uint16_t>((payload[at] << 8) | payload[at + 1]);
}

inline std::string Text(const Bytes& payload, size_t at, size_t count) {
    return std::string(payload.begin() + at, payload.begin() + at + count);
}

}  // namespace simtest
