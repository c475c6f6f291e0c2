#pragma once
// The firmware store: the current firmware code file of each model in the
// per-user store, filled from the maker's web server (the list file names the
// files to fetch) and from the factory copies beside the program; and the two
// firmware actions of the settings window.
//
// The store's places are s.Firmware (the demo has places of its own); the
// network is s.web.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

struct SharedState;

// One entry line of the list file: the text before the first '=' is the file
// name, the text after it the address (taken exactly as written).
struct WebsiteEntry {
    std::string FileName;
    std::string Url;
};
WebsiteEntry SplitWebsiteEntry(const std::string& line);

// Whether name can be used as the name of a file inside the download folder:
// not empty, not "." or "..", no '/', '\\', ':' (drive letters), control
// characters or the characters Windows forbids (<>"|?*), no trailing dot or
// blank, and not a name Windows reserves for a device (CON, PRN, AUX, NUL,
// COM0-9, LPT0-9, with any extension, in any case). The same rule holds on
// every system, since one list file serves them all.
bool IsPlainFileName(std::string_view name);

// Downloads every file the list names into the download folder (the store's
// updates folder), checks each with the code file reader and files it in the
// store under its model's name. Log lines as it goes. True when at least one
// entry was processed and every processed entry was downloaded, accepted and
// filed; the first failure ends the run.
bool UpdateBrevalonfirmwareFromWebsite(SharedState& s);

// How a firmware load went.
enum class FirmwareLoad {
    Loaded,    // found and accepted: it is the current firmware now
    Missing,   // neither the store nor the factory folder has the model's file
    Rejected,  // found but not accepted by the reader
    Stopped,   // found, but a sum line is not hexadecimal (the user has been told)
};

// Makes the model's firmware current: the store's copy, or (the first time)
// the factory copy, which is copied into the store first.
FirmwareLoad LoadModelFirmware(SharedState& s, uint8_t modelType);

// Copies a code file into the store as the model's current file (every line
// kept; replaced only once the copy is complete). False when it could not be
// read or written.
bool StoreModelFirmware(SharedState& s, const std::filesystem::path& source, uint8_t modelType);

// The load of model type 2's firmware at the end of the settings window's
// creation: a rejected file is told with a beep and a box, a missing one with a
// log line.
void LoadFirmwareAtCreation(SharedState& s);

// The Reload button once the user has chosen file: a file that is not there
// gets a beep and a box; otherwise the Code File list is cleared, showPath
// gets the file's full path (the page's path box), the file is read, filed in
// the store when accepted, and the outcome is added to the list. False when it
// was not loaded.
bool ReloadCopyCode(SharedState& s, const std::filesystem::path& file,
                    const std::function<void(const std::string&)>& showPath = {});
