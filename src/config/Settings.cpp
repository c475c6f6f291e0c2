#include "config/Settings.h"

#include <array>
#include <fstream>
#include <system_error>

#include "core/SharedState.h"
#include "core/TextLines.h"
#include "core/TextTable.h"
#include "core/Windows1252.h"

const std::vector<std::string>& DefaultSettingsLines() {
    // "flase" is how these two defaults have always been spelled; any text other
    // than "true" switches a step off, so the spelling is kept for compatibility.
    static const std::vector<std::string> lines = {
        "[System]",
        "Project Name=Brevalon Zet&Kovan Update Utility Software",
        "Model Name=Brevalon Zet",
        "[COMM]",
        "Com_Buadrate=115200",
        "Com_Port=COM3",
        "[FLASHSUG]",
        "EraseUserInformation=false",
        "EraseMain=true",
        "VerifyBlank=flase",
        "WriteCode=true",
        "VerifyCode=true",
        "ReadCode=flase",
        "AutomaticReset=true",
        "MCU Type=STM32",
        "[CodePath]",
        "Path=D:",
        "[Debug]",
        "Debug Mode =true",
        "[END]",
    };
    return lines;
}

namespace {

bool WriteSettingsFile(const std::filesystem::path& path, const std::vector<std::string>& lines) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    for (const auto& line : lines) out << Utf8ToWindows1252(line) << "\r\n";
    out.flush();
    return static_cast<bool>(out);
}

}  // namespace

bool LoadSettings(SharedState& s, const std::filesystem::path& dataFolder) {
    s.DebugMode.store(false);

    const auto path = dataFolder / "settings.ini";
    TextFileLines file = ReadTextLines(path);
    std::vector<std::string> lines;
    if (file.Ok()) {
        lines = std::move(file.Lines);
    } else {
        // A file that cannot be read counts as a missing one, except that it is
        // not written over: it may hold the user's choices and be readable again
        // later. A failed write still leaves the defaults in effect for this run.
        lines = DefaultSettingsLines();
        if (file.Failure.Problem == TextReadProblem::Missing) {
            std::error_code ec;
            std::filesystem::create_directories(dataFolder, ec);
            WriteSettingsFile(path, lines);
        }
    }

    // The switches are taken by position below the header, never by key; a file
    // that ends early leaves the missing switches off and McuType empty.
    const size_t h = static_cast<size_t>(FindSection(lines, "[FLASHSUG]"));
    auto valueAt = [&](size_t k) -> std::string {
        return h + k < lines.size() ? LineValue(lines[h + k]) : std::string();
    };
    const std::array<bool*, 7> switches = {
        &s.Flash.EraseUserInformation, &s.Flash.EraseMain,
        &s.Flash.VerifyBlank,          &s.Flash.WriteCode,
        &s.Flash.VerifyCode,           &s.Flash.ReadCode,
        &s.Flash.AutomaticReset,
    };
    for (size_t k = 0; k < switches.size(); ++k) *switches[k] = valueAt(k) == "true";
    s.Flash.McuType = valueAt(7);
    return true;
}
