#pragma once
#include <QString>
#include <filesystem>

#include "core/SystemPorts.h"

// The program folder (the executable's folder) and the per-user data folder
// (LOCALAPPDATA/BrevRec when that is set, otherwise the system's per-user data
// location followed by BrevRec). Needs a QCoreApplication.
ProgramPaths PlatformPaths();

// A file-system path from a Qt path text, without loss on any platform.
std::filesystem::path ToPath(const QString& text);
QString FromPath(const std::filesystem::path& path);
