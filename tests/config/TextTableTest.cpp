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

TEST(TextTable, ALanguageFileThatCannotBeReadIsLikeAMissingOne) {
    TempFolder folder;
    std::filesystem::create_directories(folder.Path() / "settings" / "languages.ini" / "x");
    TextTable table = Loaded({"old"});
    TextReadFailure why;
    EXPECT_FALSE(LoadTextTable(table, folder.Path(), &why));
    EXPECT_FALSE(table.Exists);
    EXPECT_TRUE(table.Lines.empty());
    EXPECT_EQ(why.Problem, TextReadProblem::IsFolder);
    EXPECT_EQ(Text(table, TextRef{"[Hint]", 0, "fb"}), "fb");

    if (!std::filesystem::exists("/proc/self/mem")) return;
    std::filesystem::remove_all(folder.Path() / "settings" / "languages.ini");
    std::filesystem::create_symlink("/proc/self/mem", folder.Path() / "settings" / "languages.ini");
    EXPECT_FALSE(LoadTextTable(table, folder.Path(), &why));
    EXPECT_FALSE(table.Exists);
    EXPECT_EQ(why.Problem, TextReadProblem::Unreadable);
    EXPECT_EQ(why.Reason, "Input/output error");
}

TEST(TextTable, ALanguageFileWithAMarkAndInvalidBytesGivesOnlyValidTexts) {
    TempFolder folder;
    folder.Write("settings/languages.ini", "\xEF\xBB\xBF[Hint]\r\nH0=Caf\xE9 \xC3\xA9\r\nx\r\n");
    TextTable table;
    ASSERT_TRUE(LoadTextTable(table, folder.Path()));
    EXPECT_EQ(Text(table, TextRef{"[Hint]", 0, "fb"}), "Caf\xEF\xBF\xBD \xC3\xA9");
}

}  // namespace
