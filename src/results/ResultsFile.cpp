#include "results/ResultsFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <mutex>
#include <string_view>
#include <system_error>

#include "config/ModelTable.h"
#include "core/SafeFileWrite.h"
#include "core/ServiceArea.h"
#include "core/SharedState.h"
#include "core/TextLines.h"
#include "core/Ui.h"
#include "core/Utf8Path.h"
#include "results/ResultsTexts.h"

namespace {

constexpr std::string_view kHeaderRule = "-------------------------";
constexpr std::string_view kRecordsMarker = "[Start to Write Datum Records]";
constexpr std::string_view kOpenRule = "-------------------------------------";
constexpr std::string_view kFormatError = "File format error!";
constexpr std::string_view kReadError = "File read error! ";
constexpr int kMaxHeaderLines = 20;
// Bounds of what is read. A results file has a few short fields per line and
// at most one line per record the device can hold (65535), far below these.
constexpr size_t kMaxLineBytes = 64 * 1024;
constexpr uint64_t kMaxFileBytes = 16 * 1024 * 1024;
constexpr size_t kMaxGridCells = 1000 * 1000;

std::string TwoDigits(unsigned value) {
    std::string text = std::to_string(value);
    if (value <= 9) text.insert(0, 1, '0');
    return text;
}

std::string SavingTime(const std::tm& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", t.tm_mday, t.tm_mon + 1,
                  t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

std::string DeviceTypeName(const std::string& model) {
    switch (ModelTypeOf(model)) {
        case 1:
            return "MIRAX";
        case 2:
            return "ZET";
        case 3:
            return "KOVAN";
        default:
            return model;
    }
}

// The overwrite question: the format text with its "%s" standing for the file
// name ("%%" stands for one "%").
std::string WithFileName(const std::string& format, const std::string& fileName) {
    std::string text;
    bool named = false;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == 's' && !named) {
                text += fileName;
                named = true;
                ++i;
                continue;
            }
            if (format[i + 1] == '%') {
                text += '%';
                ++i;
                continue;
            }
        }
        text += format[i];
    }
    return text;
}

std::string FullFileName(const std::filesystem::path& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return Utf8FromPath(ec ? path : full);
}

ResultsSave ReportSaveFailure(SharedState& s, std::string failure) {
    s.ui.Beep();
    s.ui.MessageBox(Text(s.Texts, kWarningSaveFailed));
    ResultsSave save;
    save.Failure = std::move(failure);
    return save;
}

// The lines as one text, each followed by CR LF.
std::string JoinedLines(const std::vector<std::string>& lines) {
    size_t size = 0;
    for (const auto& line : lines) size += line.size() + 2;
    std::string content;
    content.reserve(size);
    for (const auto& line : lines) {
        content += line;
        content += "\r\n";
    }
    return content;
}

size_t CharCount(std::string_view text) {
    return static_cast<size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// The number formed by the decimal digits of text alone, every other character
// dropped. False when there is no digit, or the number does not fit.
bool DigitsNumber(std::string_view text, int32_t& value) {
    int64_t number = 0;
    bool any = false;
    for (char c : text) {
        if (c < '0' || c > '9') continue;
        any = true;
        number = number * 10 + (c - '0');
        if (number > std::numeric_limits<int32_t>::max()) return false;
    }
    if (!any) return false;
    value = static_cast<int32_t>(number);
    return true;
}

template <typename Change>
void ChangeInfo(SharedState& s, Change change) {
    std::lock_guard lock(s.InfoLock);
    change(s.DeviceInfo);
}

// A calibration part that is either a day or, above 2000, a year.
void SetDayOrYear(SharedState& s, int32_t value) {
    ChangeInfo(s, [&](TAlcoholInformation& info) {
        if (value > 2000)
            info.Cal.Year = value;
        else
            info.Cal.Day = static_cast<uint8_t>(value);
    });
}

// Reads a calibration date written day first (05/03/2016) or year first
// (2016/03/05). False when a part that should hold a number has no digit.
bool ReadCalibration(SharedState& s, std::string_view value) {
    if (CharCount(value) <= 7) return true;
    const size_t first = value.find('/', 1);
    if (first == std::string_view::npos) return true;
    int32_t a = 0;
    if (!DigitsNumber(value.substr(0, first), a)) return false;
    SetDayOrYear(s, a);

    const std::string_view rest = value.substr(first + 1);
    const size_t second = rest.find('/', 1);
    if (rest.empty() || second == std::string_view::npos) return true;
    int32_t b = 0;
    if (!DigitsNumber(rest.substr(0, second), b)) return false;
    ChangeInfo(s, [&](TAlcoholInformation& info) { info.Cal.Month = static_cast<uint8_t>(b); });

    const std::string_view last = rest.substr(second + 1);
    if (last.empty()) return true;
    int32_t c = 0;
    if (!DigitsNumber(last, c)) return false;
    SetDayOrYear(s, c);
    return true;
}

// Takes the device values of one header line. False when a value that must hold
// a number has no digit, which ends the reading.
bool ReadHeaderLine(SharedState& s, std::string_view line) {
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) return true;
    const std::string_view value = line.substr(equals + 1);
    if (value.empty()) return true;
    const auto has = [&](std::string_view key) { return line.find(key) != std::string_view::npos; };

    if (has("[Device Type]"))
        ChangeInfo(s, [&](TAlcoholInformation& info) { info.Model = std::string(value); });
    if (has("[Serial NO.]"))
        ChangeInfo(s, [&](TAlcoholInformation& info) { info.ModelSN = std::string(value); });
    if (has("[Firmware Rev.]"))
        ChangeInfo(s, [&](TAlcoholInformation& info) { info.SWVer = std::string(value); });
    if (has("[Last Calibration]") && !ReadCalibration(s, value)) return false;
    if (has("[Calibration cycle]")) {
        int32_t cycle = 0;
        if (!DigitsNumber(value, cycle)) return false;
        ChangeInfo(s, [&](TAlcoholInformation& info) { info.CalCycle = cycle; });
    }
    return true;
}

// Splits a grid line into its fields. Tabs separate first; once a line has no
// tab left, commas do. The writer puts one blank before every comma, which is
// dropped again so that a saved file reads back to the same cells. Text after
// the last separator is a field of its own (files whose lines do not end in a
// separator keep their last column); an empty rest adds nothing.
void SplitFields(std::string_view text, std::vector<std::string>& fields) {
    fields.clear();
    bool tabs = true;
    while (true) {
        if (tabs) {
            const size_t tab = text.find('\t');
            if (tab != std::string_view::npos) {
                fields.emplace_back(text.substr(0, tab));
                text.remove_prefix(tab + 1);
                continue;
            }
            tabs = false;  // the rest is a suffix of what was searched
        }
        const size_t comma = text.find(',');
        if (comma == std::string_view::npos) break;
        std::string_view field = text.substr(0, comma);
        if (!field.empty() && field.back() == ' ') field.remove_suffix(1);
        fields.emplace_back(field);
        text.remove_prefix(comma + 1);
    }
    if (!text.empty()) fields.emplace_back(text);
}

void SetGridWidths(ResultsGrid& grid) {
    grid.DefaultColWidth = 100;
    grid.SetColWidth(0, 50);
    grid.SetColWidth(1, 50);
    grid.SetColWidth(3, 150);
}

// Puts fields into a row as columns 1, 2, ... behind the row number in column 0.
// A row holds only the cells its line gave: the grid reads a missing cell as
// empty, so short rows cost nothing for the columns they lack.
std::vector<std::string> GridRow(std::string first, std::vector<std::string>& fields) {
    std::vector<std::string> row;
    row.reserve(fields.size() + 1);
    row.push_back(std::move(first));
    for (auto& field : fields) row.push_back(std::move(field));
    return row;
}

// The reading failed or the file is beyond what the grid takes: the reason in
// the log, then the box of the open failures.
void ReportReadFailure(SharedState& s, const std::string& fileName, const std::string& reason) {
    s.ui.LogLine(std::string(kReadError) + fileName + ": " + reason);
    s.ui.Beep();
    s.ui.MessageBox(Text(s.Texts, kWarningFileMissing));
}

// A line too long for a results file means it is none; anything else is a
// failure to read it.
void ReportStop(SharedState& s, const std::string& fileName, const TextReadFailure& failure) {
    if (failure.Problem == TextReadProblem::LineTooLong) {
        s.ui.LogLine(std::string(kFormatError));
    } else {
        ReportReadFailure(s, fileName, failure.Reason);
    }
}

}  // namespace

std::string ResultsFileName(const std::string& chosen) {
    if (chosen.find(".csv") != std::string::npos || chosen.find(".xls") != std::string::npos)
        return chosen;
    return chosen + ".csv";
}

std::vector<std::string> ResultsFileLines(const ResultsGrid& grid, const TAlcoholInformation& info,
                                          const std::tm& savedAt) {
    std::vector<std::string> lines;
    lines.reserve(11 + grid.Rows.size());
    lines.emplace_back(kHeaderRule);
    lines.push_back("File Creat Date:" + SavingTime(savedAt));
    lines.push_back("[Device Type]=" + DeviceTypeName(info.Model));
    lines.push_back("[Serial NO.]=" + info.ModelSN);
    lines.push_back("[Firmware Rev.]=" + info.SWVer);
    lines.push_back("[Last Calibration]=" + TwoDigits(info.Cal.Day) + "/" +
                    TwoDigits(info.Cal.Month) + "/" + std::to_string(info.Cal.Year));
    lines.push_back("[Calibration cycle]=" + std::to_string(info.CalCycle) + " Days");
    lines.push_back("[Language]=" + LanguageName(info.Language));
    lines.push_back("[Unit]=" + UnitName(info.CUnit));
    lines.emplace_back(kHeaderRule);
    lines.emplace_back(kRecordsMarker);

    for (int row = 0; row < grid.RowCount(); ++row) {
        std::string line;
        for (int col = 1; col < grid.ColCount; ++col) {
            line += grid.Cell(col, row);
            line += " ,";
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

ResultsSave SaveResultsFile(SharedState& s, const std::string& chosenName, const ResultsGrid& grid,
                            const std::tm& savedAt) {
    if (s.DebugMode.load()) {
        // Diagnostic copy of the raw record lines under the name as chosen.
        std::vector<std::string> recordLines;
        {
            std::lock_guard lock(s.InfoLock);
            if (s.RecordLines) recordLines = *s.RecordLines;
        }
        const FileWriteResult copy =
            WriteFileSafely(PathFromUtf8(chosenName), JoinedLines(recordLines));
        if (!copy) return ReportSaveFailure(s, copy.Failure);
    }

    const std::filesystem::path target = PathFromUtf8(ResultsFileName(chosenName));
    // Only a file is replaced, so only a file asks; a folder of the name fails below.
    std::error_code ec;
    if (std::filesystem::exists(target, ec) && !std::filesystem::is_directory(target, ec)) {
        const std::string question =
            WithFileName(Text(s.Texts, kWarningOverwrite), FullFileName(target));
        if (s.ui.Question(question, true) != Answer::Yes) {
            ResultsSave declined;
            declined.Result = ResultsSave::Outcome::Declined;
            return declined;
        }
    }

    const FileWriteResult written =
        WriteFileSafely(target, JoinedLines(ResultsFileLines(grid, s.InfoSnapshot(), savedAt)));
    if (!written) return ReportSaveFailure(s, written.Failure);
    ResultsSave saved;
    saved.Result = ResultsSave::Outcome::Saved;
    return saved;
}

void OpenResultsFile(SharedState& s, const std::string& chosenName, ResultsGrid& grid) {
    const std::filesystem::path path = PathFromUtf8(chosenName);
    std::error_code ec;
    const bool exists =
        std::filesystem::exists(path, ec) && !std::filesystem::is_directory(path, ec);
    if (!exists) {
        s.ui.Beep();
        s.ui.MessageBox(Text(s.Texts, kWarningFileMissing));
        return;
    }
    ReadResultsFile(s, chosenName, grid);
}

bool ReadResultsFile(SharedState& s, const std::string& fileName, ResultsGrid& grid) {
    // Read line by line: a wrong file is known by its first lines, and no line
    // or file beyond the bounds is held in memory.
    TextLineReader reader(PathFromUtf8(fileName), kMaxLineBytes, LineEnds::LineFeed, kMaxFileBytes);
    if (reader.Ok()) SetGridWidths(grid);
    s.ui.LogLine(std::string(kOpenRule));
    s.ui.LogLine(fileName);
    if (!reader.Ok()) {
        ReportReadFailure(s, fileName, reader.Failure().Reason);
        return true;
    }

    std::string line;
    bool marker = false;
    int headerLines = 0;
    while (reader.Next(line)) {
        if (line == kRecordsMarker) {
            marker = true;
            break;
        }
        s.ui.LogLine(line);
        if (++headerLines > kMaxHeaderLines) break;
        if (!ReadHeaderLine(s, line)) return true;  // silent stop, keeping what was read
    }
    if (!marker) {
        if (!reader.Ok() && reader.Failure().Problem != TextReadProblem::LineTooLong) {
            ReportReadFailure(s, fileName, reader.Failure().Reason);
        } else {
            s.ui.LogLine(std::string(kFormatError));
        }
        return true;
    }

    // Title line. The new rows are gathered aside and replace the grid's only
    // when the whole file has been read, so a failure leaves the grid as it was.
    std::string titleLine;
    if (!reader.Next(titleLine) && !reader.Ok()) {
        ReportStop(s, fileName, reader.Failure());
        return true;
    }
    std::vector<std::string> fields;
    SplitFields(titleLine, fields);
    int cols = 2 + static_cast<int>(fields.size());
    if (cols > 2) --cols;

    std::vector<std::vector<std::string>> rows;
    rows.push_back(GridRow(Text(s.Texts, kTitleNumber), fields));
    rows.emplace_back();  // the spare row that the next data line fills
    size_t cells = rows[0].size();

    int r = 0;
    while (reader.Next(line)) {
        ++r;
        SplitFields(line, fields);
        rows[r] = GridRow(std::to_string(r), fields);
        cells += rows[r].size();
        if (cells > kMaxGridCells) {
            ReportReadFailure(s, fileName,
                              "holds more than " + std::to_string(kMaxGridCells) + " cells");
            return true;
        }
        rows.emplace_back();
    }
    if (!reader.Ok()) {
        ReportStop(s, fileName, reader.Failure());
        return true;
    }

    if (rows.size() > 2) rows.pop_back();  // otherwise row 1 stays as the empty spare
    grid.ColCount = cols;
    grid.Rows = std::move(rows);
    grid.Marks.assign(grid.Rows.size(), std::string());
    if (cols > 3) grid.SetColWidth(3, 150);
    return true;
}
