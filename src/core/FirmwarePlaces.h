#pragma once
// Where the firmware files live: the per-user firmware store, the download list
// and the folder of the factory copies. The installed program uses the data
// folder and its own settings folder; the demo uses places of its own, so that
// nothing of it reaches the user's real store.

#include <filesystem>

#include "core/SystemPorts.h"

struct FirmwarePlaces {
    std::filesystem::path Store;          // FirmwareStore: current code files and decoded images
    std::filesystem::path ListFile;       // website.ini
    std::filesystem::path FactoryFolder;  // factory copies of the firmware code files (read only)

    // False until the composition root has set the places; nothing is read or
    // written then.
    bool Configured() const { return !Store.empty(); }
};

// The installed program's places: the data folder as the store, and the
// settings folder beside the program for the list and the factory copies.
inline FirmwarePlaces InstalledFirmwarePlaces(const ProgramPaths& paths) {
    return {paths.DataFolder, paths.ProgramFolder / "settings" / "website.ini",
            paths.ProgramFolder / "settings"};
}
