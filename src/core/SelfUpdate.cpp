#include "core/SelfUpdate.h"

#include <cstdint>
#include <string_view>

#include "core/TextTable.h"

namespace {

bool ParseParts(std::string_view text, std::vector<uint32_t>& parts) {
    parts.clear();
    if (text.empty()) return false;
    size_t start = 0;
    while (true) {
        const size_t dot = text.find('.', start);
        const std::string_view part = text.substr(
            start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        if (part.empty() || part.size() > 5) return false;
        uint32_t value = 0;
        for (char c : part) {
            if (c < '0' || c > '9') return false;
            value = value * 10 + static_cast<uint32_t>(c - '0');
        }
        if (value > 65535) return false;
        parts.push_back(value);
        if (parts.size() > 4) return false;
        if (dot == std::string_view::npos) return true;
        start = dot + 1;
    }
}

bool IsDate(std::string_view text) {
    // MM/DD/YYYY
    if (text.size() != 10 || text[2] != '/' || text[5] != '/') return false;
    for (size_t i : {0u, 1u, 3u, 4u, 6u, 7u, 8u, 9u}) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    const int month = (text[0] - '0') * 10 + (text[1] - '0');
    const int day = (text[3] - '0') * 10 + (text[4] - '0');
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

// The value of "key=value", or false when the line has another key.
bool KeyValue(const std::string& line, std::string_view key, std::string& value) {
    const auto eq = line.find('=');
    if (eq == std::string::npos || std::string_view(line).substr(0, eq) != key) return false;
    value = line.substr(eq + 1);
    return true;
}

}  // namespace

bool IsVersionNumber(const std::string& text) {
    std::vector<uint32_t> parts;
    return ParseParts(text, parts);
}

int CompareVersionNumbers(const std::string& a, const std::string& b) {
    std::vector<uint32_t> pa;
    std::vector<uint32_t> pb;
    ParseParts(a, pa);
    ParseParts(b, pb);
    for (size_t i = 0; i < 4; ++i) {
        const uint32_t x = i < pa.size() ? pa[i] : 0;
        const uint32_t y = i < pb.size() ? pb[i] : 0;
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

bool ParseUpdateInformation(const std::vector<std::string>& lines, UpdateInformation& info) {
    // The header may be the file's last-but-three line at the latest.
    const int h = FindSection(lines, "[BrevalonDataManager]");
    if (h < 1 || static_cast<size_t>(h) + 3 > lines.size()) return false;
    UpdateInformation read;
    if (!KeyValue(lines[h], "Version", read.Version) || !IsVersionNumber(read.Version))
        return false;
    if (!KeyValue(lines[h + 1], "Date", read.Date) || !IsDate(read.Date)) return false;
    if (!KeyValue(lines[h + 2], "Download", read.Download)) return false;
    const std::string_view address = read.Download;
    if (!(address.starts_with("http://") || address.starts_with("https://")) ||
        address.find_first_of(" \t") != std::string_view::npos) {
        return false;
    }
    info = std::move(read);
    return true;
}
