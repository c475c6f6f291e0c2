#include "firmware/BootFrames.h"

#include <algorithm>
#include <array>
#include <span>
#include <string>

#include "core/SharedState.h"
#include "core/Ui.h"
#include "firmware/BootImage.h"
#include "link/FrameCodec.h"

namespace {

// Places LEN, command, data and SUM behind 00 FE in BootTxFrame.
void CloseFrame(BootState& b, uint8_t command, const uint8_t* data, int n) {
    b.BootTxFrame[0] = 0x00;
    b.BootTxFrame[1] = 0xFE;
    b.BootTxFrame[2] = static_cast<uint8_t>(1 + n);
    b.BootTxFrame[3] = command;
    uint8_t sum = static_cast<uint8_t>(b.BootTxFrame[2] + command);
    for (int k = 0; k < n; ++k) {
        b.BootTxFrame[4 + k] = data[k];
        sum = static_cast<uint8_t>(sum + data[k]);
    }
    b.BootTxFrame[4 + n] = sum;
    b.BootTxLength = 5 + n;
}

}  // namespace

void BuildBootCommand(SharedState& s, uint8_t command) {
    CloseFrame(s.Boot, command, nullptr, 0);
}

bool BuildWriteFrame(SharedState& s, int32_t first) {
    BootState& b = s.Boot;
    uint8_t command = 0x85;
    std::array<uint8_t, kMaxWriteBytes> data{};
    int n = 0;
    int32_t i = first;
    for (;;) {
        const bool pastEnd =
            i < 0 || i >= b.CodeLineCount || static_cast<size_t>(i) >= b.CodeImage.size();
        static const std::string kNoLine;
        const std::string& line = pastEnd ? kNoLine : b.CodeImage[static_cast<size_t>(i)];
        if (line.size() > static_cast<size_t>(kMaxImageLine)) return false;

        if (pastEnd || line.find('q') != std::string::npos) {
            if (n == 0) {
                command = 0x86;
                data[0] = 0x71;  // 'q'
                n = 1;
                i = std::max(i, b.CodeLineCount);
            }
            ++i;
            break;
        }
        if (line.find('@') != std::string::npos) {
            if (line.front() != '@') return false;
            if (n > 0) break;  // an address always starts a frame of its own
            const uint32_t address = HexValue(std::string_view(line).substr(1));
            const int count = address > 0xFFFFFF ? 4 : address > 0xFFFF ? 3 : 2;
            for (int k = 0; k < count; ++k) {
                data[static_cast<size_t>(k)] =
                    static_cast<uint8_t>(address >> (8 * (count - 1 - k)));
            }
            n = count;
            command = 0x84;
            ++i;
            break;
        }
        // A data line goes into the frame whole or not at all. The fit is judged
        // by the bytes the line really holds, so a line written without its
        // trailing separator cannot push a frame past 236 code bytes.
        const std::vector<uint8_t> bytes = ReadLineBytes(line);
        if (n + static_cast<int>(bytes.size()) > kMaxWriteBytes) break;
        for (uint8_t v : bytes) {
            data[static_cast<size_t>(n++)] = v;
            b.CodeChecksum = static_cast<uint16_t>(b.CodeChecksum + v);
        }
        ++i;
    }

    if (b.CodeLineCount > 0) {
        // The end frame moves the index past the last line; the bar stops at full.
        const int64_t position = int64_t{i} * 100 / b.CodeLineCount;
        s.ui.SetProgress(static_cast<uint8_t>(std::clamp<int64_t>(position, 0, 100)));
    }
    CloseFrame(b, command, data.data(), n);
    b.CodeLineIndex = i;
    return true;
}

bool SendBootFrame(SharedState& s) {
    const BootState& b = s.Boot;
    const auto length = static_cast<size_t>(std::clamp<int32_t>(b.BootTxLength, 0, 256));
    return SendRawBytes(s, std::span<const uint8_t>(b.BootTxFrame.data(), length));
}
