#pragma once
// Text files read as lines: the one way the program reads every file it is given.
// Nothing here throws. A file that is missing, a folder, not a plain file, that
// fails to read (an I/O error, no permission) or is larger than the caller
// allows gives a failure with its reason instead of lines.
//
// Lines come without their line end. A line end is CR LF, LF or CR
// (LineEnds::Any), or only LF and CR LF (LineEnds::LineFeed) for formats in
// which a lone CR belongs to the text. A line end after the last line opens no
// further empty line.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

enum class TextReadProblem : uint8_t {
    None,
    Missing,      // nothing of that name
    IsFolder,     // a folder stands where the file should be
    Unreadable,   // not a plain file, cannot be opened, or a read failed
    TooLarge,     // more bytes than the caller allows
    LineTooLong,  // a line longer than the caller allows (line by line only)
};

enum class LineEnds : uint8_t {
    Any,       // CR LF, LF or CR
    LineFeed,  // LF, with a CR right before it dropped; a lone CR stays in the line
};

// The bound ReadTextLines applies unless told otherwise: configuration and
// firmware files are far smaller.
inline constexpr uint64_t kTextFileMaxBytes = 16u * 1024u * 1024u;

// Why a file gave no lines. Reason is a short English explanation without the
// file name, such as "is a folder" or, for a failed read, the system's own
// words ("Input/output error"); it is empty when Problem is None.
struct TextReadFailure {
    TextReadProblem Problem = TextReadProblem::None;
    std::string Reason;
};

// The whole file as lines.
struct TextFileLines {
    TextReadFailure Failure;
    std::vector<std::string> Lines;  // UTF-8; empty unless Ok()

    bool Ok() const { return Failure.Problem == TextReadProblem::None; }
};

// Decodes a whole text file into lines: a byte-order mark selects UTF-8,
// UTF-16 LE or UTF-16 BE; without one, text that is valid UTF-8 is taken as
// UTF-8 and anything else as Windows-1252. The result is always valid UTF-8:
// malformed sequences after a UTF-8 mark and unpaired UTF-16 surrogates become
// U+FFFD. Lines end at CR LF, LF or CR.
std::vector<std::string> DecodeTextLines(std::string_view bytes);

// Reads and decodes a whole text file (as DecodeTextLines). A file of more than
// maxBytes bytes is refused with TooLarge before its content is held in memory.
TextFileLines ReadTextLines(const std::filesystem::path& path,
                            uint64_t maxBytes = kTextFileMaxBytes);

// Reads a file line by line, holding one line at a time. Lines are the bytes as
// stored (no decoding; meant for 8-bit text such as ASCII or UTF-8). A line
// longer than maxLineBytes ends the reading with LineTooLong; so does reading
// beyond maxTotalBytes with TooLarge.
//
//     TextLineReader reader(path, 4096);
//     std::string line;
//     while (reader.Next(line)) Use(line);
//     if (!reader.Ok()) Report(reader.Failure().Reason);
class TextLineReader {
  public:
    TextLineReader(const std::filesystem::path& path, size_t maxLineBytes,
                   LineEnds ends = LineEnds::Any, uint64_t maxTotalBytes = UINT64_MAX);
    ~TextLineReader();
    TextLineReader(const TextLineReader&) = delete;
    TextLineReader& operator=(const TextLineReader&) = delete;

    // The next line into line. False at the end of the file and on a failure;
    // Ok() tells them apart. After a failure, Next stays false.
    bool Next(std::string& line);

    bool Ok() const { return failure_.Problem == TextReadProblem::None; }
    const TextReadFailure& Failure() const { return failure_; }
    // Bytes taken from the file so far (read ahead in blocks, so at most one
    // block more than the lines handed out).
    uint64_t BytesRead() const { return bytesRead_; }

  private:
    bool Fill();
    void Fail(TextReadProblem problem, std::string reason);
    bool FailLineTooLong(std::string& line);

    std::unique_ptr<std::ifstream> in_;
    size_t maxLineBytes_;
    LineEnds ends_;
    uint64_t maxTotalBytes_;
    std::vector<char> buffer_;
    size_t pos_ = 0;
    size_t end_ = 0;
    uint64_t bytesRead_ = 0;
    bool eof_ = false;
    bool afterCr_ = false;  // the last line ended with a CR (Any): a following LF is its partner
    TextReadFailure failure_;
};
