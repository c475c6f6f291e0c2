#pragma once
// File names as the program keeps them: every text is UTF-8, and a path is
// made from it as UTF-8 on every system (on Windows a plain std::string would
// be taken in the ANSI code page).

#include <filesystem>
#include <string>

std::filesystem::path PathFromUtf8(const std::string& name);

// The name a path stands for, in UTF-8.
std::string Utf8FromPath(const std::filesystem::path& path);
