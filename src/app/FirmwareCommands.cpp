#include "app/FirmwareCommands.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <system_error>

#include "app/HeadlessRun.h"
#include "config/ModelTable.h"
#include "firmware/CodeFile.h"
#include "firmware/CodeFileMake.h"
#include "firmware/FirmwareFileIo.h"
#include "firmware/FirmwareStore.h"

const char* const kCodeFileUsage =
    "Usage: brevalon-cli codefile check FILE\n"
    "       brevalon-cli codefile make --model CODE --version V --min-hardware V\n"
    "                    --family FAMILY [--note TEXT] [--format bin|hex|txt]\n"
    "                    [--address HEX] [--force] IMAGE -o FILE\n"
    "\n"
    "check reads a firmware code file and prints its header, MCU family and sums\n"
    "(exit 0 accepted, 8 rejected). make writes a code file from a code image: a\n"
    "plain binary placed at --address (default 0), an Intel HEX file or a TI-TXT\n"
    "file (--format, otherwise taken from the extension: .hex/.ihx Intel HEX, .txt\n"
    "TI-TXT, anything else binary). CODE is the model code (Q7301 MIRAX, Q7302 ZET,\n"
    "Q7303 KOVAN); FAMILY is STM32, MSP430 or another (no offset).\n";

namespace {

std::string Hex8(uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%08X", static_cast<unsigned>(value));
    return buffer;
}

std::string Hex2(uint8_t value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "0x%02X", static_cast<unsigned>(value));
    return buffer;
}

bool ReadBytes(const std::string& file, std::vector<uint8_t>& bytes) {
    std::ifstream in(PathFromUtf8(file), std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

std::string Extension(const std::string& file) {
    std::string ext = PathFromUtf8(file).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

}  // namespace

int RunCodeFileCheck(const std::string& file, std::ostream& out, std::ostream& err) {
    std::vector<std::string> lines;
    if (!ReadFirmwareLines(PathFromUtf8(file), lines)) {
        err << "brevalon-cli: cannot read " << file << '\n';
        return ExitUsage;
    }
    const CodeFileDecoding d = DecodeCodeFile(lines);
    if (lines.size() >= 8) {
        for (size_t i = 0; i < 4; ++i) out << lines[i] << '\n';
        const int type = ModelTypeOf(ColonValue(lines[0]));
        const std::string_view name = ModelName(type);
        out << "Model type: " << type << " (" << (name.empty() ? "none of the three" : name)
            << ")\n";
        out << "MCU family: " << ColonValue(lines[7]) << ", offset "
            << Hex2(FamilyOffset(ColonValue(lines[7]))) << '\n';
    }
    if (d.Result == CodeFileDecoding::Verdict::SumMismatch || d.Accepted()) {
        out << "Code bytes: " << d.CodeBytes << '\n';
        out << "Decoded sum: " << Hex8(d.DecodedSum) << " (line 5 says "
            << Hex8(d.ExpectedDecodedSum) << ")\n";
        out << "Stored sum: " << Hex8(d.StoredSum) << " (line 6 says " << Hex8(d.ExpectedStoredSum)
            << ")\n";
    }
    if (!d.Accepted()) {
        err << "Rejected: " << RejectionText(d, file) << '\n';
        return ExitCodeFileRejected;
    }
    out << "Accepted.\n";
    return ExitOk;
}

int RunCodeFileMake(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CodeFileHeader header;
    std::string format;
    std::string input;
    std::string output;
    std::string address = "0";
    bool force = false;
    bool haveModel = false, haveVersion = false, haveHardware = false, haveFamily = false;
    auto usage = [&](const std::string& problem) {
        err << "brevalon-cli: " << problem << "\n\n" << kCodeFileUsage;
        return ExitUsage;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) return false;
            into = args[++i];
            return true;
        };
        bool ok = true;
        if (arg == "--model") {
            ok = haveModel = value(header.ModelCode);
        } else if (arg == "--version") {
            ok = haveVersion = value(header.Version);
        } else if (arg == "--min-hardware") {
            ok = haveHardware = value(header.MinHardware);
        } else if (arg == "--family") {
            ok = haveFamily = value(header.Family);
        } else if (arg == "--note") {
            ok = value(header.Note);
        } else if (arg == "--format") {
            ok = value(format);
        } else if (arg == "--address") {
            ok = value(address);
        } else if (arg == "-o" || arg == "--output") {
            ok = value(output);
        } else if (arg == "--force") {
            force = true;
        } else if (!arg.empty() && arg[0] == '-') {
            return usage("unknown option '" + arg + "'");
        } else if (input.empty()) {
            input = arg;
        } else {
            return usage("more than one image given");
        }
        if (!ok) return usage(arg + " needs a value");
    }
    if (!haveModel || !haveVersion || !haveHardware || !haveFamily)
        return usage("--model, --version, --min-hardware and --family are all needed");
    if (input.empty() || output.empty()) return usage("an image and -o FILE are needed");
    uint32_t start = 0;
    if (!HexValue32(address, start)) return usage("--address needs a hexadecimal address");
    if (format.empty()) {
        const std::string ext = Extension(input);
        format = (ext == ".hex" || ext == ".ihx") ? "hex" : ext == ".txt" ? "txt" : "bin";
    }
    if (format != "bin" && format != "hex" && format != "txt")
        return usage("--format is bin, hex or txt");

    CodeImage image;
    std::string problem;
    if (format == "bin") {
        std::vector<uint8_t> bytes;
        if (!ReadBytes(input, bytes)) {
            err << "brevalon-cli: cannot read " << input << '\n';
            return ExitUsage;
        }
        if (bytes.size() > kMaxCodeBytes) {
            err << "brevalon-cli: " << input << ": the code is larger than 16 MiB\n";
            return ExitCodeFileRejected;
        }
        image = BinaryImage(bytes, start);
    } else {
        std::vector<std::string> lines;
        if (!ReadFirmwareLines(PathFromUtf8(input), lines)) {
            err << "brevalon-cli: cannot read " << input << '\n';
            return ExitUsage;
        }
        const bool parsed = format == "hex" ? ParseIntelHex(lines, image, problem)
                                            : ParseTiTxt(lines, image, problem);
        if (!parsed) {
            err << "brevalon-cli: " << input << ": " << problem << '\n';
            return ExitCodeFileRejected;
        }
    }
    std::vector<std::string> file;
    if (!MakeCodeFile(header, std::move(image), file, problem)) {
        err << "brevalon-cli: " << problem << '\n';
        return ExitCodeFileRejected;
    }
    std::error_code ec;
    if (!force && std::filesystem::exists(PathFromUtf8(output), ec)) {
        err << "brevalon-cli: " << output << " exists; give --force to replace it\n";
        return ExitFileNotWritten;
    }
    if (!WriteLinesWhole(PathFromUtf8(output), file)) {
        err << "brevalon-cli: " << output << " could not be written\n";
        return ExitFileNotWritten;
    }
    out << "Wrote " << output << ": " << file[4] << ", " << file[5] << '\n';
    return ExitOk;
}

int RunFirmwareFetch(SharedState& s) {
    if (UpdateBrevalonfirmwareFromWebsite(s)) return ExitOk;
    return ExitFetchFailed;
}
