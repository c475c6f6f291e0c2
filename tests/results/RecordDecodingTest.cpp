#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/TextTable.h"
#include "results/RecordDecoding.h"
#include "results/ResultsTexts.h"

namespace {

// A record line as the download writes it: every frame byte as two upper-case
// hex digits and a blank, then the free text of the record.
std::string RecordLine(const std::vector<uint8_t>& bytes, const std::string& tail = "") {
    std::string line;
    char pair[4];
    for (uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%02X ", b);
        line += pair;
    }
    return line + tail;
}

const TextTable kNoTexts;  // every text takes its built-in form

struct RowCase {
    const char* what;
    uint8_t mode;  // frame byte 5: unit code, result kind, test type
    uint8_t readingHigh, readingLow;
    const char* modeText;
    const char* result;
    const char* mark;
};

// Record 1 of 05/03/2016 09:05:30 with the given mode byte and reading.
std::vector<uint8_t> Frame(uint8_t mode, uint8_t readingHigh, uint8_t readingLow) {
    return {0x00, 0x20, 0x84, 0x00, 0x01, mode, readingHigh, readingLow, 0x09, 0x05,
            0x1E, 0x07, 0xE0, 0x03, 0x05, 0x00, 0x00, 0x19, 0x00};
}

class RecordRowFormatting : public ::testing::TestWithParam<RowCase> {};

TEST_P(RecordRowFormatting, ShowsModeResultAndColour) {
    const RowCase& c = GetParam();
    const ResultsGrid grid = ShowRecords(
        {RecordLine(Frame(c.mode, c.readingHigh, c.readingLow), "free text")}, kNoTexts, false);
    ASSERT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.Cell(2, 1), c.modeText);
    EXPECT_EQ(grid.Cell(3, 1), c.result);
    EXPECT_EQ(grid.Mark(1), c.mark);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, RecordRowFormatting,
    ::testing::Values(
        RowCase{"MgPerLitreHasTwoDecimals", 0x00, 0x04, 0xD2, "Active Test", "1.23 mg/l", "clred"},
        RowCase{"UgPer100mlIsWhole", 0x10, 0x01, 0x63, "Active Test", "35 ug/100ml", "clred"},
        RowCase{"PercentHasThreeDecimals", 0x20, 0x03, 0x20, "Active Test", "0.080 %", "clred"},
        RowCase{"PerMilleHasTwoDecimals", 0x30, 0x00, 0x55, "Active Test", "0.08 Per mille", "clred"},
        RowCase{"UnitCode4IsMgPer100ml", 0x40, 0x01, 0x64, "Active Test", "35 mg/100ml", "clred"},
        RowCase{"UnitCode9IsMgPer100ml", 0x90, 0x01, 0x64, "Active Test", "35 mg/100ml", "clred"},
        RowCase{"ReadingZeroIsGreen", 0x00, 0x00, 0x00, "Active Test", "0.00 mg/l", "clgreen"},
        RowCase{"ReadingFiveShowsZeroButIsRed", 0x00, 0x00, 0x05, "Active Test", "0.00 mg/l", "clred"},
        RowCase{"QuickYesNoFiveIsNoAlcoholInRed", 0x05, 0x00, 0x05, "Quick Test", "No Alcohol", "clred"},
        RowCase{"QuickYesNoSixIsAlcoholInRed", 0x05, 0x00, 0x06, "Quick Test", "Alcohol", "clred"},
        RowCase{"QuickYesNoZeroIsNoAlcoholInGreen", 0x05, 0x00, 0x00, "Quick Test", "No Alcohol", "clgreen"},
        RowCase{"PassiveYesNoShowsTheWord", 0x06, 0x00, 0x10, "Passive Test", "Alcohol", "clred"},
        RowCase{"ActiveTestType0IgnoresYesNoFlag", 0x04, 0x04, 0xD2, "Active Test", "1.23 mg/l", "clred"},
        RowCase{"ActiveTestType3IgnoresYesNoFlag", 0x07, 0x04, 0xD2, "Active Test", "1.23 mg/l", "clred"},
        RowCase{"QuickTestWithResultKind2IsNumeric", 0x09, 0x04, 0xD2, "Quick Test", "1.23 mg/l", "clred"}),
    [](const ::testing::TestParamInfo<RowCase>& info) { return std::string(info.param.what); });
// clang-format on

TEST(RecordDecoding, BadHexPairsDoNotStopTheRowAndCountAsZero) {
    // "ZZ" in the reading and "G1" in the counter: both read as 0.
    std::string line = RecordLine({0x00, 0x20, 0x84, 0x00, 0x07, 0x00, 0x04, 0xD2, 0x09, 0x05,
                                   0x1E, 0x07, 0xE0, 0x03, 0x05, 0x00, 0x00, 0x19, 0x00});
    line.replace(12, 2, "G1");  // counter low byte
    line.replace(18, 2, "ZZ");  // reading high byte
    const ResultsGrid grid = ShowRecords({line}, kNoTexts, false);
    ASSERT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.Cell(1, 1), "0");
    EXPECT_EQ(grid.Cell(3, 1), "0.21 mg/l");  // 0x00D2 = 210
}

TEST(RecordDecoding, CounterDateAndTimeAreShownWithLeadingZeros) {
    const std::vector<std::string> lines = {
        RecordLine({0x00, 0x20, 0x84, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x09, 0x05, 0x1E, 0x07, 0xE0,
                    0x03, 0x05, 0x00, 0x00, 0x19, 0x00}),
        RecordLine({0x00, 0x20, 0x84, 0x01, 0x00, 0x00, 0x00, 0x00, 0x63, 0x00, 0x00, 0x00, 0x07,
                    0x0C, 0x1F, 0x00, 0x00, 0x19, 0x00}),
    };
    const ResultsGrid grid = ShowRecords(lines, kNoTexts, false);
    ASSERT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(grid.Cell(1, 1), "65535");
    EXPECT_EQ(grid.Cell(4, 1), "05/03/2016");
    EXPECT_EQ(grid.Cell(5, 1), "09:05:30");
    EXPECT_EQ(grid.Cell(1, 2), "256");
    EXPECT_EQ(grid.Cell(4, 2), "31/12/7");    // taken as they come, no range limits
    EXPECT_EQ(grid.Cell(5, 2), "99:00:00");
}

TEST(RecordDecoding, GridHasTitlesWidthsAndNumbersOnlyAcceptedLines) {
    const std::string record = RecordLine({0x00, 0x20, 0x84, 0x00, 0x2A, 0x00, 0x00, 0x00, 0x09,
                                           0x05, 0x1E, 0x07, 0xE0, 0x03, 0x05, 0x00, 0x00, 0x19,
                                           0x00});
    ASSERT_EQ(record.size(), 57u);
    const std::vector<std::string> lines = {record, record.substr(0, 56), "", record + "tail"};
    const ResultsGrid grid = ShowRecords(lines, kNoTexts, false);

    EXPECT_EQ(grid.ColCount, 6);
    ASSERT_EQ(grid.RowCount(), 3);
    const std::vector<std::string> titles = {"Number",         "Counter",      "Measure Mode",
                                             "Measure Result", "Measure Date", "Measure Time"};
    for (int c = 0; c < 6; ++c) EXPECT_EQ(grid.Cell(c, 0), titles[c]);
    EXPECT_EQ(grid.Cell(0, 1), "1");
    EXPECT_EQ(grid.Cell(0, 2), "2");
    EXPECT_EQ(grid.Cell(1, 2), "42");
    EXPECT_EQ(grid.Mark(0), "");
    EXPECT_EQ(grid.DefaultColWidth, 100);
    EXPECT_EQ(grid.ColWidth(0), 50);
    EXPECT_EQ(grid.ColWidth(1), 50);
    EXPECT_EQ(grid.ColWidth(2), 100);
    EXPECT_EQ(grid.ColWidth(3), 150);
}

TEST(RecordDecoding, LinesOf57BytesButFewerCharactersAreNotRecords) {
    // 19 two-byte characters: 57 bytes, 38 characters.
    std::string line;
    for (int i = 0; i < 19; ++i) line += "\xC3\xA9\xC3\xA9\xC3\xA9";
    line.resize(57);
    const ResultsGrid grid = ShowRecords({line}, kNoTexts, false);
    ASSERT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.Cell(0, 1), "");
}

TEST(RecordDecoding, NoRecordsLeaveTitleRowAndOneEmptyRow) {
    for (const auto& lines : {std::vector<std::string>{},
                              std::vector<std::string>{"00 20 84", std::string(56, '0')}}) {
        const ResultsGrid grid = ShowRecords(lines, kNoTexts, false);
        ASSERT_EQ(grid.RowCount(), 2);
        EXPECT_EQ(grid.Cell(0, 0), "Number");
        for (int c = 0; c < grid.ColCount; ++c) EXPECT_EQ(grid.Cell(c, 1), "") << c;
        EXPECT_EQ(grid.Mark(1), "");
    }
}

TEST(RecordDecoding, DebugModeAddsSecondReadingTemperatureAndSlope) {
    // clang-format off
    const std::vector<std::string> lines = {
        //          len         cmd   counter     mode  reading     hh    mm    ss    year        mm    dd    alc2        tmp   slope
        RecordLine({0x00, 0x20, 0x84, 0x00, 0x01, 0x00, 0x00, 0x00, 0x09, 0x05, 0x1E, 0x07, 0xE0, 0x03, 0x05, 0x00, 0x7B, 0x19, 0x07}),
        RecordLine({0x00, 0x20, 0x84, 0x00, 0x02, 0x00, 0x00, 0x00, 0x09, 0x05, 0x1E, 0x07, 0xE0, 0x03, 0x05, 0x00, 0x05, 0x14, 0xFF}),
        RecordLine({0x00, 0x20, 0x84, 0x00, 0x03, 0x00, 0x00, 0x00, 0x09, 0x05, 0x1E, 0x07, 0xE0, 0x03, 0x05, 0x00, 0x00, 0x1E, 0x00}),
    };
    // clang-format on
    const ResultsGrid grid = ShowRecords(lines, kNoTexts, true);
    EXPECT_EQ(grid.ColCount, 9);
    ASSERT_EQ(grid.RowCount(), 4);
    EXPECT_EQ(grid.Cell(6, 0), "Alcohol 2");
    EXPECT_EQ(grid.Cell(7, 0), "Temperature(Degree)");
    EXPECT_EQ(grid.Cell(8, 0), "Slope");
    EXPECT_EQ(grid.Cell(6, 1), "12.3 mg/100ml");
    EXPECT_EQ(grid.Cell(7, 1), "-0");
    EXPECT_EQ(grid.Cell(8, 1), "7");
    EXPECT_EQ(grid.Cell(6, 2), "0.5 mg/100ml");
    EXPECT_EQ(grid.Cell(7, 2), "-5");
    EXPECT_EQ(grid.Cell(8, 2), "255");
    EXPECT_EQ(grid.Cell(7, 3), "5");
}

TEST(RecordDecoding, WithoutDebugModeTheDiagnosticColumnsStayAway) {
    const ResultsGrid grid = ShowRecords(
        {RecordLine({0x00, 0x20, 0x84, 0x00, 0x01, 0x00, 0x00, 0x00, 0x09, 0x05, 0x1E, 0x07, 0xE0,
                     0x03, 0x05, 0x00, 0x7B, 0x19, 0x07})},
        kNoTexts, false);
    EXPECT_EQ(grid.ColCount, 6);
    EXPECT_EQ(grid.Cell(6, 1), "");
}

TEST(RecordDecoding, TextsComeFromTheLanguageFileAndUnitLabelsAreJoinedAsTheyStand) {
    TextTable texts;
    texts.Exists = true;
    texts.Lines = {"[RecordTitle]", "T0=Nr", "T1=Zaehler", "T2=Modus", "T3=Ergebnis", "T4=Datum",
                   "T5=Zeit", "T6=A2", "T7=T", "T8=S", "[RecordContent]", "C0=Schnelltest",
                   "C1=Passiv", "C2=Aktiv", "C3=Alkohol", "C4=Kein Alkohol", "C5=mg/100ml",
                   "C6=Promille", "C7=mg/l", "C8=%", "C9=unused", "C10=ug/100ml", "[END]"};
    const auto line = [](uint8_t mode, uint8_t high, uint8_t low) {
        return RecordLine({0x00, 0x20, 0x84, 0x00, 0x01, mode, high, low, 0x09, 0x05, 0x1E, 0x07,
                           0xE0, 0x03, 0x05, 0x00, 0x7B, 0x19, 0x07});
    };
    const ResultsGrid grid =
        ShowRecords({line(0x00, 0x04, 0xD2), line(0x10, 0x01, 0x63), line(0x20, 0x03, 0x20),
                     line(0x30, 0x00, 0x55), line(0x40, 0x01, 0x64), line(0x05, 0x00, 0x06),
                     line(0x06, 0x00, 0x00)},
                    texts, true);
    ASSERT_EQ(grid.RowCount(), 8);
    EXPECT_EQ(grid.Cell(0, 0), "Nr");
    EXPECT_EQ(grid.Cell(8, 0), "S");
    EXPECT_EQ(grid.Cell(2, 1), "Aktiv");
    EXPECT_EQ(grid.Cell(3, 1), "1.23mg/l");
    EXPECT_EQ(grid.Cell(3, 2), "35ug/100ml");
    EXPECT_EQ(grid.Cell(3, 3), "0.080%");
    EXPECT_EQ(grid.Cell(3, 4), "0.08Promille");
    EXPECT_EQ(grid.Cell(3, 5), "35mg/100ml");
    EXPECT_EQ(grid.Cell(6, 5), "12.3mg/100ml");
    EXPECT_EQ(grid.Cell(2, 6), "Schnelltest");
    EXPECT_EQ(grid.Cell(3, 6), "Alkohol");
    EXPECT_EQ(grid.Cell(2, 7), "Passiv");
    EXPECT_EQ(grid.Cell(3, 7), "Kein Alkohol");
}

TEST(RecordDecoding, FormatRecordRowGrowsTheGridByOneRow) {
    ResultsGrid grid = ResultsGrid::Empty(2, 6);
    TestRecord record;
    record.Counter = 7;
    record.TestType = 1;
    record.Reading = 0;
    record.Date = {2020, 1, 2};
    record.Time = {3, 4, 5};
    FormatRecordRow(grid, 1, record, kNoTexts, false);
    ASSERT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(grid.Cell(0, 1), "1");
    EXPECT_EQ(grid.Cell(1, 1), "7");
    EXPECT_EQ(grid.Cell(2, 1), "Quick Test");
    EXPECT_EQ(grid.Cell(3, 1), "0.00 mg/l");
    EXPECT_EQ(grid.Cell(4, 1), "02/01/2020");
    EXPECT_EQ(grid.Cell(5, 1), "03:04:05");
    EXPECT_EQ(grid.Mark(1), "clgreen");
    EXPECT_EQ(grid.Cell(0, 2), "");
}

TEST(ResultsTexts, ShippedLanguageFileGivesEveryBuiltInText) {
    TextTable shipped;
    ASSERT_TRUE(LoadTextTable(shipped, BREV_SOURCE_DIR));
    for (const TextRef& ref : kResultsTexts)
        EXPECT_EQ(Text(shipped, ref), ref.Fallback) << ref.Section << " " << ref.Offset;
}

}  // namespace
