#pragma once
// Loading of the configuration while the main window is created.

#include "core/SharedState.h"
#include "core/SystemPorts.h"

struct StartupResult {
    bool LanguageLoaded;  // false: the window reports kLanguageFileMissing and ends
    bool ModelLoaded;     // false: the window reports kModelFileMissing and ends
};

// Reads settings.ini (writing it first when missing), the language file and the
// model file, and puts the port and link state in their start values. Both
// files are attempted even when the first is missing, so the window can report
// each of them.
StartupResult LoadConfiguration(SharedState& s, const ProgramPaths& paths);
