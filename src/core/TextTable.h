#pragma once
// The language file as a table of lines. A text is addressed by its section
// header and the line offset below it; the text is what follows the first "=".

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/TextLines.h"

struct TextTable {
    bool Exists = false;             // false until a language file has been loaded
    std::vector<std::string> Lines;  // UTF-8, exactly as read (no trimming)
};

// One use of a text: section header, offset below it, and the built-in text
// shown when the section is missing. Uses without a fallback read from the top
// of the file when the section is missing.
struct TextRef {
    std::string_view Section;
    int Offset = 0;
    std::string_view Fallback;
    bool HasFallback = true;
};

// Reads programFolder/settings/languages.ini. False (and no table) when it is
// missing or cannot be read; why is then put into *failure when given.
bool LoadTextTable(TextTable& table, const std::filesystem::path& programFolder,
                   TextReadFailure* failure = nullptr);

int FindSection(const std::vector<std::string>& lines, std::string_view header);
int FindSection(const TextTable& table, std::string_view header);
std::string LineValue(std::string_view line);
std::string SectionText(const TextTable& table, std::string_view section, int offset,
                        std::string_view fallback);
// The form without a fallback.
std::string SectionText(const TextTable& table, std::string_view section, int offset);
std::string Text(const TextTable& table, const TextRef& ref);
