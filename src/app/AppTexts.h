#pragma once
// Texts of the main window and its start-up.

#include "core/TextTable.h"

// Shown while the language file itself is missing, so they cannot come from it.
inline constexpr const char* kLanguageFileMissing = "The language file is missing!";
inline constexpr const char* kModelFileMissing = "The MCU configuration file is missing!";

// The program's own update check: no newer version, and a newer one offered
// for download (the version and its date fill the two %s).
inline constexpr const char* kNoUpdate = "No update!";
inline constexpr const char* kUpdateOffered =
    "A newer version of Brevalon Data Manager is available: %s of %s. Open its download page?";

// Captions of the main window and its two buttons. Without a [Menu] section they
// come from the first lines of the file, as they always have.
inline constexpr TextRef kMainCaption{"[Menu]", 0, "", false};
inline constexpr TextRef kUpdateButtonCaption{"[Menu]", 1, "", false};
inline constexpr TextRef kDownloadButtonCaption{"[Menu]", 2, "", false};

// Web links of the logo and the support button, and the update button's failure line.
inline constexpr TextRef kHomePageAddress{"[MAINWEBSITE]", 1, "https://www.brevalon.example/"};
inline constexpr TextRef kUpdateCheckFailed{"[MAINWEBSITE]", 8, "Failed to check for updates."};
inline constexpr TextRef kSupportPageAddress{
    "[MAINWEBSITE]", 10, "https://www.brevalon.example/brevalon-data-manager-support.html"};

inline constexpr TextRef kAppTexts[] = {
    kMainCaption,     kUpdateButtonCaption, kDownloadButtonCaption,
    kHomePageAddress, kUpdateCheckFailed,   kSupportPageAddress,
};
