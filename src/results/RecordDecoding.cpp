#include "results/RecordDecoding.h"

#include <string_view>

#include "results/ResultsTexts.h"

namespace {

// A record line starts with frame bytes 0 to 18 as "XX " pairs: 57 characters.
constexpr size_t kRecordHexLength = 57;

// The texts a record row is built from. The text table never changes after
// start-up, so looking them up once per download gives the same texts as
// looking them up for every record, without scanning the table 65,535 times.
struct RecordTexts {
    std::string QuickTest, PassiveTest, ActiveTest, Alcohol, NoAlcohol;
    std::string Mg100ml, PerMille, MgL, Percent, Ug100ml;

    explicit RecordTexts(const TextTable& t)
        : QuickTest(Text(t, kContentQuickTest)),
          PassiveTest(Text(t, kContentPassiveTest)),
          ActiveTest(Text(t, kContentActiveTest)),
          Alcohol(Text(t, kContentAlcohol)),
          NoAlcohol(Text(t, kContentNoAlcohol)),
          Mg100ml(Text(t, kUnitMg100ml)),
          PerMille(Text(t, kUnitPerMille)),
          MgL(Text(t, kUnitMgL)),
          Percent(Text(t, kUnitPercent)),
          Ug100ml(Text(t, kUnitUg100ml)) {}
};

// True when the line holds at least count characters (UTF-8 code points).
bool HasAtLeastChars(std::string_view line, size_t count) {
    if (line.size() < count) return false;
    size_t chars = 0;
    for (unsigned char c : line) {
        if ((c & 0xC0) != 0x80 && ++chars >= count) return true;
    }
    return false;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Frame byte n of a record line; a pair that is not hex counts as 0 so that a
// damaged line still gives a row instead of stopping the whole download.
unsigned FrameByte(std::string_view line, int n) {
    const size_t at = static_cast<size_t>(3 * n);
    if (at + 1 >= line.size()) return 0;
    const int high = HexDigit(line[at]);
    const int low = HexDigit(line[at + 1]);
    if (high < 0 || low < 0) return 0;
    return static_cast<unsigned>(high * 16 + low);
}

unsigned FrameWord(std::string_view line, int n) {
    return FrameByte(line, n) * 256 + FrameByte(line, n + 1);
}

TestRecord DecodeRecordLine(std::string_view line) {
    TestRecord r;
    r.Counter = static_cast<int>(FrameWord(line, 3));
    const unsigned mode = FrameByte(line, 5);
    r.TestType = mode & 0x03;
    r.ResultKind = (mode >> 2) & 0x03;
    r.UnitCode = (mode >> 4) & 0x0F;
    r.Reading = static_cast<int>(FrameWord(line, 6));
    r.Time.Hour = static_cast<uint8_t>(FrameByte(line, 8));
    r.Time.Mintue = static_cast<uint8_t>(FrameByte(line, 9));
    r.Time.Second = static_cast<uint8_t>(FrameByte(line, 10));
    r.Date.Year = static_cast<int32_t>(FrameWord(line, 11));
    r.Date.Month = static_cast<uint8_t>(FrameByte(line, 13));
    r.Date.Day = static_cast<uint8_t>(FrameByte(line, 14));
    r.SecondReading = static_cast<int>(FrameWord(line, 15));
    r.Temperature = static_cast<uint8_t>(FrameByte(line, 17));
    r.Slope = static_cast<uint8_t>(FrameByte(line, 18));
    return r;
}

// Two digits at least: a leading "0" for values of 9 and below.
std::string TwoDigits(unsigned value) {
    std::string text = std::to_string(value);
    if (value <= 9) text.insert(0, 1, '0');
    return text;
}

// The reading as shown in column 3: the last digit of the raw reading is
// dropped (no rounding), then the unit decides the decimals and the label.
std::string FormatReading(int reading, unsigned unitCode, const RecordTexts& texts) {
    const int t = reading / 10;
    const auto digit = [](int v) { return std::to_string(v); };
    switch (unitCode) {
        case 0:
            return digit(t / 100) + "." + digit((t % 100) / 10) + digit(t % 10) + texts.MgL;
        case 1:
            return digit(t) + texts.Ug100ml;
        case 2:
            return digit(t / 1000) + "." + digit((t % 1000) / 100) + digit((t % 100) / 10) +
                   digit(t % 10) + texts.Percent;
        case 3:
            return digit(t / 100) + "." + digit((t % 100) / 10) + digit(t % 10) + texts.PerMille;
        default:
            return digit(t) + texts.Mg100ml;
    }
}

void FormatRow(ResultsGrid& grid, int row, const TestRecord& record, const RecordTexts& texts,
               bool debugMode) {
    if (row < 0) return;
    // The row after the one being written stays as a spare at the end, as the
    // grid keeps one more row than it has records while it fills.
    grid.Rows.emplace_back(grid.ColCount);
    grid.Marks.emplace_back();
    if (row >= grid.RowCount()) {
        grid.Rows.resize(row + 1, std::vector<std::string>(grid.ColCount));
        grid.Marks.resize(row + 1);
    }

    // Every reading above 0 is red, whatever the yes/no word says.
    grid.Marks[row] = record.Reading > 0 ? kMarkRed : kMarkGreen;

    grid.SetCell(0, row, std::to_string(row));
    grid.SetCell(1, row, std::to_string(record.Counter));

    const bool quick = record.TestType == 1;
    const bool passive = record.TestType == 2;
    grid.SetCell(2, row, quick ? texts.QuickTest : passive ? texts.PassiveTest : texts.ActiveTest);

    if (record.ResultKind == 1 && (quick || passive))
        grid.SetCell(3, row, record.Reading > 5 ? texts.Alcohol : texts.NoAlcohol);
    else
        grid.SetCell(3, row, FormatReading(record.Reading, record.UnitCode, texts));

    grid.SetCell(4, row,
                 TwoDigits(record.Date.Day) + "/" + TwoDigits(record.Date.Month) + "/" +
                     std::to_string(record.Date.Year));
    grid.SetCell(5, row,
                 TwoDigits(record.Time.Hour) + ":" + TwoDigits(record.Time.Mintue) + ":" +
                     TwoDigits(record.Time.Second));

    if (debugMode) {
        grid.SetCell(6, row,
                     std::to_string(record.SecondReading / 10) + "." +
                         std::to_string(record.SecondReading % 10) + texts.Mg100ml);
        const int temperature = record.Temperature;
        std::string degrees;
        if (temperature <= 25) degrees = "-";
        degrees += std::to_string(temperature > 25 ? temperature - 25 : 25 - temperature);
        grid.SetCell(7, row, std::move(degrees));
        grid.SetCell(8, row, std::to_string(record.Slope));
    }
}

}  // namespace

ResultsGrid ShowRecords(const std::vector<std::string>& recordLines, const TextTable& texts,
                        bool debugMode) {
    const int cols = debugMode ? 9 : 6;
    ResultsGrid grid = ResultsGrid::Empty(2, cols);
    grid.DefaultColWidth = 100;
    grid.SetColWidth(0, 50);
    grid.SetColWidth(1, 50);
    grid.SetColWidth(3, 150);
    grid.Rows.reserve(recordLines.size() + 2);
    grid.Marks.reserve(recordLines.size() + 2);

    const TextRef titles[] = {kTitleNumber,        kTitleCounter,     kTitleMeasureMode,
                              kTitleMeasureResult, kTitleMeasureDate, kTitleMeasureTime,
                              kTitleAlcohol2,      kTitleTemperature, kTitleSlope};
    for (int c = 0; c < cols; ++c) grid.SetCell(c, 0, Text(texts, titles[c]));

    const RecordTexts recordTexts(texts);
    int n = 0;
    for (const std::string& line : recordLines) {
        if (!HasAtLeastChars(line, kRecordHexLength)) continue;
        ++n;
        FormatRow(grid, n, DecodeRecordLine(line), recordTexts, debugMode);
    }

    if (grid.RowCount() > 2) {
        grid.Rows.pop_back();
        grid.Marks.pop_back();
    } else {
        grid.Rows[1].assign(cols, std::string());
        grid.Marks[1].clear();
    }
    return grid;
}

void FormatRecordRow(ResultsGrid& grid, int row, const TestRecord& record, const TextTable& texts,
                     bool debugMode) {
    FormatRow(grid, row, record, RecordTexts(texts), debugMode);
}
