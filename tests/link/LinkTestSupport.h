#pragma once
// Helpers shared by the link tests: a fresh shared state on a fake port, bytes
// written as hex text, and device frames built with their checksum.

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "WriteRecordingComm.h"
#include "core/SharedState.h"
#include "link/FrameCodec.h"
#include "support/RecordingUi.h"

// "AA FE 00 03" -> bytes.
inline std::vector<uint8_t> Bytes(const std::string& hex) {
    std::vector<uint8_t> out;
    std::istringstream in(hex);
    std::string pair;
    while (in >> pair) out.push_back(static_cast<uint8_t>(std::stoul(pair, nullptr, 16)));
    return out;
}

// bytes -> "AA FE 00 03".
inline std::string Hex(const std::vector<uint8_t>& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i) out += ' ';
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

inline std::vector<uint8_t> Text8(const std::string& text) {
    return {text.begin(), text.end()};
}

// A frame as the breathalyser sends it: AA FE, length N+2, command, payload, and
// the low byte of the sum from the length high byte through the payload.
inline std::vector<uint8_t> DeviceFrame(uint8_t command, const std::vector<uint8_t>& payload) {
    const unsigned length = static_cast<unsigned>(payload.size()) + 2;
    std::vector<uint8_t> f = {0xAA, 0xFE, static_cast<uint8_t>(length >> 8),
                              static_cast<uint8_t>(length & 0xFF), command};
    unsigned sum = f[2] + f[3] + command;
    for (uint8_t b : payload) {
        f.push_back(b);
        sum += b;
    }
    f.push_back(static_cast<uint8_t>(sum & 0xFF));
    return f;
}

class LinkTest : public ::testing::Test {
  protected:
    RecordingUi ui;
    WriteRecordingComm comm;
    SharedState s{ui, comm};

    void Feed(const std::vector<uint8_t>& bytes) {
        for (uint8_t b : bytes) ParseRxByte(s, b);
    }
    void FeedFrame(uint8_t command, const std::vector<uint8_t>& payload) {
        Feed(DeviceFrame(command, payload));
    }
    // Everything written to the port, each write as hex.
    std::vector<std::string> Sent() const {
        std::vector<std::string> out;
        for (const auto& w : comm.Writes()) out.push_back(Hex(w));
        return out;
    }
};

// Pieces of a payload joined in order.
inline std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
