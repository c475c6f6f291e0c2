#include "link/FrameCodec.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/Comm.h"
#include "core/SharedState.h"
#include "core/Ui.h"
#include "link/Dispatch.h"
#include "link/LinkTexts.h"
#include "link/ReceiveRing.h"

namespace {

void BackToHunt(SharedState& s) {
    s.RxState = Hunt;
    s.RxExpected = 0;
    s.RxCount = 0;
}

void CompleteFrame(SharedState& s, uint8_t checksum) {
    const uint8_t command = s.RxFrame[2];
    BackToHunt(s);
    if (checksum == s.RxSum) {
        if (command >= 0x80)
            DispatchHighCommand(s, command);
        else
            DispatchLowCommand(s, command);
    } else {
        s.ui.LogLine(Text(s.Texts, kChecksumErrorText));
        const uint8_t error = 0x33;
        SendFrame(s, command, {&error, 1}, false);
    }
}

}  // namespace

bool SendFrame(SharedState& s, uint8_t command, std::span<const uint8_t> payload, bool flag) {
    if (payload.size() > kMaxTxPayload) return false;
    const size_t n = payload.size();
    bool ok;
    {
        std::lock_guard lock(s.TxLock);
        // memmove: a caller may hand us a span of TxPayload itself.
        if (n > 0) std::memmove(s.TxPayload.data(), payload.data(), n);

        uint16_t length = static_cast<uint16_t>(n + 2);
        if (flag) length |= 0x8000;
        std::array<uint8_t, kMaxTxPayload + 6> frame;
        frame[0] = 0xAA;
        frame[1] = 0xFE;
        frame[2] = static_cast<uint8_t>(length >> 8);
        frame[3] = static_cast<uint8_t>(length & 0xFF);
        frame[4] = command;
        uint8_t sum = static_cast<uint8_t>(frame[2] + frame[3] + command);
        for (size_t i = 0; i < n; ++i) {
            frame[5 + i] = s.TxPayload[i];
            sum = static_cast<uint8_t>(sum + s.TxPayload[i]);
        }
        frame[5 + n] = sum;
        const auto total = static_cast<uint16_t>(n + 6);

        if (s.DebugMode.load(std::memory_order_relaxed)) {
            // The trace goes out before the bytes; LogLine only queues the line.
            std::string trace = Text(s.Texts, kSendDatumText);
            for (uint16_t i = 0; i < total; ++i) trace += " " + HexPair(frame[i]);
            s.ui.LogLine(trace);
        }
        ok = s.comm.WriteCommData(frame.data(), total);
    }
    if (!ok) s.ui.LogLine(Text(s.Texts, kTxErrorText));
    return ok;
}

bool SendReply(SharedState& s, uint8_t code) {
    SendFrame(s, s.RxFrame[2], {&code, 1}, false);
    return true;
}

bool SendRawBytes(SharedState& s, std::span<const uint8_t> bytes) {
    if (bytes.size() > kMaxTxPayload) return false;
    std::lock_guard lock(s.TxLock);
    if (!bytes.empty()) std::memmove(s.TxPayload.data(), bytes.data(), bytes.size());
    return s.comm.WriteCommData(s.TxPayload.data(), static_cast<uint16_t>(bytes.size()));
}

void ParseRxByte(SharedState& s, uint8_t b) {
    switch (s.RxState) {
        case Hunt:
            if (b == 0xAA) s.RxState = GotAA;
            return;
        case GotAA:
            if (b == 0xFE)
                s.RxState = LengthHigh;
            else if (b != 0xAA)
                s.RxState = Hunt;
            return;
        case LengthHigh:
            s.RxCount = 0;
            s.RxSum = b;
            s.RxExpected = (b & 0x7F) * 256;
            s.RxFrame[s.RxCount++] = b;
            s.RxState = LengthLow;
            return;
        case LengthLow: {
            const int32_t length = s.RxExpected + b;
            if (length < 2 || length > kMaxRxLength) {
                // A frame that can never complete or would not fit: look for the
                // next start pattern instead.
                BackToHunt(s);
                return;
            }
            s.RxSum = static_cast<uint8_t>(s.RxSum + b);
            s.RxExpected = length + 2;
            s.RxFrame[s.RxCount++] = b;
            s.RxState = Command;
            return;
        }
        case Command:
            s.RxSum = static_cast<uint8_t>(s.RxSum + b);
            s.RxFrame[s.RxCount++] = b;
            s.RxState = Body;
            return;
        case Body:
            s.RxFrame[s.RxCount++] = b;
            if (s.RxCount == s.RxExpected)
                CompleteFrame(s, b);
            else
                s.RxSum = static_cast<uint8_t>(s.RxSum + b);
            return;
        default:
            BackToHunt(s);
            return;
    }
}

std::string FrameText(SharedState& s) {
    const int32_t length = (s.RxFrame[0] & 0x7F) * 256 + s.RxFrame[1];
    const int32_t last = std::min<int32_t>(length, static_cast<int32_t>(s.RxFrame.size()) - 1);
    const bool record = s.RxFrame[2] == 0x84;
    std::string text;
    text.reserve(static_cast<size_t>(last + 1) * 3);
    for (int32_t i = 0; i <= last; ++i) {
        if (record && i == 19) {
            text += DecodeUtf8(&s.RxFrame[19], static_cast<size_t>(last - 18));
            break;
        }
        text += HexPair(s.RxFrame[i]);
        text += ' ';
    }
    if (s.DebugMode.load(std::memory_order_relaxed)) s.ui.LogLine(text);
    return text;
}

uint32_t ResetProtocolState(SharedState& s) {
    s.RxReadPos.store(0, std::memory_order_release);
    // The serial thread may be storing bytes this very moment: the write side is
    // reset by the writer itself, so a frame arriving now is neither cut nor
    // zeroed.
    const uint32_t ticket = AskRingReset(s, 2049);
    {
        std::lock_guard lock(s.TxLock);
        s.TxPayload.fill(0);
    }
    s.RxFrame.fill(0);
    s.RxState = Hunt;
    s.RxExpected = 0;
    s.RxCount = 0;
    s.RxSum = 0;
    s.OperationState.store(0);
    s.OperationTicks.store(0);
    s.ProgressCount.store(0);
    return ticket;
}
