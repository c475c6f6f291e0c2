// The shipped settings/languages.ini against every text the program declares.
//
// To check another subsystem's texts, include its texts header below and add
// one line to AllTextLists().

#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "TempFolder.h"
#include "app/AppTexts.h"
#include "core/TextTable.h"
#include "firmware/BootTexts.h"
#include "link/LinkTexts.h"
#include "search/SearchTexts.h"
#include "firmware/FirmwareTexts.h"
#include "results/ResultsTexts.h"
#include "config/SetupTexts.h"
#include "results/ViewTexts.h"

namespace {

struct TextList {
    const char* name;
    std::span<const TextRef> refs;
};

std::vector<TextList> AllTextLists() {
    return {
        {"kAppTexts", kAppTexts},
        {"kLinkTexts", kLinkTexts},
        {"kBootTexts", kBootTexts},
        {"kSearchTexts", kSearchTexts},
        {"kFirmwareTexts", kFirmwareTexts},
        {"kResultsTexts", kResultsTexts},
        {"kSetupTexts", kSetupTexts},
        {"kViewTexts", kViewTexts},
    };
}

// Places where the program uses one (section, offset) with different built-in
// texts. The language file can hold only one of them; any text listed here is
// accepted for the entry, and the file's own choice must be one of them.
struct Alternates {
    std::string_view section;
    int offset;
    std::vector<std::string_view> texts;  // the first is the one the file holds
};

const std::vector<Alternates>& AllowedAlternates() {
    static const std::vector<Alternates> list = {
        // Short-frame error (+ length) and the checksum error line.
        {"[Hint]", 23, {"Error!", "Error", "error"}},
        // Device information and full status label this line differently from
        // the firmware-information report.
        {"[Hint]", 13, {"Model Name:", "Brevalon Model:"}},
        {"[Hint]", 14, {"Software Version:", "Firmware Version:"}},
        // The settings report adds a blank, the full status writes lower case.
        {"[Hint]", 18, {"Current Language:", "Current language:", "Current Language: "}},
        {"[Hint]", 19, {"Current Unit:", "Current Unit: "}},
        // The full status report reads 32 both as its temperature unit and as the
        // short-frame error; the unit is what a user sees in the log.
        {"[Hint]", 32, {" Degree", "Error"}},
        // The operation watchdog and the closing of a silent programming run.
        {"[Warning]", 14, {"Breathalyser not found!", "No found the device!"}},
        // [Warning] 26 ("...instructions below:\r") and 42 ("Firmware Successfully
        // Updated!\r" and without the CR) differ only by a carriage return, which
        // no entry line can hold; they are compared with the CR removed.
    };
    return list;
}

std::string WithoutCarriageReturns(std::string_view text) {
    std::string out(text);
    out.erase(std::remove(out.begin(), out.end(), '\r'), out.end());
    return out;
}

const Alternates* AlternatesFor(const TextRef& ref) {
    for (const auto& a : AllowedAlternates()) {
        if (a.section == ref.Section && a.offset == ref.Offset) return &a;
    }
    return nullptr;
}

bool Listed(const Alternates& a, std::string_view text) {
    return std::find(a.texts.begin(), a.texts.end(), text) != a.texts.end();
}

bool IsHeader(const std::string& line) {
    return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

class ShippedLanguageFile : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(LoadTextTable(table, BREV_SOURCE_DIR)) << "settings/languages.ini missing";
    }

    // The entry line of (section, offset) must exist and be an entry, not a
    // header or a line that the section ran short of.
    void ExpectEntry(std::string_view section, int offset) {
        const int i = FindSection(table, section);
        ASSERT_GT(i, 0) << section << " missing";
        const size_t index = static_cast<size_t>(i + offset);
        ASSERT_LT(index, table.Lines.size()) << section << " " << offset << " beyond the end";
        const std::string& line = table.Lines[index];
        EXPECT_FALSE(IsHeader(line)) << section << " " << offset << " is a header: " << line;
        EXPECT_NE(line.find('='), std::string::npos)
            << section << " " << offset << " is not an entry: " << line;
    }

    TextTable table;
};

TEST_F(ShippedLanguageFile, IsUtf8WithByteOrderMarkAndCrLfLineEnds) {
    const std::string bytes =
        ReadBytes(std::filesystem::path(BREV_SOURCE_DIR) / "settings" / "languages.ini");
    ASSERT_GE(bytes.size(), 3u);
    EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r') {
            ASSERT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "lone CR at byte " << i;
        } else if (bytes[i] == '\n') {
            ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "lone LF at byte " << i;
        }
    }
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
}

TEST_F(ShippedLanguageFile, HasEverySectionWithAllItsEntries) {
    const struct {
        std::string_view section;
        int highestOffset;
    } sections[] = {
        {"[Menu]", 2},     {"[ViewFormMenu]", 2}, {"[RecordTitle]", 8},  {"[RecordContent]", 10},
        {"[Warning]", 43}, {"[Hint]", 62},        {"[RAZHint]", 27},     {"[Form2Menu]", 12},
        {"[Help]", 5},     {"[Language]", 0},     {"[MAINWEBSITE]", 10},
    };
    for (const auto& s : sections) {
        for (int offset = 0; offset <= s.highestOffset; ++offset) ExpectEntry(s.section, offset);
    }
}

TEST_F(ShippedLanguageFile, NamesItsLanguageAndTheMainWindowCaptions) {
    EXPECT_EQ(SectionText(table, "[Language]", 0), "English");
    EXPECT_EQ(Text(table, kMainCaption), "Brevalon\u00AE Data Manager");
    EXPECT_EQ(Text(table, kUpdateButtonCaption), "Check for Updates and Install");
    EXPECT_EQ(Text(table, kDownloadButtonCaption), "Download Previous Results");
}

TEST_F(ShippedLanguageFile, AgreesWithEveryDeclaredFallback) {
    for (const auto& list : AllTextLists()) {
        for (const TextRef& ref : list.refs) {
            SCOPED_TRACE(std::string(list.name) + " " + std::string(ref.Section) + " " +
                         std::to_string(ref.Offset));
            ExpectEntry(ref.Section, ref.Offset);
            if (!ref.HasFallback) continue;
            const std::string expected = WithoutCarriageReturns(ref.Fallback);
            const std::string actual = Text(table, ref);
            if (actual == expected) continue;
            const Alternates* alternates = AlternatesFor(ref);
            if (alternates == nullptr) {
                ADD_FAILURE() << "file has \"" << actual << "\", fallback is \"" << expected
                              << "\"";
                continue;
            }
            EXPECT_TRUE(Listed(*alternates, expected))
                << "unlisted fallback \"" << expected << "\"";
            EXPECT_TRUE(Listed(*alternates, actual)) << "unlisted file text \"" << actual << "\"";
        }
    }
}

TEST_F(ShippedLanguageFile, HoldsTheFirstOfEachListedAlternative) {
    for (const auto& a : AllowedAlternates()) {
        EXPECT_EQ(SectionText(table, a.section, a.offset, "<missing>"), a.texts.front())
            << a.section << " " << a.offset;
    }
}

}  // namespace
