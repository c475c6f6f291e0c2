#pragma once
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/TextLines.h"

// Loads programFolder/settings/model.ini into table (emptied first). False when
// the file does not exist or cannot be read (a folder, a read error); why is
// then put into *failure when given.
bool LoadModelTable(std::vector<std::string>& table, const std::filesystem::path& programFolder,
                    TextReadFailure* failure = nullptr);

// 1 = MIRAX, 2 = ZET, 3 = KOVAN, 0 = none of these (case-sensitive substring tests).
int ModelTypeOf(std::string_view text);
