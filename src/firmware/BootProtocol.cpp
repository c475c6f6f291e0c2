#include "firmware/BootProtocol.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <string>

#include "core/SharedState.h"
#include "core/TextTable.h"
#include "core/Ui.h"
#include "firmware/BootFrames.h"
#include "firmware/BootImage.h"
#include "firmware/BootTexts.h"
#include "link/ByteText.h"

namespace {

constexpr uint8_t kAccepted = 0x91;
constexpr uint8_t kRefused = 0x92;
constexpr uint8_t kReadAddress = 0x9A;
constexpr uint8_t kReadData = 0x9B;
constexpr uint8_t kReadEnd = 0x9C;

constexpr uint8_t kFinished = 0xFF;

// The steps of a run, in their fixed order.
enum Step : int { EraseUser = 0, EraseMain, VerifyBlank, WriteCode, VerifyCode, ReadCode, kSteps };

bool SwitchedOn(const SharedState& s, int step) {
    const FlashSettings& f = s.Flash;
    switch (step) {
        case EraseUser:
            return f.EraseUserInformation;
        case EraseMain:
            return f.EraseMain;
        case VerifyBlank:
            return f.VerifyBlank;
        case WriteCode:
            return f.WriteCode;
        case VerifyCode:
            // A data frame that may have been written twice is only ever
            // settled by the device's checksum.
            return f.VerifyCode || s.Boot.DataFrameRepeated;
        case ReadCode:
            return f.ReadCode;
        default:
            return false;
    }
}

void Show(SharedState& s, const TextRef& text, const std::string& value = {}) {
    s.ui.LogLine(Text(s.Texts, text) + value);
}

std::string Hex4(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
    return text;
}

std::string Hex6(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(value));
    return text;
}

// Command of the request in BootTxFrame (the start frame carries three ESC bytes
// before its 00 FE); 0 when no request has been built.
uint8_t OutstandingCommand(const BootState& b) {
    int32_t i = 0;
    while (i < b.BootTxLength && b.BootTxFrame[static_cast<size_t>(i)] == 0x1B) ++i;
    if (b.BootTxLength < i + 4) return 0;
    return b.BootTxFrame[static_cast<size_t>(i + 3)];
}

// The outcome goes out after the messages that explain it, so that the search,
// which closes the run on it, writes its own lines below them.
void EndRun(SharedState& s, uint8_t result) {
    BootState& b = s.Boot;
    b.RunEnded = true;
    if (result == kFinished) b.LastRunUnfinished.store(false);
    s.FlashResult.store(result);
}

void SendAgain(SharedState& s) {
    BootState& b = s.Boot;
    if (OutstandingCommand(b) == 0x85) b.DataFrameRepeated = true;
    SendBootFrame(s);
}

void TransmissionError(SharedState& s) {
    Show(s, kBootTxErrorText);
    SendAgain(s);
}

void SendCommand(SharedState& s, uint8_t command) {
    BuildBootCommand(s, command);
    SendBootFrame(s);
}

void StartStep(SharedState& s, int step, uint8_t replyCommand) {
    BootState& b = s.Boot;
    switch (step) {
        case EraseUser:
            SendCommand(s, 0x81);
            Show(s, kStartEraseUserText);
            break;
        case EraseMain:
            SendCommand(s, 0x82);
            Show(s, kStartEraseMainText);
            break;
        case VerifyBlank:
            SendCommand(s, 0x83);
            Show(s, kStartVerifyBlankText);
            break;
        case WriteCode: {
            std::vector<std::string> image;
            // An image that has gone since the run started cannot be written: an
            // empty write would end in the checksum of nothing.
            const bool read = ReadDecodedImage(b.ImagePath, image);
            b.CodeImage = std::move(image);
            b.CodeLineIndex = 0;
            b.CodeLineCount = static_cast<int32_t>(b.CodeImage.size());
            b.CodeChecksum = 0;
            b.WriteRetries = 0;
            b.DataFrameRepeated = false;
            if (!read || !BuildWriteFrame(s, 0)) {
                Show(s, kErrorCodeText);
                EndRun(s, replyCommand);
                return;
            }
            SendBootFrame(s);
            Show(s, kStartWriteText);
            break;
        }
        case VerifyCode:
            SendCommand(s, 0x87);
            Show(s, kStartVerifyText);
            break;
        case ReadCode:
            SendCommand(s, 0x8A);
            Show(s, kStartReadText);
            b.ReadBackLines.clear();
            b.ReadBackLine.clear();
            b.ReadBackCount = 0;
            break;
        default:
            return;
    }
    s.ui.SetProgress(0);
}

// Starts the first step after `done` that is switched on; without one the run
// has finished.
void NextStepAfter(SharedState& s, int done, uint8_t replyCommand) {
    for (int step = done + 1; step < kSteps; ++step) {
        if (SwitchedOn(s, step)) {
            StartStep(s, step, replyCommand);
            return;
        }
    }
    EndRun(s, kFinished);
}

void SendNextWriteFrame(SharedState& s, uint8_t failure) {
    BootState& b = s.Boot;
    if (BuildWriteFrame(s, b.CodeLineIndex)) {
        SendBootFrame(s);
    } else {
        Show(s, kErrorCodeText);
        EndRun(s, failure);
    }
}

uint32_t BigEndian(const uint8_t* data, int count) {
    uint32_t value = 0;
    for (int k = 0; k < count; ++k) value = (value << 8) | data[k];
    return value;
}

std::string HexText(const uint8_t* data, int count) {
    std::string text;
    text.reserve(static_cast<size_t>(std::max(count, 0)) * 2);
    for (int k = 0; k < count; ++k) text += HexPair(data[k]);
    return text;
}

void Accepted(SharedState& s) {
    StepBootTicks(s, false);
}

void HandleVerifyReply(SharedState& s, const uint8_t* data, int count) {
    BootState& b = s.Boot;
    const std::string text = HexText(data, count);
    Show(s, kDeviceChecksumText, text);
    if (text != Hex4(b.CodeChecksum)) {
        Show(s, kChecksumMismatchText);
        EndRun(s, 0x87);
        return;
    }
    Show(s, kVerifyDoneText);
    if (s.Flash.ReadCode) {
        StartStep(s, ReadCode, 0x87);
    } else if (s.Flash.AutomaticReset) {
        SendCommand(s, 0x88);
        // The code in the device is the code of the image; whatever becomes of
        // the acknowledgement, this update has succeeded.
        b.ResetSentAfterVerify.store(true);
        b.LastRunUnfinished.store(false);
    } else {
        EndRun(s, kFinished);
    }
}

void HandleReadReply(SharedState& s, uint8_t status, const uint8_t* data, int count) {
    BootState& b = s.Boot;
    switch (status) {
        case kReadAddress: {
            Accepted(s);
            if (!b.ReadBackLine.empty()) b.ReadBackLines.push_back(b.ReadBackLine);
            b.ReadBackLine.clear();
            b.ReadBackCount = 0;
            const std::string text = HexText(data, count);
            b.ReadBackLines.push_back("@" + text);
            b.FlashAddress = HexValue(text);
            s.ui.SetProgress(0);
            return;
        }
        case kReadData:
            Accepted(s);
            for (int k = 0; k < count; ++k) {
                b.ReadBackLine += HexPair(data[k]);
                b.ReadBackLine += ' ';
                if (++b.ReadBackCount == 16) {
                    b.ReadBackLines.push_back(b.ReadBackLine);
                    b.ReadBackLine.clear();
                    b.ReadBackCount = 0;
                }
            }
            // LEN also counts the command and status bytes; the bar only needs
            // to move on.
            b.FlashAddress += b.BootRxFrame[0];
            ShowFlashProgress(s);
            return;
        case kReadEnd:
            Accepted(s);
            if (!b.ReadBackLine.empty()) b.ReadBackLines.push_back(b.ReadBackLine);
            b.ReadBackLine.clear();
            b.ReadBackCount = 0;
            b.ReadBackLines.push_back("q");
            s.ui.SetLogLines(b.ReadBackLines);
            b.ReadBackLines.clear();
            s.ui.SetProgress(100);
            Show(s, kReadDoneText);
            EndRun(s, kFinished);
            return;
        default:
            TransmissionError(s);
            return;
    }
}

void HandleReply(SharedState& s) {
    BootState& b = s.Boot;
    if (b.RunEnded) return;
    const int len = b.BootRxFrame[0];
    const uint8_t command = b.BootRxFrame[1];
    // A late or repeated reply to an earlier request: the request outstanding
    // still waits for its own reply, and acting on this one would start, skip
    // or repeat a step.
    if (command != OutstandingCommand(b)) return;
    if (len < 2) {
        TransmissionError(s);
        return;
    }
    const uint8_t status = b.BootRxFrame[2];
    const uint8_t* data = b.BootRxFrame.data() + 3;
    const int count = len - 2;

    if (command == 0x8A) {
        HandleReadReply(s, status, data, count);
        return;
    }
    if (command == 0x83 && status != kAccepted) {
        Show(s, kBlankFailedText, Hex6(b.FlashAddress));
        TransmissionError(s);
        EndRun(s, 0x83);
        return;
    }
    if (status == kRefused) {
        switch (command) {
            case 0x84:
                EndRun(s, 0x84);
                return;
            case 0x85:
                if (b.WriteRetries < 5) {
                    // Refused means not written: sending it again is safe.
                    ++b.WriteRetries;
                    SendBootFrame(s);
                } else {
                    EndRun(s, 0x85);
                }
                return;
            case 0x86:
                b.CodeImage.clear();
                EndRun(s, 0x86);
                return;
            case 0x87:
                EndRun(s, 0x87);
                return;
            default:
                TransmissionError(s);
                return;
        }
    }
    if (status != kAccepted) {
        TransmissionError(s);
        return;
    }

    switch (command) {
        case 0x8B:
            Accepted(s);
            b.DeviceTypeName = b.McuType + BytesToText(data, static_cast<size_t>(count));
            if (LookUpDeviceType(s)) {
                SendCommand(s, 0x8C);
            } else {
                Show(s, kUnknownDeviceTypeText, b.DeviceTypeName);
                b.FlashStart = b.FlashEnd = b.FlashAddress = 0;
                b.FlashSpan = 1;
                EndRun(s, 0x8B);
            }
            return;
        case 0x8C:
            Accepted(s);
            Show(s, kBootVersionText, BytesToText(data, static_cast<size_t>(count)));
            SendCommand(s, 0x8D);
            return;
        case 0x8D:
            Accepted(s);
            Show(s, kDeviceNumberText, BytesToText(data, static_cast<size_t>(count)));
            SendCommand(s, 0x80);
            return;
        case 0x80:
            Accepted(s);
            // Nothing to do is not an update: without a step the run has failed.
            for (int step = 0; step < kSteps; ++step) {
                if (SwitchedOn(s, step)) {
                    StartStep(s, step, 0x80);
                    return;
                }
            }
            EndRun(s, 0x80);
            return;
        case 0x81:
            Accepted(s);
            Show(s, kEraseUserDoneText);
            NextStepAfter(s, EraseUser, 0x81);
            return;
        case 0x82:
        case 0x83:
            Accepted(s);
            if (len >= 3) {
                b.FlashAddress = BigEndian(data, count);
                ShowFlashProgress(s);
            } else if (command == 0x82) {
                Show(s, kEraseMainDoneText);
                NextStepAfter(s, EraseMain, 0x82);
            } else {
                Show(s, kBlankDoneText);
                NextStepAfter(s, VerifyBlank, 0x83);
            }
            return;
        case 0x84:
            Accepted(s);
            SendNextWriteFrame(s, 0x84);
            return;
        case 0x85:
            b.WriteRetries = 0;
            Accepted(s);
            SendNextWriteFrame(s, 0x85);
            return;
        case 0x86:
            Accepted(s);
            Show(s, kWriteDoneText);
            Show(s, kFileChecksumText, Hex4(b.CodeChecksum));
            b.CodeImage.clear();
            NextStepAfter(s, WriteCode, 0x86);
            return;
        case 0x87:
            Accepted(s);
            HandleVerifyReply(s, data, count);
            return;
        case 0x88:
            Show(s, kDeviceResetText);
            b.RunEnded = true;
            b.LastRunUnfinished.store(false);
            s.LinkMode.store(11);
            return;
        default:
            TransmissionError(s);
            return;
    }
}

void ChecksumError(SharedState& s) {
    BootState& b = s.Boot;
    if (b.RunEnded) return;
    Show(s, kBootChecksumErrorText, std::to_string(b.BootRxSum));
    SendAgain(s);
}

}  // namespace

bool LookUpDeviceType(SharedState& s) {
    BootState& b = s.Boot;
    b.FlashAddress = 0;
    b.FlashEnd = 0;
    const std::vector<std::string>& lines = s.ModelTable;
    const size_t h = static_cast<size_t>(FindSection(lines, "[" + b.McuType + "]"));
    if (h > 0) {
        // Groups of three lines: device type, start address, end address. The
        // search runs on past the next section header to the end of the table.
        for (size_t i = h; i + 1 < lines.size(); i += 3) {
            if (LineValue(lines[i]) != b.DeviceTypeName) continue;
            if (i + 2 < lines.size()) {
                b.FlashAddress = HexValue(LineValue(lines[i + 1]));
                b.FlashEnd = HexValue(LineValue(lines[i + 2]));
            }
            break;
        }
    }
    if (b.FlashAddress == 0 && b.FlashEnd == 0) return false;
    b.FlashSpan = b.FlashEnd > b.FlashAddress ? b.FlashEnd - b.FlashAddress : 1;
    b.FlashStart = b.FlashAddress;
    return true;
}

void ShowFlashProgress(SharedState& s) {
    const BootState& b = s.Boot;
    if (b.FlashAddress < b.FlashStart) return;
    const uint32_t span = b.FlashSpan == 0 ? 1 : b.FlashSpan;
    const auto position =
        static_cast<uint8_t>(((b.FlashAddress - b.FlashStart) * 100u / span) & 0xFF);
    s.ui.SetProgress(std::min<uint8_t>(position, 100));
}

void BootReceiveByte(SharedState& s, uint8_t byte) {
    std::lock_guard lock(s.Boot.Lock);
    BootState& b = s.Boot;
    switch (b.BootRxState) {
        case 0:
            if (byte == 0x00) b.BootRxState = 1;
            return;
        case 1:
            if (byte == 0xFE) {
                b.BootRxSum = 0;
                b.BootRxState = 2;
            } else {
                b.BootRxState = 0;
            }
            return;
        case 2:
            if (byte == 0) {
                b.BootRxState = 0;
                return;
            }
            b.BootRxIndex = 0;
            b.BootRxLength = byte;
            b.BootRxSum = byte;
            b.BootRxFrame[0] = byte;
            b.BootRxState = 3;
            return;
        case 3:
            ++b.BootRxIndex;
            b.BootRxFrame[static_cast<size_t>(b.BootRxIndex)] = byte;
            if (b.BootRxIndex <= b.BootRxLength) {
                b.BootRxSum = static_cast<uint8_t>(b.BootRxSum + byte);
                return;
            }
            b.BootRxState = 0;
            if (byte == b.BootRxSum) {
                HandleReply(s);
            } else {
                ChecksumError(s);
            }
            return;
        default:
            b.BootRxState = 0;
            return;
    }
}
