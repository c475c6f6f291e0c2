#pragma once
// Texts of the firmware files: the web download run, the settings window's
// firmware load and Reload button, and the damaged-sum message of the code
// file reader.

#include "core/TextTable.h"

inline constexpr TextRef kCheckingForUpdates{"[MAINWEBSITE]", 2,
                                             "Checking for updates, please waiting......"};
inline constexpr TextRef kNoInternet{
    "[MAINWEBSITE]", 3,
    "Unable to connect to Internet, or cannot access a BREVALON web site\uFF01"};
inline constexpr TextRef kListFileMissing{"[MAINWEBSITE]", 4, "System file not found."};
inline constexpr TextRef kServerUnreachable{"[MAINWEBSITE]", 5,
                                            "Unable to access the BREVALON server\uFF01"};
inline constexpr TextRef kAllFirmwaresDownloaded{
    "[MAINWEBSITE]", 9, "Successfully download all fimrwares on the BREVALON server!"};

inline constexpr TextRef kReloadFileError{"[Warning]", 0, "File error!"};
inline constexpr TextRef kCopyCodeLoaded{"[Warning]", 35,
                                         "The Copy Code file had been loaded successful!"};
inline constexpr TextRef kCopyCodeFailed{"[Warning]", 36, "Failed to load the copy code file!"};

// A sum line of a code file that is not a hexadecimal number: %s is the file,
// %d the line number as an editor counts it (from 1).
inline constexpr TextRef kCodeFileSumNotHex{
    "[Warning]", 44,
    "The firmware code file %s cannot be read: line %d is not a hexadecimal number."};

// The load at the settings window's creation. The box is the one the file
// rejected gets; a file that is not there at all is only logged, since an
// installation without the maker's firmware has none until the first download.
inline constexpr const char* kCopyCodeMissing = "The Copy Code file is missing!";

inline constexpr TextRef kFirmwareTexts[] = {
    kCheckingForUpdates,     kNoInternet,      kListFileMissing, kServerUnreachable,
    kAllFirmwaresDownloaded, kReloadFileError, kCopyCodeLoaded,  kCopyCodeFailed,
    kCodeFileSumNotHex,
};
