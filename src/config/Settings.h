#pragma once
#include <filesystem>
#include <string>
#include <vector>

struct SharedState;

// The 20 lines written to a missing settings.ini.
const std::vector<std::string>& DefaultSettingsLines();

// Reads dataFolder/settings.ini (writing the defaults first when it is missing,
// creating the folder) and sets the flash switches and McuType from the eight
// lines after [FLASHSUG]. Sets DebugMode off. Returns true.
bool LoadSettings(SharedState& s, const std::filesystem::path& dataFolder);
