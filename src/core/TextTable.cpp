#include "core/TextTable.h"

#include <cstdint>

bool LoadTextTable(TextTable& table, const std::filesystem::path& programFolder,
                   TextReadFailure* failure) {
    table.Exists = false;
    table.Lines.clear();
    TextFileLines file = ReadTextLines(programFolder / "settings" / "languages.ini");
    if (failure != nullptr) *failure = file.Failure;
    if (!file.Ok()) return false;
    table.Lines = std::move(file.Lines);
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
