#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempFolder.h"
#include "core/TextTable.h"

namespace {

TextTable Loaded(std::vector<std::string> lines) {
    return TextTable{true, std::move(lines)};
}

struct LookupCase {
    const char* name;
    TextTable table;
    TextRef ref;
    std::string expected;
};

// A TextRef whose use has no built-in text.
constexpr TextRef NoFallback(std::string_view section, int offset) {
    return TextRef{section, offset, "", false};
}

TEST(TextTable, LookupFollowsTheSectionRulesAndNeverReadsOutsideTheTable) {
    const std::vector<std::string> menuless = {"[Hint]", "Line0=Ready", "Line1=Busy"};
    const std::vector<LookupCase> cases = {
        {"a duplicate header: the later one wins",
         Loaded({"[Hint]", "H0=first", "[Hint]", "H0=second"}),
         {"[Hint]", 0, "fb"},
         "second"},
        {"a header on the last line is never found",
         Loaded({"[Menu]", "M0=Main", "[Warning]"}),
         {"[Warning]", 0, "Warning fallback"},
         "Warning fallback"},
        {"a header in lower case is not found",
         Loaded({"[hint]", "H0=lower"}),
         {"[Hint]", 0, "fb"},
         "fb"},
        {"a header with a trailing blank is not found",
         Loaded({"[Hint] ", "H0=blank"}),
         {"[Hint]", 0, "fb"},
         "fb"},
        {"a header with a leading blank is not found",
         Loaded({" [Hint]", "H0=blank"}),
         {"[Hint]", 0, "fb"},
         "fb"},
        {"two identical headers in a row: offset 0 is the second header",
         Loaded({"[Menu]", "[Menu]", "M0=Main", "M1=Update"}), NoFallback("[Menu]", 0), ""},
        {"two identical headers in a row: offset 1 is the first entry",
         Loaded({"[Menu]", "[Menu]", "M0=Main", "M1=Update"}), NoFallback("[Menu]", 1), "Main"},
        {"further equals signs stay in the text",
         Loaded({"[Hint]", "Title=A=B"}),
         {"[Hint]", 0, "fb"},
         "A=B"},
        {"an entry with nothing after the equals sign is empty",
         Loaded({"[Hint]", "Title="}),
         {"[Hint]", 0, "fb"},
         ""},
        {"an entry without a key still gives its text",
         Loaded({"[Hint]", "=Text"}),
         {"[Hint]", 0, "fb"},
         "Text"},
        {"an entry line without an equals sign is empty",
         Loaded({"[Hint]", "no equals here", "x"}),
         {"[Hint]", 0, "fb"},
         ""},
        {"blanks around the text are kept",
         Loaded({"[RecordContent]", "C0= mg/l ", "x"}),
         {"[RecordContent]", 0, "fb"},
         " mg/l "},
        {"a missing section gives the fallback",
         Loaded(menuless),
         {"[Warning]", 3, "Warning fallback"},
         "Warning fallback"},
        {"a missing section without fallback reads line 0 of the file", Loaded(menuless),
         NoFallback("[Menu]", 0), ""},
        {"a missing section without fallback reads line 1 of the file", Loaded(menuless),
         NoFallback("[Menu]", 1), "Ready"},
        {"a missing section without fallback reads line 2 of the file", Loaded(menuless),
         NoFallback("[Menu]", 2), "Busy"},
        {"an offset beyond the end gives the fallback",
         Loaded({"[Hint]", "H0=only", "H1=two"}),
         {"[Hint]", 5, "fb"},
         "fb"},
        {"an offset beyond the end without fallback is empty",
         Loaded({"[Hint]", "H0=only", "H1=two"}), NoFallback("[Hint]", 5), ""},
        {"a missing section without fallback beyond a short file is empty", Loaded({"A=1"}),
         NoFallback("[Menu]", 2), ""},
        {"a negative offset never reads before the table", Loaded({"[Hint]", "H0=x", "H1=y"}),
         NoFallback("[Hint]", -5), ""},
        {"a table that was not loaded gives the fallback", TextTable{}, {"[Hint]", 0, "fb"}, "fb"},
        {"a table that was not loaded gives the empty text without fallback", TextTable{},
         NoFallback("[Menu]", 0), ""},
        {"lines left over in a table that was not loaded are not used",
         TextTable{false, {"[Hint]", "H0=stale", "x"}},
         {"[Hint]", 0, "fb"},
         "fb"},
        {"an empty file gives the fallback", Loaded({}), {"[Hint]", 0, "fb"}, "fb"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Text(c.table, c.ref), c.expected) << c.name;
    }
}

TEST(TextTable, FindSectionGivesTheLineAfterTheLastHeaderAndZeroWhenMissing) {
    struct Case {
        std::vector<std::string> lines;
        int expected;
    };
    const std::vector<Case> cases = {
        {{"[Hint]", "H0=a"}, 1},
        {{"x", "[Hint]", "H0=a", "[Hint]", "H0=b"}, 4},
        {{"[Hint]", "[Hint]", "[Hint]", "x"}, 3},  // the second is skipped, the third found
        {{"[Hint]"}, 0},
        {{"x", "[Hint]"}, 0},
        {{}, 0},
        {{"[HINT]", "x"}, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindSection(c.lines, "[Hint]"), c.expected) << ::testing::PrintToString(c.lines);
    }
}

TEST(TextTable, SectionTextFormsAgreeWithText) {
    const TextTable t = Loaded({"[Hint]", "H0=Ready", "H1=Busy"});
    EXPECT_EQ(SectionText(t, "[Hint]", 1, "fb"), "Busy");
    EXPECT_EQ(SectionText(t, "[Hint]", 1), "Busy");
    EXPECT_EQ(SectionText(t, "[Warning]", 0, "fb"), "fb");
    EXPECT_EQ(SectionText(t, "[Warning]", 1), "Ready");
    EXPECT_EQ(LineValue("Key=Value=More"), "Value=More");
    EXPECT_EQ(LineValue("NoEquals"), "");
}

TEST(TextTable, DecodingHonoursByteOrderMarksCodePagesAndLineEnds) {
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> lines;
    };
    using namespace std::string_literals;
    const std::vector<Case> cases = {
        {"UTF-8 with mark",
         "\xEF\xBB\xBF[Menu]\r\nM0=Caf\xC3\xA9\r\n"s,
         {"[Menu]", "M0=Caf\xC3\xA9"}},
        {"UTF-8 mark alone", "\xEF\xBB\xBF"s, {}},
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
        EXPECT_EQ(DecodeTextLines(c.bytes), c.lines) << c.name;
    }
}

TEST(TextTable, LoadingReadsSettingsLanguagesIniBesideTheProgram) {
    TempFolder folder;
    TextTable table = Loaded({"old"});
    EXPECT_FALSE(LoadTextTable(table, folder.Path()));
    EXPECT_FALSE(table.Exists);
    EXPECT_TRUE(table.Lines.empty());
    EXPECT_EQ(Text(table, TextRef{"[Hint]", 0, "fb"}), "fb");

    folder.Write("settings/languages.ini", "\xEF\xBB\xBF[Hint]\r\nH0=Ready\r\n");
    ASSERT_TRUE(LoadTextTable(table, folder.Path()));
    EXPECT_TRUE(table.Exists);
    EXPECT_EQ(table.Lines, (std::vector<std::string>{"[Hint]", "H0=Ready"}));
    // The header stands on the last line but one, so it is found.
    EXPECT_EQ(Text(table, TextRef{"[Hint]", 0, "fb"}), "Ready");
}

TEST(TextTable, ReadTextLinesFailsForAMissingFile) {
    TempFolder folder;
    std::vector<std::string> lines = {"kept"};
    EXPECT_FALSE(ReadTextLines(folder.Path() / "nothing.ini", lines));
    EXPECT_EQ(lines, std::vector<std::string>{"kept"});
}

}  // namespace
