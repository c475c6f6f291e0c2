#include "core/TextLines.h"

#include <algorithm>
#include <cerrno>
#include <ios>
#include <new>
#include <system_error>

#include "core/Windows1252.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kBlockBytes = 16 * 1024;

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size());
    const size_t units = bytes.size() / 2;  // a stray odd byte at the end is dropped
    auto unitAt = [&](size_t k) -> char32_t {
        const auto a = static_cast<uint8_t>(bytes[2 * k]);
        const auto b = static_cast<uint8_t>(bytes[2 * k + 1]);
        return bigEndian ? char32_t((a << 8) | b) : char32_t((b << 8) | a);
    };
    for (size_t k = 0; k < units; ++k) {
        char32_t cp = unitAt(k);
        if (cp >= 0xD800 && cp <= 0xDBFF && k + 1 < units) {
            const char32_t low = unitAt(k + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++k;
            }
        }
        AppendUtf8(out, cp);  // an unpaired surrogate becomes U+FFFD
    }
    return out;
}

// The length a UTF-8 sequence starting with lead would have, or 0 for a byte
// that starts none.
size_t Utf8LengthFromLead(uint8_t lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// UTF-8 text with every byte that does not begin a well-formed sequence
// replaced by U+FFFD.
std::string Utf8WithReplacements(std::string_view bytes) {
    if (IsValidUtf8(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    size_t i = 0;
    while (i < bytes.size()) {
        const size_t length = Utf8LengthFromLead(static_cast<uint8_t>(bytes[i]));
        if (length > 0 && i + length <= bytes.size() && IsValidUtf8(bytes.substr(i, length))) {
            out.append(bytes.substr(i, length));
            i += length;
        } else {
            AppendUtf8(out, 0xFFFD);
            ++i;
        }
    }
    return out;
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(text.substr(start, i - start));
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
        ++i;
    }
    // A final line end closes the last line; it does not open an empty one.
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

TextReadFailure Failed(TextReadProblem problem, std::string reason) {
    return TextReadFailure{problem, std::move(reason)};
}

std::string LargerThan(uint64_t maxBytes) {
    return "is larger than " + std::to_string(maxBytes) + " bytes";
}

// Opens path for reading after making sure that it names a plain file, so that
// neither a folder nor a pipe or device (which could block) is read.
TextReadFailure OpenPlainFile(const fs::path& path, std::ifstream& in) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) {
        return Failed(TextReadProblem::Missing, "does not exist");
    }
    if (ec) return Failed(TextReadProblem::Unreadable, ec.message());
    if (fs::is_directory(status)) return Failed(TextReadProblem::IsFolder, "is a folder");
    if (!fs::is_regular_file(status)) {
        return Failed(TextReadProblem::Unreadable, "is not a plain file");
    }
    errno = 0;
    in.open(path, std::ios::binary);
    if (!in.is_open()) {
        const int error = errno;
        return Failed(TextReadProblem::Unreadable,
                      error != 0 ? std::generic_category().message(error) : "cannot be opened");
    }
    return {};
}

// Up to count bytes from in. A failed read is caught here: the file buffer
// reports it by throwing, whatever the stream's exception mask says.
size_t ReadBlock(std::ifstream& in, char* data, size_t count, TextReadFailure& failure) {
    try {
        const std::streamsize got = in.rdbuf()->sgetn(data, static_cast<std::streamsize>(count));
        return got > 0 ? static_cast<size_t>(got) : 0;
    } catch (const std::ios_base::failure& e) {
        failure = Failed(TextReadProblem::Unreadable, e.code().message());
    } catch (const std::exception& e) {
        failure = Failed(TextReadProblem::Unreadable, e.what());
    }
    return 0;
}

}  // namespace

std::vector<std::string> DecodeTextLines(std::string_view bytes) {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        // The mark promises UTF-8; bytes that break the promise do not get through.
        return SplitLines(Utf8WithReplacements(bytes.substr(3)));
    }
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") {
        return SplitLines(Utf16ToUtf8(bytes.substr(2), false));
    }
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF") {
        return SplitLines(Utf16ToUtf8(bytes.substr(2), true));
    }
    // Without a byte-order mark the files were read in the system's ANSI code page
    // (Windows-1252 on the installations this program serves). Files saved by
    // today's editors are UTF-8 without a mark, so text that is valid UTF-8 is
    // taken as UTF-8; only anything else is read as Windows-1252.
    if (IsValidUtf8(bytes)) return SplitLines(bytes);
    return SplitLines(Windows1252ToUtf8(bytes));
}

TextFileLines ReadTextLines(const fs::path& path, uint64_t maxBytes) {
    TextFileLines result;
    try {
        std::ifstream in;
        result.Failure = OpenPlainFile(path, in);
        if (!result.Ok()) return result;

        std::error_code ec;
        const uint64_t size = fs::file_size(path, ec);
        if (!ec && size > maxBytes) {
            result.Failure = Failed(TextReadProblem::TooLarge, LargerThan(maxBytes));
            return result;
        }
        // The size is only a hint (some files report 0, others grow while read):
        // the bound is kept while reading.
        std::string bytes;
        if (!ec) bytes.reserve(static_cast<size_t>(size));
        std::vector<char> block(kBlockBytes);
        while (true) {
            const size_t got = ReadBlock(in, block.data(), block.size(), result.Failure);
            if (!result.Ok()) return result;
            if (got == 0) break;
            if (bytes.size() + got > maxBytes) {
                result.Failure = Failed(TextReadProblem::TooLarge, LargerThan(maxBytes));
                return result;
            }
            bytes.append(block.data(), got);
        }
        result.Lines = DecodeTextLines(bytes);
    } catch (const std::bad_alloc&) {
        result.Lines.clear();
        result.Failure = Failed(TextReadProblem::TooLarge, "does not fit in memory");
    }
    return result;
}

TextLineReader::TextLineReader(const fs::path& path, size_t maxLineBytes, LineEnds ends,
                               uint64_t maxTotalBytes)
    : in_(std::make_unique<std::ifstream>()),
      maxLineBytes_(maxLineBytes),
      ends_(ends),
      maxTotalBytes_(maxTotalBytes),
      buffer_(kBlockBytes) {
    failure_ = OpenPlainFile(path, *in_);
}

TextLineReader::~TextLineReader() = default;

void TextLineReader::Fail(TextReadProblem problem, std::string reason) {
    failure_ = Failed(problem, std::move(reason));
    pos_ = end_ = 0;
}

bool TextLineReader::FailLineTooLong(std::string& line) {
    Fail(TextReadProblem::LineTooLong,
         "has a line longer than " + std::to_string(maxLineBytes_) + " bytes");
    line.clear();
    return false;
}

bool TextLineReader::Fill() {
    if (eof_ || !Ok()) return false;
    const size_t got = ReadBlock(*in_, buffer_.data(), buffer_.size(), failure_);
    if (!Ok()) return false;
    if (got == 0) {
        eof_ = true;
        return false;
    }
    if (bytesRead_ + got > maxTotalBytes_) {
        Fail(TextReadProblem::TooLarge, LargerThan(maxTotalBytes_));
        return false;
    }
    bytesRead_ += got;
    pos_ = 0;
    end_ = got;
    return true;
}

bool TextLineReader::Next(std::string& line) {
    line.clear();
    if (!Ok()) return false;
    // With LineFeed a CR may stand before the LF, so a line may reach one byte
    // over the bound until its end is seen.
    const size_t holdLimit = maxLineBytes_ + (ends_ == LineEnds::LineFeed ? 1 : 0);
    bool started = false;
    while (true) {
        if (pos_ == end_ && !Fill()) {
            if (!Ok()) {
                line.clear();
                return false;
            }
            if (line.size() > maxLineBytes_) return FailLineTooLong(line);
            return started;  // a last line without a line end still counts
        }
        if (afterCr_) {
            afterCr_ = false;
            if (buffer_[pos_] == '\n') {
                ++pos_;  // the LF of a CR LF
                continue;
            }
        }
        const char* first = buffer_.data() + pos_;
        const char* last = buffer_.data() + end_;
        const char* stop =
            ends_ == LineEnds::Any
                ? std::find_if(first, last, [](char c) { return c == '\n' || c == '\r'; })
                : std::find(first, last, '\n');
        const size_t take = static_cast<size_t>(stop - first);
        if (line.size() + take > holdLimit) return FailLineTooLong(line);
        line.append(first, take);
        started = true;
        pos_ += take;
        if (stop == last) continue;

        ++pos_;  // past the line end
        if (*stop == '\r') {
            afterCr_ = true;
        } else if (ends_ == LineEnds::LineFeed && !line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.size() > maxLineBytes_) return FailLineTooLong(line);
        return true;
    }
}
