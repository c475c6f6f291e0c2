// The firmware code file reader: every rule of the format as one table, then
// the effects on the settings window, the store and the current firmware.

#include <gtest/gtest.h>

#include "firmware/CodeFile.h"
#include "firmware/FirmwareFileIo.h"
#include "firmware/FirmwareFixture.h"

namespace {

enum class Expect { Accepted, Rejected, Stopped };

struct ReaderCase {
    const char* name;
    std::vector<std::string> lines;
    Expect expect;
    std::vector<std::string> image = {};  // the decoded image, when accepted
    std::string imageName = {};           // its file name in the store
    std::string listFirstLine = {};       // the settings list's first line, when accepted
};

std::ostream& operator<<(std::ostream& os, const ReaderCase& c) {
    return os << c.name;
}

// Offsets written out: STM32 0x5A, MSP430 0xA5, any other family 0.
const ReaderCase kCases[] = {
    {"TenLinesOfOnlyAddressAndTerminatorMsp430",
     CodeFile("Q7302", "0", "0", "MSP430", {"@1100", "q"}),
     Expect::Accepted,
     {"@1100", "q"},
     "RAZEncryptioninformation_ZET",
     "Model:ZET"},
    {"TenLinesOfOnlyAddressAndTerminatorStm32LeavesTheAddressOut",
     CodeFile("Q7302", "0", "0", "STM32", {"@08003000", "q"}),
     Expect::Accepted,
     {"q"},
     "RAZEncryptioninformation_ZET",
     "Model:ZET"},
    {"PairsTwelveAndThirtyFourStm32",
     CodeFile("Q7302", "192", "46", "STM32", {"@08003000", "12 34", "q"}),
     Expect::Accepted,
     {"b8 da ", "q"},
     "RAZEncryptioninformation_ZET",
     "Model:ZET"},
    {"PairsTwelveAndThirtyFourMsp430",
     CodeFile("Q7302", "FC", "46", "MSP430", {"@1100", "12 34", "q"}),
     Expect::Accepted,
     {"@1100", "6d 8f ", "q"},
     "RAZEncryptioninformation_ZET",
     "Model:ZET"},
    {"PairsTwelveAndThirtyFourOtherFamilyHasNoOffset",
     CodeFile("Q7302", "46", "46", "AT24", {"@1100", "12 34", "q"}),
     Expect::Accepted,
     {"@1100", "12 34 ", "q"},
     "RAZEncryptioninformation_ZET",
     "Model:ZET"},
    {"FourDigitsWithoutBlankAreOneByte",
     CodeFile("Q7302", "12", "12", "AT24", {"@1100", "1234", "q"}),
     Expect::Accepted,
     {"@1100", "12 ", "q"},
     "RAZEncryptioninformation_ZET",
     "Model:ZET"},
    {"LowerCaseWithTrailingBlank",
     CodeFile("Q7302", "178", "178", "AT24", {"@1100", "ab cd ", "q"}),
     Expect::Accepted,
     {"@1100", "ab cd ", "q"},
     "RAZEncryptioninformation_ZET",
     "Model:ZET"},
    {"LineWithAtAndQIsAnAddressLine",
     CodeFile("Q7302", "0", "0", "MSP430", {"@1100", "@q", "q"}),
     Expect::Accepted,
     {"@1100", "@q", "q"},
     "RAZEncryptioninformation_ZET",
     "Model:ZET"},
    {"LineWithAtAndQIsLeftOutForStm32",
     CodeFile("Q7302", "0", "0", "STM32", {"@08003000", "@q", "q"}),
     Expect::Accepted,
     {"q"},
     "RAZEncryptioninformation_ZET",
     "Model:ZET"},
    {"EmptyDataLineGivesAnEmptyImageLine",
     CodeFile("Q7302", "0", "0", "AT24", {"@1100", "", "q"}),
     Expect::Accepted,
     {"@1100", "", "q"},
     "RAZEncryptioninformation_ZET",
     "Model:ZET"},
    {"CharactersThatAreNotHexDigitsCountZero",
     CodeFile("Q7302", "10", "10", "AT24", {"@1100", "1G zz", "q"}),
     Expect::Accepted,
     {"@1100", "10 00 ", "q"},
     "RAZEncryptioninformation_ZET",
     "Model:ZET"},
    {"SumsInLowerCaseWithLeadingZeros",
     CodeFile("Q7302", "000000ff", "0FF", "AT24", {"@1100", "ff", "q"}),
     Expect::Accepted,
     {"@1100", "ff ", "q"},
     "RAZEncryptioninformation_ZET",
     "Model:ZET"},
    {"MiraxCodeShowsTheModelName",
     CodeFile("Q7301", "0", "0", "MSP430", {"@1100", "q"}),
     Expect::Accepted,
     {"@1100", "q"},
     "RAZEncryptioninformation_MIRAX",
     "Model:MIRAX"},
    {"KovanCodeShowsTheModelName",
     CodeFile("Q7303", "0", "0", "MSP430", {"@1100", "q"}),
     Expect::Accepted,
     {"@1100", "q"},
     "RAZEncryptioninformation_KOVAN",
     "Model:KOVAN"},
    {"UnknownModelKeepsItsCodeAndTheGeneralImageName",
     CodeFile("X9", "0", "0", "MSP430", {"@1100", "q"}),
     Expect::Accepted,
     {"@1100", "q"},
     "RAZEncryptioninformation",
     "Model:X9"},
    {"StoredSumWrong", CodeFile("Q7302", "46", "47", "AT24", {"@1100", "12 34", "q"}),
     Expect::Rejected},
    {"DecodedSumWrongForTheFamily",
     CodeFile("Q7302", "46", "46", "STM32", {"@08003000", "12 34", "q"}), Expect::Rejected},
    {"FamilyComparedCaseSensitively",
     CodeFile("Q7302", "192", "46", "stm32", {"@08003000", "12 34", "q"}), Expect::Rejected},
    {"NineLines", CodeFile("Q7302", "0", "0", "AT24", {"@1100"}), Expect::Rejected},
    {"LineNineWithoutAddress", CodeFile("Q7302", "0", "0", "AT24", {"1100", "q"}),
     Expect::Rejected},
    {"DecodedSumNotHexadecimal", CodeFile("Q7302", "12G4", "0", "AT24", {"@1100", "q"}),
     Expect::Stopped},
    {"StoredSumNotHexadecimal", CodeFile("Q7302", "0", "", "AT24", {"@1100", "q"}),
     Expect::Stopped},
    {"SumWithABlankIsNotHexadecimal", CodeFile("Q7302", "0", " 0", "AT24", {"@1100", "q"}),
     Expect::Stopped},
    {"SumWiderThan32BitsIsNotHexadecimal",
     CodeFile("Q7302", "100000000", "0", "AT24", {"@1100", "q"}), Expect::Stopped},
};

class CodeFileRules : public FirmwareFixture, public ::testing::WithParamInterface<ReaderCase> {};

TEST_P(CodeFileRules, ReadAsTheFormatSays) {
    const ReaderCase& c = GetParam();
    const CodeFileRead read = ReadCodeFile(s, c.lines, "test.txt");
    const auto store = FilesUnder(paths.DataFolder);
    switch (c.expect) {
        case Expect::Accepted: {
            ASSERT_EQ(read, CodeFileRead::Accepted);
            EXPECT_EQ(store, std::vector<std::string>{c.imageName});
            EXPECT_EQ(ReadFile(paths.DataFolder / c.imageName), Joined(c.image));
            ASSERT_FALSE(ui.CodeFileList().empty());
            EXPECT_EQ(ui.CodeFileList().front(), c.listFirstLine);
            break;
        }
        case Expect::Rejected:
            EXPECT_EQ(read, CodeFileRead::Rejected);
            EXPECT_TRUE(store.empty());
            EXPECT_TRUE(ui.CodeFileList().empty());
            EXPECT_TRUE(ui.Of("box").empty());
            break;
        case Expect::Stopped:
            EXPECT_EQ(read, CodeFileRead::Stopped);
            EXPECT_TRUE(store.empty());
            EXPECT_TRUE(ui.CodeFileList().empty());
            EXPECT_EQ(ui.Of("box").size(), 1u);
            break;
    }
    if (c.expect != Expect::Accepted) {
        EXPECT_EQ(s.FirmwareModelType.load(), 0);
        EXPECT_EQ(CurrentFirmwareOf(s).Model, "");
    }
}

INSTANTIATE_TEST_SUITE_P(EveryRule, CodeFileRules, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

using CodeFileReader = FirmwareFixture;

TEST_F(CodeFileReader, AnAcceptedFileFillsTheCodeFilePageInOrderAndSetsTheCurrentFirmware) {
    s.Flash.McuType = "STM32";  // from settings.ini
    const auto lines = CodeFile("Q7301", "FC", "46", "MSP430", {"@1100", "12 34", "q"});
    ASSERT_EQ(ReadCodeFile(s, lines, "m.txt"), CodeFileRead::Accepted);
    std::vector<std::string> effects;
    for (const auto& e : ui.Events()) effects.push_back(e.kind + ":" + e.text);
    // 11 lines: the body lines 8, 9 and 10 put the bar at 81, 90 and 100.
    EXPECT_EQ(effects,
              (std::vector<std::string>{
                  "code-progress:0", "code-progress:81", "code-progress:90", "code-progress:100",
                  "code-progress:0", "code-clear:", "code-line:Model:MIRAX",
                  "code-line:Firmware Version:2.01.006", "code-line:Minimum Hardware:1.000",
                  "code-line:Note:test", "mcu:MSP430"}));
    const CurrentFirmware f = CurrentFirmwareOf(s);
    EXPECT_EQ(f.Model, "Q7301");
    EXPECT_EQ(f.Version, "2.01.006");
    EXPECT_EQ(f.MinHardware, "1.000");
    EXPECT_EQ(f.McuType, "MSP430");
    EXPECT_EQ(f.ModelType, 1);
    EXPECT_EQ(f.Image, paths.DataFolder / "RAZEncryptioninformation_MIRAX");
}

TEST_F(CodeFileReader, TheLabelBeforeTheFirstOccurrenceOfTheModelCodeIsKept) {
    auto lines = CodeFile("Q7302", "0", "0", "AT24", {"@1100", "q"});
    lines[0] = "Brevalon model code:Q7302";
    ASSERT_EQ(ReadCodeFile(s, lines, "z.txt"), CodeFileRead::Accepted);
    EXPECT_EQ(ui.CodeFileList().front(), "Brevalon model code:ZET");
}

TEST_F(CodeFileReader, ARejectedFileLeavesThePreviousFirmwareAndImageInForce) {
    const auto good = CodeFile("Q7302", "46", "46", "AT24", {"@1100", "12 34", "q"});
    ASSERT_EQ(ReadCodeFile(s, good, "good.txt"), CodeFileRead::Accepted);
    const std::string image = ReadFile(paths.DataFolder / "RAZEncryptioninformation_ZET");
    const auto listBefore = ui.CodeFileList();

    auto bad = CodeFile("Q7302", "47", "47", "STM32", {"@1100", "12 35", "q"});
    bad[1] = "Firmware Version:9.99.999";
    EXPECT_EQ(ReadCodeFile(s, bad, "bad.txt"), CodeFileRead::Rejected);
    auto notHex = bad;
    notHex[5] = "File Sum:xyz";
    EXPECT_EQ(ReadCodeFile(s, notHex, "nothex.txt"), CodeFileRead::Stopped);

    EXPECT_EQ(ReadFile(paths.DataFolder / "RAZEncryptioninformation_ZET"), image);
    EXPECT_EQ(CurrentFirmwareOf(s).Version, "2.01.006");
    EXPECT_EQ(CurrentFirmwareOf(s).McuType, "AT24");
    EXPECT_EQ(ui.CodeFileList(), listBefore);
    EXPECT_EQ(ui.Progress().size(), 0u);  // the main window's bar is not the reader's
    EXPECT_EQ(ui.Of("code-progress").back(), "0");
}

TEST_F(CodeFileReader, ASumThatIsNotHexadecimalIsToldOnceNamingTheFileAndTheLine) {
    auto lines = CodeFile("Q7302", "0", "12 34", "AT24", {"@1100", "q"});
    EXPECT_EQ(ReadCodeFile(s, lines, "/tmp/updates/SUGdefaultscf_ZET.txt"), CodeFileRead::Stopped);
    EXPECT_EQ(ui.Of("box"), (std::vector<std::string>{
                                "The firmware code file \"/tmp/updates/SUGdefaultscf_ZET.txt\" "
                                "cannot be read: line 6 is not a hexadecimal number."}));
    EXPECT_EQ(ui.Of("beep").size(), 1u);
}

TEST_F(CodeFileReader, FilesTooShortOrWithoutAddressTouchNothingAtAll) {
    EXPECT_EQ(ReadCodeFile(s, CodeFile("Q7302", "0", "0", "AT24", {"@1100"}), "a"),
              CodeFileRead::Rejected);
    EXPECT_EQ(ReadCodeFile(s, CodeFile("Q7302", "0", "0", "AT24", {"q", "@1100"}), "b"),
              CodeFileRead::Rejected);
    EXPECT_TRUE(ui.Events().empty());
}

TEST_F(CodeFileReader, AWindowsFileReadsTheSameAsOneWithLineFeeds) {
    const auto lines = CodeFile("Q7302", "192", "46", "STM32", {"@08003000", "12 34", "", "q"});
    WriteFile(root / "crlf.txt", Joined(lines, "\r\n"));
    WriteFile(root / "lf.txt", Joined(lines, "\n"));
    std::vector<std::string> crlf;
    std::vector<std::string> lf;
    ASSERT_TRUE(ReadFirmwareLines(root / "crlf.txt", crlf));
    ASSERT_TRUE(ReadFirmwareLines(root / "lf.txt", lf));
    EXPECT_EQ(crlf, lines);
    EXPECT_EQ(lf, lines);
    ASSERT_EQ(ReadCodeFile(s, crlf, "crlf.txt"), CodeFileRead::Accepted);
    EXPECT_EQ(ReadFile(paths.DataFolder / "RAZEncryptioninformation_ZET"), "b8 da \r\n\r\nq\r\n");
}

TEST_F(CodeFileReader, AnImageThatCannotBeWrittenCountsAsRejectedAndChangesNothing) {
    WriteFile(root / "not-a-folder", "x");
    s.Firmware.Store = root / "not-a-folder";  // a file where the store should be
    EXPECT_EQ(ReadCodeFile(s, CodeFile("Q7302", "0", "0", "AT24", {"@1100", "q"}), "f"),
              CodeFileRead::Rejected);
    EXPECT_EQ(CurrentFirmwareOf(s).Model, "");
    EXPECT_TRUE(ui.CodeFileList().empty());
}

TEST(FirmwareFileWrite, ATargetThatCannotBeReplacedStaysAndNoTemporaryFileIsLeft) {
    const auto folder = std::filesystem::temp_directory_path() / "brev-fw-write-test";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "image");  // a folder under the target's name
    EXPECT_FALSE(WriteLinesWhole(folder / "image", {"a", "b"}));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "image"));
    size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++entries;
    EXPECT_EQ(entries, 1u);
    std::filesystem::remove_all(folder);
}

}  // namespace
