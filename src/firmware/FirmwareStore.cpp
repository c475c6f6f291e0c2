#include "firmware/FirmwareStore.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <system_error>
#include <vector>

#include "config/ModelTable.h"
#include "core/SharedState.h"
#include "core/TextTable.h"
#include "core/Ui.h"
#include "core/WebAccess.h"
#include "firmware/CodeFile.h"
#include "firmware/FirmwareFileIo.h"
#include "firmware/FirmwareTexts.h"

namespace {

bool FileExists(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool IsReservedDeviceName(std::string_view name) {
    // Windows takes these as devices whatever extension follows.
    const std::string base = Upper(name.substr(0, name.find('.')));
    static constexpr std::array<std::string_view, 6> kPlain = {"CON", "PRN",    "AUX",
                                                               "NUL", "CONIN$", "CONOUT$"};
    if (std::find(kPlain.begin(), kPlain.end(), base) != kPlain.end()) return true;
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
           base[3] >= '0' && base[3] <= '9';
}

// The model type an accepted file was filed under: that of its own first line.
uint8_t ModelTypeOfFile(const std::vector<std::string>& lines) {
    return lines.empty() ? 0 : static_cast<uint8_t>(ModelTypeOf(ColonValue(lines[0])));
}

}  // namespace

WebsiteEntry SplitWebsiteEntry(const std::string& line) {
    const auto eq = line.find('=');
    if (eq == std::string::npos) return {"", line};
    return {line.substr(0, eq), line.substr(eq + 1)};
}

bool IsPlainFileName(std::string_view name) {
    if (name.empty() || name.size() > 255 || name == "." || name == "..") return false;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) return false;
        if (std::string_view("/\\:<>\"|?*").find(c) != std::string_view::npos) return false;
    }
    if (name.back() == '.' || name.back() == ' ') return false;
    return !IsReservedDeviceName(name);
}

bool StoreModelFirmware(SharedState& s, const std::filesystem::path& source, uint8_t modelType) {
    if (!s.Firmware.Configured()) return false;
    std::vector<std::string> lines;
    if (!ReadFirmwareLines(source, lines)) return false;
    if (!EnsureFolder(s.Firmware.Store)) return false;
    return WriteLinesWhole(s.Firmware.Store / CodeFileName(modelType), lines);
}

FirmwareLoad LoadModelFirmware(SharedState& s, uint8_t modelType) {
    if (!s.Firmware.Configured()) return FirmwareLoad::Missing;
    const std::string name = CodeFileName(modelType);
    const std::filesystem::path storeFile = s.Firmware.Store / name;
    std::vector<std::string> lines;
    std::filesystem::path read = storeFile;
    if (FileExists(storeFile)) {
        ReadFirmwareLines(storeFile, lines);
    } else {
        const std::filesystem::path factoryFile = s.Firmware.FactoryFolder / name;
        if (!FileExists(factoryFile)) return FirmwareLoad::Missing;
        ReadFirmwareLines(factoryFile, lines);
        // From now on the store's copy is the one used. Should it fail to be
        // written, the factory lines still make the firmware current for now.
        if (EnsureFolder(s.Firmware.Store)) WriteLinesWhole(storeFile, lines);
        read = factoryFile;
    }
    switch (ReadCodeFile(s, lines, Utf8FromPath(read))) {
        case CodeFileRead::Accepted:
            return FirmwareLoad::Loaded;
        case CodeFileRead::Stopped:
            return FirmwareLoad::Stopped;
        case CodeFileRead::Rejected:
            break;
    }
    return FirmwareLoad::Rejected;
}

bool UpdateBrevalonfirmwareFromWebsite(SharedState& s) {
    Ui& ui = s.ui;
    ui.LogLine(Text(s.Texts, kCheckingForUpdates));
    if (s.web == nullptr || !s.web->InternetConnected() || !s.web->NetworkPresent()) {
        ui.LogLine(Text(s.Texts, kNoInternet));
        return false;
    }
    std::vector<std::string> list;
    if (!s.Firmware.Configured() || !FileExists(s.Firmware.ListFile) ||
        !ReadFirmwareLines(s.Firmware.ListFile, list)) {
        ui.LogLine(Text(s.Texts, kListFileMissing));
        return false;
    }
    const std::filesystem::path downloads = s.Firmware.Store / "updates";
    EnsureFolder(downloads);  // a folder that cannot be made fails every download below

    size_t i = static_cast<size_t>(FindSection(list, "[MAINWEBSITE]"));
    bool result = false;
    while (i + 1 < list.size()) {
        ++i;
        const std::string& line = list[i];
        if (line == "[end]") {
            if (result) ui.LogLine(Text(s.Texts, kAllFirmwaresDownloaded));
            break;
        }
        const WebsiteEntry entry = SplitWebsiteEntry(line);
        // A name that is not a plain file name could reach outside the download
        // folder; it fails like a download that failed.
        const bool plain = IsPlainFileName(entry.FileName);
        const std::filesystem::path target = downloads / PathFromUtf8(entry.FileName);
        if (!plain || !s.web->DownloadUrlToFile(entry.Url, target)) {
            ui.LogLine(Text(s.Texts, kServerUnreachable));
            result = false;
            break;
        }
        std::vector<std::string> lines;
        ReadFirmwareLines(target, lines);
        if (ReadCodeFile(s, lines, Utf8FromPath(target)) != CodeFileRead::Accepted) {
            result = false;  // the file stays in the download folder, not filed
            break;
        }
        if (!StoreModelFirmware(s, target, ModelTypeOfFile(lines))) {
            result = false;
            break;
        }
        result = true;
    }
    return result;
}

void LoadFirmwareAtCreation(SharedState& s) {
    switch (LoadModelFirmware(s, 2)) {
        case FirmwareLoad::Loaded:
        case FirmwareLoad::Stopped:  // its message has been shown
            return;
        case FirmwareLoad::Missing:
            s.ui.LogLine(kCopyCodeMissing);
            return;
        case FirmwareLoad::Rejected:
            s.ui.Beep();
            s.ui.MessageBox(kCopyCodeMissing);
            return;
    }
}

bool ReloadCopyCode(SharedState& s, const std::filesystem::path& file,
                    const std::function<void(const std::string&)>& showPath) {
    Ui& ui = s.ui;
    if (!FileExists(file)) {
        ui.Beep();
        ui.MessageBox(Text(s.Texts, kReloadFileError));
        return false;
    }
    ui.ClearCodeFileList();
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(file, ec);
    if (showPath) showPath(Utf8FromPath(ec ? file : full));
    std::vector<std::string> lines;
    ReadFirmwareLines(file, lines);
    const CodeFileRead read = ReadCodeFile(s, lines, Utf8FromPath(file));
    if (read == CodeFileRead::Stopped) return false;  // told in its own box
    if (read == CodeFileRead::Accepted && StoreModelFirmware(s, file, ModelTypeOfFile(lines))) {
        ui.AddCodeFileLine(Text(s.Texts, kCopyCodeLoaded));
        return true;
    }
    ui.AddCodeFileLine(Text(s.Texts, kCopyCodeFailed));
    return false;
}
