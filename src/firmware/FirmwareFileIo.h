#pragma once
// Reading and writing the firmware files as lines. Reading never throws; a
// write goes through the core's safe writer, so a failure (a full disk, a lost
// folder) never leaves half a file under the target's name.

#include <filesystem>
#include <string>
#include <vector>

#include "core/Utf8Path.h"

// The lines of a text file, without their line ends (CR LF, LF or CR); a
// byte-order mark selects the encoding. False when the file cannot be read.
bool ReadFirmwareLines(const std::filesystem::path& path, std::vector<std::string>& lines);

// Writes the lines, each followed by CR LF, as UTF-8 without a byte-order mark.
// False when the file could not be written completely; an older file of that
// name is then unchanged and no temporary file is left.
bool WriteLinesWhole(const std::filesystem::path& target, const std::vector<std::string>& lines);

// Creates the folder with its parents; true when it exists afterwards.
bool EnsureFolder(const std::filesystem::path& folder);
