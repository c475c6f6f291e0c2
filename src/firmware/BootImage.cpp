#include "firmware/BootImage.h"

#include "core/TextLines.h"

bool ReadDecodedImage(const std::filesystem::path& path, std::vector<std::string>& lines) {
    TextFileLines file = ReadTextLines(path);
    if (!file.Ok()) return false;
    lines = std::move(file.Lines);
    return true;
}

uint32_t HexValue(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return 0;
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    uint32_t value = 0;
    for (char c : text) {
        uint32_t digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<uint32_t>(c - '0');
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<uint32_t>(c - 'A' + 10);
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<uint32_t>(c - 'a' + 10);
        }
        value = value * 16 + digit;
    }
    return value;
}

std::vector<uint8_t> ReadLineBytes(std::string_view line) {
    std::vector<uint8_t> bytes;
    bytes.reserve(line.size() / 3 + 1);
    while (line.size() >= 2) {
        bytes.push_back(static_cast<uint8_t>(HexValue(line.substr(0, 2)) & 0xFF));
        if (line.size() <= 3) break;
        line.remove_prefix(3);
    }
    return bytes;
}
