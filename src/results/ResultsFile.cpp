#include "results/ResultsFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <mutex>
#include <string_view>
#include <system_error>

#include "core/SafeFileWrite.h"
#include "core/ServiceArea.h"
#include "core/SharedState.h"
#include "core/Ui.h"
#include "core/Utf8Path.h"
#include "config/ModelTable.h"
#include "results/ResultsTexts.h"

namespace {

constexpr std::string_view kHeaderRule = "-------------------------";
constexpr std::string_view kRecordsMarker = "[Start to Write Datum Records]";
constexpr std::string_view kOpenRule = "-------------------------------------";
constexpr std::string_view kFormatError = "File format error!";
constexpr int kMaxHeaderLines = 20;

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

// Splits a file into lines at LF, dropping the CR of a CR LF; a last line
// without a line end still counts, an empty rest after the last line end does not.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    bool Next(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        const size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos) {
            line = text_.substr(pos_);
            pos_ = text_.size();
            return true;
        }
        line = text_.substr(pos_, end - pos_);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos_ = end + 1;
        return true;
    }

    size_t LinesLeft() const {
        return static_cast<size_t>(std::count(text_.begin() + pos_, text_.end(), '\n')) + 1;
    }

private:
    std::string_view text_;
    size_t pos_ = 0;
};

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

bool ReadWholeFile(const std::filesystem::path& path, std::string& content) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

void SetGridWidths(ResultsGrid& grid) {
    grid.DefaultColWidth = 100;
    grid.SetColWidth(0, 50);
    grid.SetColWidth(1, 50);
    grid.SetColWidth(3, 150);
}

// Puts fields into a row as columns 1, 2, ... behind the row number in column 0.
std::vector<std::string> GridRow(std::string first, std::vector<std::string>& fields, int cols) {
    std::vector<std::string> row;
    row.reserve(std::max<size_t>(static_cast<size_t>(cols), fields.size() + 1));
    row.push_back(std::move(first));
    for (auto& field : fields) row.push_back(std::move(field));
    if (row.size() < static_cast<size_t>(cols)) row.resize(cols);
    return row;
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
    std::string content;
    if (!ReadWholeFile(PathFromUtf8(fileName), content)) return true;  // silent, as designed

    SetGridWidths(grid);
    s.ui.LogLine(std::string(kOpenRule));
    s.ui.LogLine(fileName);

    LineReader reader(content);
    std::string_view line;
    bool marker = false;
    int headerLines = 0;
    while (reader.Next(line)) {
        if (line == kRecordsMarker) {
            marker = true;
            break;
        }
        s.ui.LogLine(std::string(line));
        if (++headerLines > kMaxHeaderLines) break;
        if (!ReadHeaderLine(s, line)) return true;  // silent stop, keeping what was read
    }
    if (!marker) {
        s.ui.LogLine(std::string(kFormatError));
        return true;
    }

    // Title line: the grid is rebuilt from here on.
    std::string_view titleLine;
    if (!reader.Next(titleLine)) titleLine = {};
    std::vector<std::string> fields;
    SplitFields(titleLine, fields);

    int cols = 2 + static_cast<int>(fields.size());
    if (cols > 2) --cols;
    grid.ColCount = cols;
    grid.Rows.clear();
    grid.Marks.clear();
    const size_t expected = reader.LinesLeft() + 2;
    grid.Rows.reserve(expected);
    grid.Marks.reserve(expected);
    grid.Rows.push_back(GridRow(Text(s.Texts, kTitleNumber), fields, cols));
    grid.Rows.emplace_back(cols);  // the spare row that the next data line fills
    grid.Marks.assign(2, std::string());
    if (cols > 3) grid.SetColWidth(3, 150);

    int r = 0;
    while (reader.Next(line)) {
        ++r;
        SplitFields(line, fields);
        grid.Rows[r] = GridRow(std::to_string(r), fields, cols);
        grid.Rows.emplace_back(cols);
        grid.Marks.emplace_back();
    }

    if (grid.RowCount() > 2) {
        grid.Rows.pop_back();
        grid.Marks.pop_back();
    } else {
        grid.Rows[1].assign(cols, std::string());
    }
    return true;
}
