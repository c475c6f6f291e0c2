#include "SimFraming.h"

std::vector<uint8_t> BuildDeviceFrame(uint8_t command, std::span<const uint8_t> payload,
                                      bool flag) {
    const uint16_t length = static_cast<uint16_t>(payload.size() + 2);
    const uint8_t high = static_cast<uint8_t>(((length >> 8) & 0x7F) | (flag ? 0x80 : 0x00));
    const uint8_t low = static_cast<uint8_t>(length & 0xFF);
    std::vector<uint8_t> frame{0xAA, 0xFE, high, low, command};
    frame.reserve(payload.size() + 6);
    uint8_t sum = static_cast<uint8_t>(high + low + command);
    for (uint8_t b : payload) {
        frame.push_back(b);
        sum = static_cast<uint8_t>(sum + b);
    }
    frame.push_back(sum);
    return frame;
}

std::vector<uint8_t> BuildBootFrame(std::span<const uint8_t> body) {
    std::vector<uint8_t> frame{0x00, 0xFE, static_cast<uint8_t>(body.size())};
    uint8_t sum = static_cast<uint8_t>(body.size());
    for (uint8_t b : body) {
        frame.push_back(b);
        sum = static_cast<uint8_t>(sum + b);
    }
    frame.push_back(sum);
    return frame;
}

std::optional<SimReceivedFrame> SimFrameParser::Feed(uint8_t byte) {
    switch (state_) {
        case State::Hunt:
            if (byte == 0xAA) state_ = State::GotAA;
            return std::nullopt;
        case State::GotAA:
            state_ = byte == 0xFE ? State::LengthHigh : byte == 0xAA ? State::GotAA : State::Hunt;
            return std::nullopt;
        case State::LengthHigh:
            lengthHigh_ = byte;
            sum_ = byte;
            state_ = State::LengthLow;
            return std::nullopt;
        case State::LengthLow: {
            const uint16_t length = static_cast<uint16_t>(((lengthHigh_ & 0x7F) << 8) | byte);
            if (length < 2 || length > kSimMaxFrameLength) {
                // Cannot hold a command and a sum, or far beyond anything the PC sends.
                state_ = State::Hunt;
                return std::nullopt;
            }
            sum_ = static_cast<uint8_t>(sum_ + byte);
            remaining_ = length;
            body_.clear();
            state_ = State::Body;
            return std::nullopt;
        }
        case State::Body:
            if (--remaining_ > 0) {
                body_.push_back(byte);
                sum_ = static_cast<uint8_t>(sum_ + byte);
                return std::nullopt;
            }
            {
                SimReceivedFrame frame;
                frame.Command = body_.front();
                frame.Payload.assign(body_.begin() + 1, body_.end());
                frame.Flag = (lengthHigh_ & 0x80) != 0;
                frame.ChecksumOk = byte == sum_;
                state_ = State::Hunt;
                return frame;
            }
    }
    return std::nullopt;
}

void SimFrameParser::Reset() {
    state_ = State::Hunt;
    remaining_ = 0;
    sum_ = 0;
    body_.clear();
}

std::optional<std::vector<uint8_t>> SimBootParser::Feed(uint8_t byte) {
    switch (state_) {
        case State::Hunt:
            if (byte == 0x00) state_ = State::Got00;
            return std::nullopt;
        case State::Got00:
            state_ = byte == 0xFE ? State::Length : byte == 0x00 ? State::Got00 : State::Hunt;
            return std::nullopt;
        case State::Length:
            if (byte == 0 || byte == 0xFF) {
                state_ = State::Hunt;
                return std::nullopt;
            }
            length_ = byte;
            sum_ = byte;
            body_.clear();
            state_ = State::Body;
            return std::nullopt;
        case State::Body:
            if (body_.size() < length_) {
                body_.push_back(byte);
                sum_ = static_cast<uint8_t>(sum_ + byte);
                return std::nullopt;
            }
            state_ = State::Hunt;
            if (byte != sum_) return std::nullopt;
            return body_;
    }
    return std::nullopt;
}

void SimBootParser::Reset() {
    state_ = State::Hunt;
    length_ = 0;
    sum_ = 0;
    body_.clear();
}
