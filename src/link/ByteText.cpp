#include "link/ByteText.h"

std::string HexPair(uint8_t byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string BytesToText(const uint8_t* bytes, size_t count) {
    std::string out;
    out.reserve(count);
    for (size_t i = 0; i < count; ++i) AppendUtf8(out, bytes[i]);
    return out;
}

std::string DecodeUtf8(const uint8_t* bytes, size_t count) {
    std::string out;
    out.reserve(count);
    size_t i = 0;
    while (i < count) {
        const uint8_t lead = bytes[i];
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            i += 1;
        } else if ((lead & 0xE0) == 0xC0) {
            if (i + 1 >= count) break;  // cut off at the end: dropped
            AppendUtf8(out, ((lead & 0x1Fu) << 6) | (bytes[i + 1] & 0x3Fu));
            i += 2;
        } else if ((lead & 0xF0) == 0xE0) {
            if (i + 2 >= count) break;
            AppendUtf8(out, ((lead & 0x0Fu) << 12) | ((bytes[i + 1] & 0x3Fu) << 6) |
                                (bytes[i + 2] & 0x3Fu));
            i += 3;
        } else {
            i += 1;  // stray continuation byte or four-byte lead: skipped
        }
    }
    return out;
}
