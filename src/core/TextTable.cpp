#include "core/TextTable.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <system_error>

#include "core/Windows1252.h"

namespace {

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size());
    const size_t units = bytes.size() / 2;  // a stray odd byte at the end is dropped
    auto unitAt = [&](size_t k) -> char32_t {
        const auto a = static_cast<uint8_t>(bytes[2 * k]);
        const auto b = static_cast<uint8_t>(bytes[2 * k + 1]);
        return bigEndian ? char32_t((a << 8) | b) : char32_t((b << 8) | a);
    };
    for (size_t k = 0; k < units; ++k) {
        char32_t cp = unitAt(k);
        if (cp >= 0xD800 && cp <= 0xDBFF && k + 1 < units) {
            const char32_t low = unitAt(k + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++k;
            }
        }
        AppendUtf8(out, cp);  // an unpaired surrogate becomes U+FFFD
    }
    return out;
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(text.substr(start, i - start));
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
        ++i;
    }
    // A final line end closes the last line; it does not open an empty one.
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

}  // namespace

std::vector<std::string> DecodeTextLines(std::string_view bytes) {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        return SplitLines(bytes.substr(3));
    }
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") {
        return SplitLines(Utf16ToUtf8(bytes.substr(2), false));
    }
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF") {
        return SplitLines(Utf16ToUtf8(bytes.substr(2), true));
    }
    // Without a byte-order mark the files were read in the system's ANSI code page
    // (Windows-1252 on the installations this program serves). Files saved by
    // today's editors are UTF-8 without a mark, so text that is valid UTF-8 is
    // taken as UTF-8; only anything else is read as Windows-1252.
    if (IsValidUtf8(bytes)) return SplitLines(bytes);
    return SplitLines(Windows1252ToUtf8(bytes));
}

bool ReadTextLines(const std::filesystem::path& path, std::vector<std::string>& lines) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return false;
    lines = DecodeTextLines(bytes);
    return true;
}

bool LoadTextTable(TextTable& table, const std::filesystem::path& programFolder) {
    table.Exists = false;
    table.Lines.clear();
    const auto path = programFolder / "settings" / "languages.ini";
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    std::vector<std::string> lines;
    if (!ReadTextLines(path, lines)) return false;
    table.Lines = std::move(lines);
    table.Exists = true;
    return true;
}

int FindSection(const std::vector<std::string>& lines, std::string_view header) {
    int result = 0;
    const auto last = static_cast<int64_t>(lines.size()) - 1;  // the last line is never tested
    for (int64_t i = 0; i < last; ++i) {
        if (lines[static_cast<size_t>(i)] == header) {
            result = static_cast<int>(i + 1);
            ++i;  // the line right after a matching header is not tested itself
        }
    }
    return result;
}

int FindSection(const TextTable& table, std::string_view header) {
    if (!table.Exists) return 0;
    return FindSection(table.Lines, header);
}

std::string LineValue(std::string_view line) {
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return {};
    return std::string(line.substr(eq + 1));
}

namespace {

// The line at index, or nullptr when index lies outside the table.
const std::string* LineAt(const TextTable& table, int64_t index) {
    if (!table.Exists || index < 0 || index >= static_cast<int64_t>(table.Lines.size())) {
        return nullptr;
    }
    return &table.Lines[static_cast<size_t>(index)];
}

}  // namespace

std::string SectionText(const TextTable& table, std::string_view section, int offset,
                        std::string_view fallback) {
    const int i = FindSection(table, section);
    if (i < 1) return std::string(fallback);
    // An offset past the last line of the file (a section at the end that is
    // shorter than the offsets read from it) shows the built-in text.
    const std::string* line = LineAt(table, int64_t{i} + offset);
    if (line == nullptr) return std::string(fallback);
    return LineValue(*line);
}

std::string SectionText(const TextTable& table, std::string_view section, int offset) {
    const int i = FindSection(table, section);
    // Without the section this reads from the top of the file, as the captions
    // always have; past the end (or without a table) the text is empty.
    const std::string* line = LineAt(table, int64_t{i} + offset);
    if (line == nullptr) return {};
    return LineValue(*line);
}

std::string Text(const TextTable& table, const TextRef& ref) {
    if (ref.HasFallback) return SectionText(table, ref.Section, ref.Offset, ref.Fallback);
    return SectionText(table, ref.Section, ref.Offset);
}
