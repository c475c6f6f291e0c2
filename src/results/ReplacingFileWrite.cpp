#include "results/ReplacingFileWrite.h"

#include <fstream>
#include <system_error>

std::filesystem::path PathFromUtf8(const std::string& name) {
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::filesystem::path SavingNameFor(const std::filesystem::path& target) {
    std::filesystem::path name = target.filename();
    name += ".saving";
    return target.parent_path() / name;
}

bool WriteLinesReplacing(const std::filesystem::path& target,
                         const std::vector<std::string>& lines) {
    size_t size = 0;
    for (const auto& line : lines) size += line.size() + 2;
    std::string content;
    content.reserve(size);
    for (const auto& line : lines) {
        content += line;
        content += "\r\n";
    }

    const std::filesystem::path temporary = SavingNameFor(target);
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return false;  // nothing was created, so there is nothing to remove
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();

    std::error_code ec;
    if (out.fail()) {
        std::filesystem::remove(temporary, ec);
        return false;
    }
    std::filesystem::rename(temporary, target, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return false;
    }
    return true;
}
