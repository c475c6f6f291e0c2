#pragma once
#include <filesystem>

// The per-user data folder (settings.ini and the firmware store): LOCALAPPDATA
// followed by BrevRec when that variable is set and not empty, otherwise
// platformDefault (the caller passes the system's per-user data location, for
// instance ~/.local/share/BrevRec).
std::filesystem::path DataFolderFrom(const char* localAppData,
                                     const std::filesystem::path& platformDefault);
