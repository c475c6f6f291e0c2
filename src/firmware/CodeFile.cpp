#include "firmware/CodeFile.h"

#include <mutex>

#include "config/ModelTable.h"
#include "core/SharedState.h"
#include "core/Ui.h"
#include "firmware/FirmwareFileIo.h"
#include "firmware/FirmwareTexts.h"

namespace {

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

constexpr char kLowerHex[] = "0123456789abcdef";

void ReplaceFirst(std::string& text, std::string_view what, const std::string& with) {
    const auto at = text.find(what);
    if (at != std::string::npos) text.replace(at, what.size(), with);
}

}  // namespace

uint8_t FamilyOffset(std::string_view family) {
    if (family == "STM32") return kStm32Offset;
    if (family == "MSP430") return kMsp430Offset;
    return 0;
}

std::string ColonValue(std::string_view line) {
    const auto colon = line.find(':');
    if (colon == std::string_view::npos) return {};
    return std::string(line.substr(colon + 1));
}

uint8_t PairByte(std::string_view pair) {
    // Blanks and control characters around the pair do not count.
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!pair.empty() && blank(pair.front())) pair.remove_prefix(1);
    while (!pair.empty() && blank(pair.back())) pair.remove_suffix(1);
    uint32_t value = 0;
    for (char c : pair) {
        // Upper-cased first, so a-f count like A-F; anything else counts 0.
        const int digit = DigitValue(c);
        value = value * 16 + static_cast<uint32_t>(digit < 0 ? 0 : digit);
    }
    return static_cast<uint8_t>(value & 0xFF);
}

void ReadDataLine(std::string_view line, std::vector<uint8_t>& bytes) {
    while (line.size() >= 2) {
        bytes.push_back(PairByte(line.substr(0, 2)));
        if (line.size() > 3) {
            line.remove_prefix(3);
        } else {
            break;
        }
    }
}

bool HexValue32(std::string_view text, uint32_t& value) {
    if (text.empty()) return false;
    uint64_t v = 0;
    for (char c : text) {
        const int digit = DigitValue(c);
        if (digit < 0) return false;
        v = v * 16 + static_cast<uint64_t>(digit);
        if (v > 0xFFFFFFFFull) return false;
    }
    value = static_cast<uint32_t>(v);
    return true;
}

CodeFileDecoding DecodeCodeFile(const std::vector<std::string>& lines,
                                const std::function<void(uint8_t)>& progress) {
    CodeFileDecoding d;
    if (lines.size() < 10) {
        d.Result = CodeFileDecoding::Verdict::TooShort;
        return d;
    }
    if (lines[8].find('@') == std::string::npos) {
        d.Result = CodeFileDecoding::Verdict::NoAddressLine;
        return d;
    }
    if (!HexValue32(ColonValue(lines[4]), d.ExpectedDecodedSum)) {
        d.Result = CodeFileDecoding::Verdict::NotHexadecimal;
        d.BadLine = 4;
        return d;
    }
    if (!HexValue32(ColonValue(lines[5]), d.ExpectedStoredSum)) {
        d.Result = CodeFileDecoding::Verdict::NotHexadecimal;
        d.BadLine = 5;
        return d;
    }
    d.Family = ColonValue(lines[7]);
    d.Offset = FamilyOffset(d.Family);
    const bool stm32 = d.Family == "STM32";

    const size_t count = lines.size();
    d.Image.reserve(count - 8);
    std::vector<uint8_t> bytes;
    int shown = 0;  // the bar stands at 0 when the body starts
    for (size_t i = 8; i < count; ++i) {
        const std::string& line = lines[i];
        if (line.find('@') != std::string::npos) {
            if (!stm32) d.Image.push_back(line);
        } else if (line.find('q') != std::string::npos) {
            d.Image.push_back(line);
        } else {
            bytes.clear();
            ReadDataLine(line, bytes);
            std::string text;
            text.resize(bytes.size() * 3);
            char* out = text.data();
            for (uint8_t b : bytes) {
                d.StoredSum += b;
                const auto decoded = static_cast<uint8_t>(b - d.Offset);
                d.DecodedSum += decoded;
                *out++ = kLowerHex[decoded >> 4];
                *out++ = kLowerHex[decoded & 0x0F];
                *out++ = ' ';
            }
            d.CodeBytes += bytes.size();
            d.Image.push_back(std::move(text));
        }
        const int percent = static_cast<int>((i + 1) * 100 / count);
        if (progress && percent != shown) {
            shown = percent;
            progress(static_cast<uint8_t>(percent));
        }
    }
    if (d.DecodedSum != d.ExpectedDecodedSum || d.StoredSum != d.ExpectedStoredSum) {
        d.Result = CodeFileDecoding::Verdict::SumMismatch;
        d.Image.clear();
        return d;
    }
    d.Result = CodeFileDecoding::Verdict::Accepted;
    return d;
}

std::string RejectionText(const CodeFileDecoding& d, const std::string& fileName) {
    using V = CodeFileDecoding::Verdict;
    switch (d.Result) {
        case V::Accepted:
            return {};
        case V::TooShort:
            return fileName + ": fewer than 10 lines, not a firmware code file.";
        case V::NoAddressLine:
            return fileName + ": line 9 holds no '@' address, not a firmware code file.";
        case V::NotHexadecimal:
            return fileName + ": line " + std::to_string(d.BadLine + 1) +
                   " is not a hexadecimal number.";
        case V::SumMismatch:
            return fileName + ": the sums do not match (decoded " + std::to_string(d.DecodedSum) +
                   ", expected " + std::to_string(d.ExpectedDecodedSum) + "; stored " +
                   std::to_string(d.StoredSum) + ", expected " +
                   std::to_string(d.ExpectedStoredSum) + "), the file is damaged.";
    }
    return {};
}

std::string_view ModelName(int modelType) {
    switch (modelType) {
        case 1:
            return "MIRAX";
        case 2:
            return "ZET";
        case 3:
            return "KOVAN";
        default:
            return {};
    }
}

std::string DecodedImageName(int modelType) {
    const std::string_view name = ModelName(modelType);
    if (name.empty()) return "RAZEncryptioninformation";
    return "RAZEncryptioninformation_" + std::string(name);
}

std::string CodeFileName(int modelType) {
    const std::string_view name = ModelName(modelType);
    if (name.empty()) return "SUGdefaultscf.txt";
    return "SUGdefaultscf_" + std::string(name) + ".txt";
}

CodeFileRead ReadCodeFile(SharedState& s, const std::vector<std::string>& lines,
                          const std::string& fileName) {
    if (lines.size() < 10 || lines[8].find('@') == std::string::npos) return CodeFileRead::Rejected;
    Ui& ui = s.ui;
    ui.SetCodeFileProgress(0);
    const CodeFileDecoding d =
        DecodeCodeFile(lines, [&ui](uint8_t percent) { ui.SetCodeFileProgress(percent); });
    if (d.Result == CodeFileDecoding::Verdict::NotHexadecimal) {
        std::string text = Text(s.Texts, kCodeFileSumNotHex);
        ReplaceFirst(text, "%s", "\"" + fileName + "\"");
        ReplaceFirst(text, "%d", std::to_string(d.BadLine + 1));
        ui.Beep();
        ui.MessageBox(text);
        return CodeFileRead::Stopped;
    }
    if (!d.Accepted()) {
        ui.SetCodeFileProgress(0);
        return CodeFileRead::Rejected;
    }

    const std::string model = ColonValue(lines[0]);
    const int type = ModelTypeOf(model);
    // The image is written before anything else changes: a file whose image
    // cannot be stored leaves the previous firmware in force.
    if (!s.Firmware.Configured() || !EnsureFolder(s.Firmware.Store) ||
        !WriteLinesWhole(s.Firmware.Store / DecodedImageName(type), d.Image)) {
        ui.SetCodeFileProgress(0);
        return CodeFileRead::Rejected;
    }

    ui.SetCodeFileProgress(0);
    ui.ClearCodeFileList();
    const std::string_view name = ModelName(type);
    const std::string label = lines[0].substr(0, lines[0].find(model));
    ui.AddCodeFileLine(label + (name.empty() ? model : std::string(name)));
    ui.AddCodeFileLine(lines[1]);
    ui.AddCodeFileLine(lines[2]);
    ui.AddCodeFileLine(lines[3]);
    const std::string mcuType = ColonValue(lines[7]);
    {
        std::lock_guard lock(s.InfoLock);
        s.FirmwareModel = model;
        s.FirmwareVersion = ColonValue(lines[1]);
        s.FirmwareMinHardware = ColonValue(lines[2]);
        s.Flash.McuType = mcuType;
    }
    ui.SetMcuTypeText(mcuType);
    s.FirmwareModelType.store(static_cast<uint8_t>(type));
    return CodeFileRead::Accepted;
}

CurrentFirmware CurrentFirmwareOf(const SharedState& s) {
    CurrentFirmware f;
    {
        std::lock_guard lock(s.InfoLock);
        f.Model = s.FirmwareModel;
        f.Version = s.FirmwareVersion;
        f.MinHardware = s.FirmwareMinHardware;
        f.McuType = s.Flash.McuType;
    }
    f.ModelType = s.FirmwareModelType.load();
    if (s.Firmware.Configured()) f.Image = s.Firmware.Store / DecodedImageName(f.ModelType);
    return f;
}
