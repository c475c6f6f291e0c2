#include "firmware/FirmwareFileIo.h"

#include <fstream>
#include <functional>
#include <string>
#include <system_error>
#include <thread>

#include "core/TextTable.h"

bool ReadFirmwareLines(const std::filesystem::path& path, std::vector<std::string>& lines) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    try {
        return ReadTextLines(path, lines);
    } catch (...) {
        // Out of memory on a huge file, or a stream that throws: not readable.
        return false;
    }
}

std::filesystem::path PartialNameFor(const std::filesystem::path& target) {
    std::filesystem::path name = target.filename();
    name += ".part-" + std::to_string(std::hash<std::thread::id>{}(std::this_thread::get_id()) % 1000000);
    return target.parent_path() / name;
}

bool WriteLinesWhole(const std::filesystem::path& target, const std::vector<std::string>& lines) {
    const std::filesystem::path temporary = PartialNameFor(target);
    std::error_code ec;
    try {
        size_t size = 0;
        for (const auto& line : lines) size += line.size() + 2;
        std::string content;
        content.reserve(size);
        for (const auto& line : lines) {
            content += line;
            content += "\r\n";
        }
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            if (!out) return false;
            out.write(content.data(), static_cast<std::streamsize>(content.size()));
            out.close();
            if (out.fail()) {
                std::filesystem::remove(temporary, ec);
                return false;
            }
        }
        std::filesystem::rename(temporary, target, ec);
        if (ec) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
        return true;
    } catch (...) {
        std::filesystem::remove(temporary, ec);
        return false;
    }
}

bool EnsureFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return std::filesystem::is_directory(folder, ec);
}

std::filesystem::path PathOfUtf8(const std::string& name) {
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

std::string Utf8OfPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}
