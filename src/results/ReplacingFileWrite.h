#pragma once
// Writing a text file so that a failed write never damages the file it was
// meant to replace: the lines go to a temporary file beside the target, which
// is moved into place only once it has been written completely.

#include <filesystem>
#include <string>
#include <vector>

// A path from a UTF-8 file name (the program keeps every text as UTF-8; on
// Windows a plain std::string would be taken in the ANSI code page).
std::filesystem::path PathFromUtf8(const std::string& name);

// The name a path stands for, in UTF-8.
std::string Utf8FromPath(const std::filesystem::path& path);

// The temporary file that WriteLinesReplacing writes before it replaces target:
// the target's name followed by ".saving", in the same folder.
std::filesystem::path SavingNameFor(const std::filesystem::path& target);

// Writes lines as UTF-8 without a byte-order mark, each followed by CR LF.
// False when the file could not be written; an existing target is then
// unchanged and no temporary file is left behind.
bool WriteLinesReplacing(const std::filesystem::path& target,
                         const std::vector<std::string>& lines);
