#include "firmware/FirmwareFileIo.h"

#include <string>
#include <system_error>

#include "core/SafeFileWrite.h"
#include "core/TextTable.h"

bool ReadFirmwareLines(const std::filesystem::path& path, std::vector<std::string>& lines) {
    TextFileLines file = ReadTextLines(path);
    if (!file.Ok()) return false;
    lines = std::move(file.Lines);
    return true;
}

bool WriteLinesWhole(const std::filesystem::path& target, const std::vector<std::string>& lines) {
    try {
        size_t size = 0;
        for (const auto& line : lines) size += line.size() + 2;
        std::string content;
        content.reserve(size);
        for (const auto& line : lines) {
            content += line;
            content += "\r\n";
        }
        return WriteFileSafely(target, content).Written;
    } catch (...) {
        return false;  // out of memory for the content
    }
}

bool EnsureFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return std::filesystem::is_directory(folder, ec);
}
