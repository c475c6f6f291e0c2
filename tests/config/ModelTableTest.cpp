#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "config/ModelTable.h"
#include "core/TextTable.h"

namespace {

TEST(ModelType, CodesAreTestedBeforeNamesAndTheTestsAreCaseSensitive) {
    struct Case {
        std::string text;
        int expected;
    };
    const std::vector<Case> cases = {
        {"Q7301", 1},
        {"Q7302", 2},
        {"Q7303", 3},
        {"MIRAX", 1},
        {"ZET", 2},
        {"KOVAN", 3},
        {"Q7301-ZET", 1},    // a code beats a name
        {"KOVAN Q7301", 1},  // wherever the code stands
        {"Q7301 Q7302", 2},  // Q7302 is tested first
        {"Q7301 Q7303", 3},  // and Q7303 before Q7301
        {"Q7303 Q7302", 2},
        {"MIRAX ZET", 1},  // MIRAX before ZET
        {"KOVAN ZET", 2},  // ZET before KOVAN
        {"KOVAN MIRAX", 1},
        {"ZETA", 2},  // a substring is enough
        {"BREVALON-KOVAN-2", 3},
        {"zet", 0},
        {"kovan", 0},
        {"q7301", 0},
        {"Q730", 0},
        {"ZE T", 0},
        {"", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ModelTypeOf(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(ModelTable, AMissingFileEmptiesTheTableAndReportsFalse) {
    TempFolder folder;
    std::vector<std::string> table = {"stale"};
    EXPECT_FALSE(LoadModelTable(table, folder.Path()));
    EXPECT_TRUE(table.empty());
}

TEST(ModelTable, AFileThatCannotBeReadCountsAsMissing) {
    TempFolder folder;
    const auto path = folder.Path() / "settings" / "model.ini";
    std::filesystem::create_directories(path / "inside");
    std::vector<std::string> table = {"stale"};
    TextReadFailure why;
    EXPECT_FALSE(LoadModelTable(table, folder.Path(), &why));
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(why.Problem, TextReadProblem::IsFolder);

    if (!std::filesystem::exists("/proc/self/mem")) return;
    std::filesystem::remove_all(path);
    std::filesystem::create_symlink("/proc/self/mem", path);
    table = {"stale"};
    EXPECT_FALSE(LoadModelTable(table, folder.Path(), &why));
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(why.Problem, TextReadProblem::Unreadable);
}

TEST(ModelTable, AnEmptyFileCountsAsPresent) {
    TempFolder folder;
    folder.Write("settings/model.ini", "");
    std::vector<std::string> table = {"stale"};
    EXPECT_TRUE(LoadModelTable(table, folder.Path()));
    EXPECT_TRUE(table.empty());
}

TEST(ModelTable, LinesAreKeptExactlyAsRead) {
    TempFolder folder;
    folder.Write("settings/model.ini", "[STM32]\r\nType=STM32410 \r\n\r\nEnd=0801FFFF");
    std::vector<std::string> table;
    ASSERT_TRUE(LoadModelTable(table, folder.Path()));
    EXPECT_EQ(table, (std::vector<std::string>{"[STM32]", "Type=STM32410 ", "", "End=0801FFFF"}));
}

bool IsHexNumber(const std::string& text) {
    if (text.empty() || text.size() > 8) return false;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

// The installed model.ini: under each MCU family, groups of three lines (device
// type text starting with the family name, start address, end address), with no
// other line in between that would shift the groups.
TEST(ModelTable, TheInstalledFileListsCodeAreasInGroupsOfThree) {
    std::vector<std::string> table;
    ASSERT_TRUE(LoadModelTable(table, BREV_SOURCE_DIR));
    for (const std::string family : {"STM32", "MSP430"}) {
        SCOPED_TRACE(family);
        const int h = FindSection(table, "[" + family + "]");
        ASSERT_GT(h, 0);
        size_t i = static_cast<size_t>(h);
        int groups = 0;
        while (i < table.size() && table[i].rfind('[', 0) != 0) {
            ASSERT_LT(i + 2, table.size()) << "incomplete group at line " << i;
            const std::string type = LineValue(table[i]);
            const std::string start = LineValue(table[i + 1]);
            const std::string end = LineValue(table[i + 2]);
            EXPECT_EQ(type.rfind(family, 0), 0u) << type;
            EXPECT_GT(type.size(), family.size()) << type;
            ASSERT_TRUE(IsHexNumber(start)) << table[i + 1];
            ASSERT_TRUE(IsHexNumber(end)) << table[i + 2];
            EXPECT_LT(std::stoul(start, nullptr, 16), std::stoul(end, nullptr, 16)) << type;
            i += 3;
            ++groups;
        }
        EXPECT_GT(groups, 0);
    }
}

}  // namespace
