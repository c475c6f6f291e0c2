#include "config/ModelTable.h"

#include "core/TextTable.h"

bool LoadModelTable(std::vector<std::string>& table, const std::filesystem::path& programFolder,
                    TextReadFailure* failure) {
    table.clear();
    TextFileLines file = ReadTextLines(programFolder / "settings" / "model.ini");
    if (failure != nullptr) *failure = file.Failure;
    if (!file.Ok()) return false;
    table = std::move(file.Lines);
    return true;
}

int ModelTypeOf(std::string_view text) {
    // The model codes come first, so a code beats a name that happens to follow it
    // (Q7301-ZET is a MIRAX).
    if (text.find("Q7302") != std::string_view::npos) return 2;
    if (text.find("Q7303") != std::string_view::npos) return 3;
    if (text.find("Q7301") != std::string_view::npos) return 1;
    if (text.find("MIRAX") != std::string_view::npos) return 1;
    if (text.find("ZET") != std::string_view::npos) return 2;
    if (text.find("KOVAN") != std::string_view::npos) return 3;
    return 0;
}
