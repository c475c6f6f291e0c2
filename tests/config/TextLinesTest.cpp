#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "TempFolder.h"
#include "core/TextLines.h"
#include "core/Windows1252.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

TEST(TextLines, DecodingHonoursByteOrderMarksCodePagesAndLineEnds) {
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"UTF-8 with mark",
         "\xEF\xBB\xBF[Menu]\r\nM0=Caf\xC3\xA9\r\n"s,
         {"[Menu]", "M0=Caf\xC3\xA9"}},
        {"UTF-8 mark alone", "\xEF\xBB\xBF"s, {}},
        {"UTF-8 with mark: a stray byte becomes a replacement character, the rest stays",
         "\xEF\xBB\xBF"
         "Caf\xC3\xA9\n\xE9t\xC3\xA9"s,
         {"Caf\xC3\xA9",
          "\xEF\xBF\xBD"
          "t\xC3\xA9"}},
        {"UTF-8 with mark: a cut sequence, an overlong form and a surrogate are replaced",
         "\xEF\xBB\xBF"
         "a\xE2\x82"
         "b\xC0\xAF"
         "c\xED\xA0\x80"s,
         {"a\xEF\xBF\xBD\xEF\xBF\xBD"
          "b\xEF\xBF\xBD\xEF\xBF\xBD"
          "c\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}},
        {"UTF-16 LE with mark",
         "\xFF\xFE"
         "A\0=\0\xE9\0\r\0\n\0\x3D\xD8\x00\xDE"
         "B\0"s,
         {"A=\xC3\xA9",
          "\xF0\x9F\x98\x80"
          "B"}},
        {"UTF-16 BE with mark",
         "\xFE\xFF"
         "\0A\0=\x20\xAC\0\r\0x"s,
         {"A=\xE2\x82\xAC", "x"}},
        {"UTF-16 unpaired surrogate becomes a replacement character",
         "\xFF\xFE\x00\xD8"
         "A\0"s,
         {"\xEF\xBF\xBD"
          "A"}},
        {"valid UTF-8 without mark", "Caf\xC3\xA9\n\xE2\x82\xAC"s, {"Caf\xC3\xA9", "\xE2\x82\xAC"}},
        {"Windows-1252 without mark",
         "\x80 \xE9 \x9F \x81 \xA0"s,
         {"\xE2\x82\xAC \xC3\xA9 \xC5\xB8 \xC2\x81 \xC2\xA0"}},
        {"one stray byte makes the whole file Windows-1252",
         "Caf\xC3\xA9\n\xE9"s,
         {"Caf\xC3\x83\xC2\xA9", "\xC3\xA9"}},
        {"CR, LF and CR LF all end a line", "a\rb\nc\r\nd"s, {"a", "b", "c", "d"}},
        {"a final line end adds no empty line", "a\r\n"s, {"a"}},
        {"empty lines inside are kept", "a\r\n\r\nb\n\nc\r\rd"s, {"a", "", "b", "", "c", "", "d"}},
        {"LF then CR are two line ends", "a\n\rb"s, {"a", "", "b"}},
        {"an empty line at the end is kept", "a\r\n\r\n"s, {"a", ""}},
        {"an empty file has no lines", ""s, {}},
        {"blank lines only", "\n\n"s, {"", ""}},
    };
    for (const auto& c : cases) {
        const std::vector<std::string> lines = DecodeTextLines(c.bytes);
        EXPECT_EQ(lines, c.lines) << c.name;
        for (const auto& line : lines) EXPECT_TRUE(IsValidUtf8(line)) << c.name;
    }
}

// Files that cannot be read, each made the way a user could meet it.
struct Unreadable {
    const char* name;
    fs::path path;
    TextReadProblem problem;
};

std::vector<Unreadable> UnreadableFiles(const TempFolder& folder) {
    std::vector<Unreadable> files;
    files.push_back({"missing", folder.Path() / "absent.ini", TextReadProblem::Missing});
    fs::create_directories(folder.Path() / "folder.ini" / "inside");
    files.push_back({"a folder", folder.Path() / "folder.ini", TextReadProblem::IsFolder});
    if (fs::exists("/proc/self/mem")) {
        // A plain file on which every read at offset 0 fails with EIO.
        fs::create_symlink("/proc/self/mem", folder.Path() / "eio.ini");
        files.push_back({"an I/O error", folder.Path() / "eio.ini", TextReadProblem::Unreadable});
    }
#ifndef _WIN32
    // Opening a pipe for reading would wait for a writer for ever.
    const fs::path fifo = folder.Path() / "pipe.ini";
    if (mkfifo(fifo.c_str(), 0600) == 0) {
        files.push_back({"a pipe", fifo, TextReadProblem::Unreadable});
    }
#endif
    return files;
}

TEST(TextLines, AFileThatCannotBeReadGivesItsReasonInsteadOfLines) {
    TempFolder folder;
    const auto files = UnreadableFiles(folder);
    ASSERT_GE(files.size(), 3u);
    for (const auto& f : files) {
        const TextFileLines whole = ReadTextLines(f.path);
        EXPECT_FALSE(whole.Ok()) << f.name;
        EXPECT_EQ(whole.Failure.Problem, f.problem) << f.name;
        EXPECT_FALSE(whole.Failure.Reason.empty()) << f.name;
        EXPECT_TRUE(whole.Lines.empty()) << f.name;

        TextLineReader reader(f.path, 100);
        std::string line = "stale";
        EXPECT_FALSE(reader.Next(line)) << f.name;
        EXPECT_EQ(line, "") << f.name;
        EXPECT_FALSE(reader.Ok()) << f.name;
        EXPECT_EQ(reader.Failure().Problem, f.problem) << f.name;
        EXPECT_EQ(reader.Failure().Reason, whole.Failure.Reason) << f.name;
    }
    EXPECT_EQ(ReadTextLines(folder.Path() / "folder.ini").Failure.Reason, "is a folder");
    if (fs::exists(folder.Path() / "eio.ini")) {
        EXPECT_EQ(ReadTextLines(folder.Path() / "eio.ini").Failure.Reason, "Input/output error");
    }
}

TEST(TextLines, AWholeFileAboveItsBoundIsRefused) {
    TempFolder folder;
    const auto path = folder.Write("ten.ini", "1234\r\n6789");  // ten bytes
    EXPECT_TRUE(ReadTextLines(path, 10).Ok());
    EXPECT_EQ(ReadTextLines(path, 10).Lines, (std::vector<std::string>{"1234", "6789"}));
    const TextFileLines over = ReadTextLines(path, 9);
    EXPECT_EQ(over.Failure.Problem, TextReadProblem::TooLarge);
    EXPECT_EQ(over.Failure.Reason, "is larger than 9 bytes");
    EXPECT_TRUE(over.Lines.empty());

    // A sparse file of 1 GiB is refused by its size, without reading it.
    const auto big = folder.Write("big.ini", "");
    fs::resize_file(big, uint64_t{1} << 30);
    EXPECT_EQ(ReadTextLines(big).Failure.Problem, TextReadProblem::TooLarge);
}

std::vector<std::string> AllLines(const fs::path& path, size_t maxLine, LineEnds ends,
                                  TextReadFailure& failure) {
    TextLineReader reader(path, maxLine, ends);
    std::vector<std::string> lines;
    std::string line;
    while (reader.Next(line)) lines.push_back(line);
    failure = reader.Failure();
    return lines;
}

TEST(TextLines, LineByLineReadingEndsLinesAsAskedAndBoundsEachLine) {
    struct Case {
        const char* name;
        std::string bytes;
        LineEnds ends;
        size_t maxLine;
        std::vector<std::string> lines;
        TextReadProblem problem;
    };
    const auto Any = LineEnds::Any;
    const auto Lf = LineEnds::LineFeed;
    const auto None = TextReadProblem::None;
    const auto TooLong = TextReadProblem::LineTooLong;
    const std::vector<Case> cases = {
        {"CR, LF and CR LF", "a\rb\nc\r\nd", Any, 10, {"a", "b", "c", "d"}, None},
        {"only LF ends a line, a CR before it is dropped",
         "a\rb\nc\r\nd",
         Lf,
         10,
         {"a\rb", "c", "d"},
         None},
        {"a final line end adds no empty line", "a\r\n", Any, 10, {"a"}, None},
        {"a final CR LF with LF only", "a\r\n", Lf, 10, {"a"}, None},
        {"a lone CR at the end stays with LF only", "a\r", Lf, 10, {"a\r"}, None},
        {"empty lines are kept", "\n\r\n\r\rx", Any, 10, {"", "", "", "", "x"}, None},
        {"an empty file has no lines", "", Any, 10, {}, None},
        {"bytes are handed out as stored",
         "\xEF\xBB\xBF\xE9\n",
         Any,
         10,
         {"\xEF\xBB\xBF\xE9"},
         None},
        {"a line of exactly the bound", "12345\nx", Any, 5, {"12345", "x"}, None},
        {"a line of exactly the bound before CR LF", "12345\r\nx", Lf, 5, {"12345", "x"}, None},
        {"a last line of exactly the bound", "x\n12345", Any, 5, {"x", "12345"}, None},
        {"a line one byte over the bound ends the reading", "x\n123456\ny", Any, 5, {"x"}, TooLong},
        {"a lone CR counts with LF only", "x\n12345\r6\ny", Lf, 5, {"x"}, TooLong},
        {"a last line one byte over the bound", "x\n123456", Any, 5, {"x"}, TooLong},
        {"a last line with a lone CR one byte over the bound", "x\n12345\r", Lf, 5, {"x"}, TooLong},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        const auto path = folder.Write("lines.txt", c.bytes);
        TextReadFailure failure;
        EXPECT_EQ(AllLines(path, c.maxLine, c.ends, failure), c.lines) << c.name;
        EXPECT_EQ(failure.Problem, c.problem) << c.name;
    }
}

TEST(TextLines, LineEndsSplitAcrossReadBlocksAreFound) {
    // The reader takes the file in blocks; CR LF pairs and lines that straddle a
    // block boundary must come out the same as anywhere else.
    std::string bytes;
    std::vector<std::string> expected;
    for (int i = 0; bytes.size() < 100 * 1024; ++i) {
        std::string line(static_cast<size_t>(i % 700), static_cast<char>('a' + i % 26));
        expected.push_back(line);
        bytes += line + (i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\r" : "\n");
    }
    TempFolder folder;
    const auto path = folder.Write("blocks.txt", bytes);
    TextReadFailure failure;
    EXPECT_EQ(AllLines(path, 1000, LineEnds::Any, failure), expected);
    EXPECT_EQ(failure.Problem, TextReadProblem::None);
}

TEST(TextLines, LineByLineReadingOfAHugeFileTakesOnlyWhatItNeeds) {
    TempFolder folder;
    const auto path = folder.Write("huge.txt", "first\nsecond\n");
    fs::resize_file(path, uint64_t{1} << 30);  // the rest: one gigabyte of zero bytes, sparse

    TextLineReader reader(path, 4096);
    std::string line;
    ASSERT_TRUE(reader.Next(line));
    EXPECT_EQ(line, "first");
    ASSERT_TRUE(reader.Next(line));
    EXPECT_EQ(line, "second");
    EXPECT_FALSE(reader.Next(line));  // the zero bytes make one line far over the bound
    EXPECT_EQ(reader.Failure().Problem, TextReadProblem::LineTooLong);
    EXPECT_EQ(reader.Failure().Reason, "has a line longer than 4096 bytes");
    EXPECT_LT(reader.BytesRead(), 64u * 1024u);
    EXPECT_FALSE(reader.Next(line));  // and it stays ended
}

TEST(TextLines, LineByLineReadingStopsAtItsTotalBound) {
    TempFolder folder;
    const auto path =
        folder.Write("total.txt", std::string(40000, 'x') + "\n" + std::string(40000, 'y') + "\n");
    {
        TextLineReader reader(path, 50000, LineEnds::Any, 80002);  // exactly the file
        std::string line;
        EXPECT_TRUE(reader.Next(line));
        EXPECT_TRUE(reader.Next(line));
        EXPECT_FALSE(reader.Next(line));
        EXPECT_TRUE(reader.Ok());
    }
    TextLineReader reader(path, 50000, LineEnds::Any, 80001);
    std::string line;
    while (reader.Next(line)) {
    }
    EXPECT_EQ(reader.Failure().Problem, TextReadProblem::TooLarge);
    EXPECT_EQ(reader.Failure().Reason, "is larger than 80001 bytes");
    EXPECT_LE(reader.BytesRead(), 80001u);
}

}  // namespace
