#pragma once
// The demo's firmware places: a demo store of its own beside the user's data
// folder (never the user's real store), the demo code files shipped in the
// program's demo/firmware folder as its factory copies, and a demo list that
// fetches those same files through file addresses.

#include "core/FirmwarePlaces.h"
#include "core/SystemPorts.h"

// The folder the shipped demo code files lie in.
std::filesystem::path DemoFirmwareFolder(const ProgramPaths& paths);

// Creates the demo store and writes its list file (replacing an older one
// whole), then returns the demo's places. The list names the three demo code
// files with file addresses.
FirmwarePlaces PrepareDemoFirmware(const ProgramPaths& paths);
