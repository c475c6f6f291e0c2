#include "firmware/CodeFileMake.h"

#include <algorithm>
#include <cstdio>

#include "firmware/CodeFile.h"

namespace {

int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool HexByteAt(const std::string& line, size_t at, uint8_t& value) {
    if (at + 2 > line.size()) return false;
    const int hi = Hex(line[at]);
    const int lo = Hex(line[at + 1]);
    if (hi < 0 || lo < 0) return false;
    value = static_cast<uint8_t>(hi * 16 + lo);
    return true;
}

std::string Trimmed(const std::string& line) {
    size_t a = 0;
    size_t b = line.size();
    while (a < b && static_cast<unsigned char>(line[a]) <= ' ') ++a;
    while (b > a && static_cast<unsigned char>(line[b - 1]) <= ' ') --b;
    return line.substr(a, b - a);
}

// Appends byte at address, starting a new segment where the address jumps.
void Put(CodeImage& image, uint32_t address, uint8_t byte) {
    if (image.Segments.empty() ||
        image.Segments.back().Address + image.Segments.back().Bytes.size() != address) {
        image.Segments.push_back({address, {}});
    }
    image.Segments.back().Bytes.push_back(byte);
}

std::string LineRef(size_t index) {
    return "line " + std::to_string(index + 1);
}

bool HasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

std::string HexText(uint32_t value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", digits, static_cast<unsigned>(value));
    return buffer;
}

}  // namespace

uint64_t CodeImage::ByteCount() const {
    uint64_t n = 0;
    for (const auto& segment : Segments) n += segment.Bytes.size();
    return n;
}

CodeImage BinaryImage(const std::vector<uint8_t>& bytes, uint32_t address) {
    CodeImage image;
    if (!bytes.empty()) image.Segments.push_back({address, bytes});
    return image;
}

bool ParseIntelHex(const std::vector<std::string>& lines, CodeImage& image, std::string& error) {
    image = {};
    uint32_t base = 0;
    bool ended = false;
    for (size_t i = 0; i < lines.size() && !ended; ++i) {
        const std::string line = Trimmed(lines[i]);
        if (line.empty()) continue;
        if (line[0] != ':' || line.size() < 11 || (line.size() - 1) % 2 != 0) {
            error = LineRef(i) + " is not an Intel HEX record";
            return false;
        }
        std::vector<uint8_t> record;
        for (size_t at = 1; at < line.size(); at += 2) {
            uint8_t b = 0;
            if (!HexByteAt(line, at, b)) {
                error = LineRef(i) + " holds a character that is not hexadecimal";
                return false;
            }
            record.push_back(b);
        }
        const size_t length = record[0];
        if (record.size() != length + 5) {
            error = LineRef(i) + " has a wrong record length";
            return false;
        }
        uint8_t sum = 0;
        for (uint8_t b : record) sum = static_cast<uint8_t>(sum + b);
        if (sum != 0) {
            error = LineRef(i) + " has a wrong checksum";
            return false;
        }
        const uint32_t offset = static_cast<uint32_t>(record[1] << 8 | record[2]);
        switch (record[3]) {
            case 0x00:
                for (size_t k = 0; k < length; ++k)
                    Put(image, base + offset + static_cast<uint32_t>(k), record[4 + k]);
                break;
            case 0x01:
                ended = true;
                break;
            case 0x02:
                if (length != 2) {
                    error = LineRef(i) + " is a segment address record of a wrong length";
                    return false;
                }
                base = static_cast<uint32_t>((record[4] << 8 | record[5]) << 4);
                break;
            case 0x04:
                if (length != 2) {
                    error = LineRef(i) + " is a linear address record of a wrong length";
                    return false;
                }
                base = static_cast<uint32_t>(record[4] << 8 | record[5]) << 16;
                break;
            case 0x03:
            case 0x05:
                break;  // start addresses do not belong in the code
            default:
                error = LineRef(i) + " has an unknown record type";
                return false;
        }
        if (image.ByteCount() > kMaxCodeBytes) {
            error = "the code is larger than 16 MiB";
            return false;
        }
    }
    if (!ended) {
        error = "the end-of-file record is missing";
        return false;
    }
    return NormaliseImage(image, error);
}

bool ParseTiTxt(const std::vector<std::string>& lines, CodeImage& image, std::string& error) {
    image = {};
    bool haveAddress = false;
    bool ended = false;
    uint32_t address = 0;
    for (size_t i = 0; i < lines.size() && !ended; ++i) {
        const std::string line = Trimmed(lines[i]);
        if (line.empty()) continue;
        if (line[0] == '@') {
            uint32_t value = 0;
            if (!HexValue32(line.substr(1), value)) {
                error = LineRef(i) + " is not an address line";
                return false;
            }
            address = value;
            haveAddress = true;
            continue;
        }
        if (line == "q" || line == "Q") {
            ended = true;
            continue;
        }
        if (!haveAddress) {
            error = LineRef(i) + ": data before the first address line";
            return false;
        }
        size_t at = 0;
        while (at < line.size()) {
            if (line[at] == ' ' || line[at] == '\t') {
                ++at;
                continue;
            }
            uint8_t b = 0;
            if (!HexByteAt(line, at, b) ||
                (at + 2 < line.size() && line[at + 2] != ' ' && line[at + 2] != '\t')) {
                error = LineRef(i) + " holds something that is not a hexadecimal byte";
                return false;
            }
            Put(image, address++, b);
            at += 2;
        }
        if (image.ByteCount() > kMaxCodeBytes) {
            error = "the code is larger than 16 MiB";
            return false;
        }
    }
    if (!ended) {
        error = "the terminator line q is missing";
        return false;
    }
    return NormaliseImage(image, error);
}

bool NormaliseImage(CodeImage& image, std::string& error) {
    auto& segments = image.Segments;
    segments.erase(std::remove_if(segments.begin(), segments.end(),
                                  [](const CodeSegment& s) { return s.Bytes.empty(); }),
                   segments.end());
    std::stable_sort(
        segments.begin(), segments.end(),
        [](const CodeSegment& a, const CodeSegment& b) { return a.Address < b.Address; });
    std::vector<CodeSegment> joined;
    for (auto& segment : segments) {
        if (!joined.empty()) {
            CodeSegment& last = joined.back();
            const uint64_t end = uint64_t{last.Address} + last.Bytes.size();
            if (segment.Address < end) {
                error = "the code overlaps itself at address " + HexText(segment.Address, 8);
                return false;
            }
            if (segment.Address == end) {
                last.Bytes.insert(last.Bytes.end(), segment.Bytes.begin(), segment.Bytes.end());
                continue;
            }
        }
        if (uint64_t{segment.Address} + segment.Bytes.size() > 0x100000000ull) {
            error = "the code runs past the end of the 32-bit address space";
            return false;
        }
        joined.push_back(std::move(segment));
    }
    segments = std::move(joined);
    return true;
}

bool MakeCodeFile(const CodeFileHeader& header, CodeImage image, std::vector<std::string>& lines,
                  std::string& error) {
    for (const std::string* value :
         {&header.ModelCode, &header.Version, &header.MinHardware, &header.Note, &header.Family}) {
        if (HasLineBreak(*value)) {
            error = "a header value holds a line break";
            return false;
        }
    }
    if (!NormaliseImage(image, error)) return false;
    if (image.ByteCount() > kMaxCodeBytes) {
        error = "the code is larger than 16 MiB";
        return false;
    }
    const bool stm32 = header.Family == "STM32";
    if (stm32 && image.Segments.size() > 1) {
        // The decoded image of an STM32 file holds no addresses: one run of
        // bytes from the first address, gaps filled as erased flash.
        const uint32_t first = image.Segments.front().Address;
        const CodeSegment& lastSegment = image.Segments.back();
        const uint64_t span = uint64_t{lastSegment.Address} + lastSegment.Bytes.size() - first;
        if (span > kMaxCodeBytes) {
            error = "the STM32 code spans more than 16 MiB";
            return false;
        }
        CodeSegment whole{first, std::vector<uint8_t>(static_cast<size_t>(span), 0xFF)};
        for (const auto& segment : image.Segments) {
            std::copy(segment.Bytes.begin(), segment.Bytes.end(),
                      whole.Bytes.begin() + (segment.Address - first));
        }
        image.Segments = {std::move(whole)};
    }

    const uint8_t offset = FamilyOffset(header.Family);
    uint32_t decodedSum = 0;
    uint32_t storedSum = 0;
    std::vector<std::string> body;
    body.reserve(static_cast<size_t>(image.ByteCount() / 16 + 2 * image.Segments.size() + 2));
    static constexpr char kUpperHex[] = "0123456789ABCDEF";
    for (const auto& segment : image.Segments) {
        // Four digits as in TI-TXT, eight where the address needs more.
        body.push_back("@" + HexText(segment.Address, segment.Address > 0xFFFF ? 8 : 4));
        const auto& bytes = segment.Bytes;
        for (size_t at = 0; at < bytes.size(); at += 16) {
            const size_t n = std::min<size_t>(16, bytes.size() - at);
            std::string text(n * 3 - 1, ' ');
            for (size_t k = 0; k < n; ++k) {
                const uint8_t code = bytes[at + k];
                const auto stored = static_cast<uint8_t>(code + offset);
                decodedSum += code;
                storedSum += stored;
                text[3 * k] = kUpperHex[stored >> 4];
                text[3 * k + 1] = kUpperHex[stored & 0x0F];
            }
            body.push_back(std::move(text));
        }
    }
    // Line 8 must be an address line, even for a file without code.
    if (body.empty()) body.push_back("@0000");
    body.push_back("q");

    lines.clear();
    lines.reserve(body.size() + 8);
    lines.push_back("Model:" + header.ModelCode);
    lines.push_back("Firmware Version:" + header.Version);
    lines.push_back("Minimum Hardware:" + header.MinHardware);
    lines.push_back("Note:" + header.Note);
    lines.push_back("Code Sum:" + HexText(decodedSum, 8));
    lines.push_back("File Sum:" + HexText(storedSum, 8));
    lines.push_back("Brevalon firmware code file");
    lines.push_back("MCU:" + header.Family);
    lines.insert(lines.end(), std::make_move_iterator(body.begin()),
                 std::make_move_iterator(body.end()));
    return true;
}
