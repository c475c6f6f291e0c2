#include "link/ReportFields.h"

#include "core/SharedState.h"
#include "config/ModelTable.h"
#include "link/ByteText.h"

int32_t FrameLengthField(const SharedState& s) {
    return s.RxFrame[0] * 256 + s.RxFrame[1];
}

int32_t PayloadSize(const SharedState& s) {
    const int32_t length = (s.RxFrame[0] & 0x7F) * 256 + s.RxFrame[1];
    return length >= 2 ? length - 2 : 0;
}

uint8_t PayloadByte(const SharedState& s, int32_t p) {
    if (p < 0 || p >= PayloadSize(s)) return 0;
    return s.RxFrame[3 + p];
}

int32_t PayloadWord(const SharedState& s, int32_t p) {
    return PayloadByte(s, p) * 256 + PayloadByte(s, p + 1);
}

std::string PayloadChars(const SharedState& s, int32_t p, int32_t count) {
    std::string text;
    for (int32_t i = 0; i < count; ++i) AppendUtf8(text, PayloadByte(s, p + i));
    return text;
}

std::string SoftwareVersionAt(const SharedState& s, int32_t p) {
    return PayloadChars(s, p, 1) + "." + PayloadChars(s, p + 1, 2) + "." +
           PayloadChars(s, p + 3, 3);
}

std::string HardwareVersionAt(const SharedState& s, int32_t p) {
    return PayloadChars(s, p, 1) + "." + PayloadChars(s, p + 1, 3);
}

std::string ModelNameOf(const std::string& modelCode, const std::string& softwareVersion) {
    switch (ModelTypeOf(modelCode)) {
        case 1:
            return "MIRAX";
        case 2:
            return !softwareVersion.empty() && softwareVersion[0] == '2' ? "KOVAN" : "ZET";
        case 3:
            return "KOVAN";
        default:
            return modelCode;
    }
}

namespace {
std::string TwoDigits(unsigned v) {
    return (v < 10 ? "0" : "") + std::to_string(v);
}
}  // namespace

std::string DateText(const TDate& date) {
    return TwoDigits(date.Day) + "/" + TwoDigits(date.Month) + "/" + std::to_string(date.Year);
}

std::string TimeText(const TTime& time) {
    return std::to_string(time.Hour) + ":" + TwoDigits(time.Mintue) + ":" + TwoDigits(time.Second);
}

std::string HundredthsText(int32_t value) {
    return std::to_string(value / 100) + "." + TwoDigits(static_cast<unsigned>(value % 100));
}
