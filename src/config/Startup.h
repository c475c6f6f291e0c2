#pragma once
// Loading of the configuration while the main window is created.

#include "core/SharedState.h"
#include "core/SystemPorts.h"
#include "core/TextLines.h"

struct StartupResult {
    bool LanguageLoaded;  // false: the window reports kLanguageFileMissing and ends
    bool ModelLoaded;     // false: the window reports kModelFileMissing and ends
    // Why a file was not loaded: missing, or there but unreadable (a folder, a
    // read error). An unreadable file is reported as a missing one.
    TextReadFailure LanguageFailure;
    TextReadFailure ModelFailure;
};

// Reads settings.ini (writing it first when missing), the language file and the
// model file, and puts the port and link state in their start values. A file
// that cannot be read is treated as a missing one; nothing here throws. Both
// files are attempted even when the first is missing, so the window can report
// each of them.
StartupResult LoadConfiguration(SharedState& s, const ProgramPaths& paths);
