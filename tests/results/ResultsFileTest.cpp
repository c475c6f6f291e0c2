#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "core/SharedState.h"
#include "support/NullComm.h"
#include "results/RecordDecoding.h"
#include "results/ResultsFile.h"
#include "support/RecordingUi.h"

namespace fs = std::filesystem;

namespace {

std::string RecordLine(const std::vector<uint8_t>& bytes) {
    std::string line;
    char pair[4];
    for (uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%02X ", b);
        line += pair;
    }
    return line;
}

std::tm FixedTime() {
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 0;  // January
    t.tm_mday = 7;
    t.tm_hour = 8;
    t.tm_min = 5;
    t.tm_sec = 3;
    return t;
}

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

class ResultsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("brev-results-" + std::to_string(std::random_device{}()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        std::lock_guard lock(s.InfoLock);
        s.DeviceInfo.Model = "KOVAN";
        s.DeviceInfo.ModelSN = "SN-0042";
        s.DeviceInfo.SWVer = "V2.07";
        s.DeviceInfo.Cal = {2016, 3, 5};
        s.DeviceInfo.CalCycle = 365;
        s.DeviceInfo.Language = 0;
        s.DeviceInfo.CUnit = 1;
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Name(const std::string& file) const { return (dir / file).string(); }

    // A downloaded grid of three records: green, red and a yes/no quick test.
    static ResultsGrid DownloadedGrid() {
        return ShowRecords(
            {RecordLine({0x00, 0x20, 0x84, 0x00, 0x01, 0x00, 0x00, 0x00, 0x09, 0x05, 0x1E, 0x07,
                         0xE0, 0x03, 0x05, 0x00, 0x00, 0x19, 0x00}),
             RecordLine({0x00, 0x20, 0x84, 0x00, 0x02, 0x40, 0x01, 0x64, 0x17, 0x3B, 0x3B, 0x07,
                         0xE1, 0x0C, 0x1F, 0x00, 0x00, 0x19, 0x00}),
             RecordLine({0x00, 0x20, 0x84, 0x00, 0x03, 0x05, 0x00, 0x06, 0x00, 0x00, 0x00, 0x07,
                         0xE2, 0x01, 0x01, 0x00, 0x00, 0x19, 0x00})},
            TextTable{}, false);
    }

    // A results file with the given header lines before the marker.
    std::string FileWithHeader(const std::vector<std::string>& header) const {
        std::string text;
        for (const auto& line : header) text += line + "\r\n";
        text += "[Start to Write Datum Records]\r\n";
        text += "Counter ,Measure Mode ,\r\n";
        text += "17 ,Quick Test ,\r\n";
        return text;
    }

    std::vector<std::string> LogAfterOpening() const {
        auto log = ui.Log();
        EXPECT_GE(log.size(), 2u);
        EXPECT_EQ(log[0], "-------------------------------------");
        return log;
    }

    fs::path dir;
    RecordingUi ui;
    NullComm comm;
    SharedState s{ui, comm};
};

TEST(ResultsFileName, CsvIsAppendedUnlessTheNameHoldsCsvOrXls) {
    EXPECT_EQ(ResultsFileName("result"), "result.csv");
    EXPECT_EQ(ResultsFileName("result.csv"), "result.csv");
    EXPECT_EQ(ResultsFileName("result.xls"), "result.xls");
    EXPECT_EQ(ResultsFileName("result.xlsx"), "result.xlsx");
    EXPECT_EQ(ResultsFileName("result.txt"), "result.txt.csv");
    EXPECT_EQ(ResultsFileName("RESULT.CSV"), "RESULT.CSV.csv");
    EXPECT_EQ(ResultsFileName("my.csv.files/result"), "my.csv.files/result");
}

TEST_F(ResultsFileTest, SmallGridIsWrittenByteForByteWithCrLfAndNoBom) {
    ResultsGrid grid = ResultsGrid::Empty(3, 3);
    grid.SetCell(0, 0, "Number");
    grid.SetCell(1, 0, "Counter");
    grid.SetCell(2, 0, "Measure Mode");
    grid.SetCell(0, 1, "1");
    grid.SetCell(1, 1, "12");
    grid.SetCell(2, 1, "Quick Test");
    grid.SetCell(0, 2, "2");
    grid.SetCell(1, 2, "13");
    grid.SetCell(2, 2, "Pr\xC3\xBC" "fung");
    grid.Marks[1] = "clred";
    {
        std::lock_guard lock(s.InfoLock);
        s.DeviceInfo.Model = "Q7303";
        s.DeviceInfo.Cal = {2016, 3, 5};
    }
    ASSERT_TRUE(SaveResultsFile(s, Name("small"), grid, FixedTime()));
    EXPECT_EQ(ReadBytes(dir / "small.csv"),
              "-------------------------\r\n"
              "File Creat Date:07/01/2024 08:05:03\r\n"
              "[Device Type]=KOVAN\r\n"
              "[Serial NO.]=SN-0042\r\n"
              "[Firmware Rev.]=V2.07\r\n"
              "[Last Calibration]=05/03/2016\r\n"
              "[Calibration cycle]=365 Days\r\n"
              "[Language]=English\r\n"
              "[Unit]=ug/100ml\r\n"
              "-------------------------\r\n"
              "[Start to Write Datum Records]\r\n"
              "Counter ,Measure Mode ,\r\n"
              "12 ,Quick Test ,\r\n"
              "13 ,Pr\xC3\xBC" "fung ,\r\n");
    EXPECT_TRUE(ui.Of("beep").empty());
    EXPECT_TRUE(ui.Of("question3").empty());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1)
        << "nothing but the file is left in its folder";
}

TEST_F(ResultsFileTest, DeviceTypeIsTheModelNameOrTheModelAsItStands) {
    const struct {
        const char* model;
        const char* line;
    } cases[] = {{"Q7301", "[Device Type]=MIRAX"},  {"MIRAX-2", "[Device Type]=MIRAX"},
                 {"Q7302", "[Device Type]=ZET"},    {"ZET", "[Device Type]=ZET"},
                 {"KOVAN", "[Device Type]=KOVAN"},  {"zet 9", "[Device Type]=zet 9"},
                 {"", "[Device Type]="}};
    for (const auto& c : cases) {
        TAlcoholInformation info;
        info.Model = c.model;
        EXPECT_EQ(ResultsFileLines(ResultsGrid::Empty(), info, FixedTime())[2], c.line) << c.model;
    }
}

TEST_F(ResultsFileTest, LanguageOrUnitOutsideTheListsIsWrittenAsItsNumber) {
    {
        std::lock_guard lock(s.InfoLock);
        s.DeviceInfo.Language = 1;
        s.DeviceInfo.CUnit = 7;
    }
    ASSERT_TRUE(SaveResultsFile(s, Name("odd.csv"), DownloadedGrid(), FixedTime()));
    const std::string bytes = ReadBytes(dir / "odd.csv");
    EXPECT_NE(bytes.find("\r\n[Language]=1\r\n[Unit]=7\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("[Start to Write Datum Records]\r\n"), std::string::npos);
    EXPECT_TRUE(ui.Of("box").empty());
}

TEST_F(ResultsFileTest, EmptyGridWritesTitlesAndOneLineOfFiveEmptyFields) {
    const ResultsGrid empty = ShowRecords({}, TextTable{}, false);
    ASSERT_TRUE(SaveResultsFile(s, Name("empty"), empty, FixedTime()));
    const std::string bytes = ReadBytes(dir / "empty.csv");
    const std::string tail =
        "[Start to Write Datum Records]\r\n"
        "Counter ,Measure Mode ,Measure Result ,Measure Date ,Measure Time ,\r\n"
        " , , , , ,\r\n";
    ASSERT_GE(bytes.size(), tail.size());
    EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);
}

TEST_F(ResultsFileTest, SavedDownloadOpensWithSameTitlesValuesAndNoColours) {
    const ResultsGrid saved = DownloadedGrid();
    ASSERT_EQ(saved.RowCount(), 4);
    ASSERT_TRUE(SaveResultsFile(s, Name("trip"), saved, FixedTime()));
    {
        std::lock_guard lock(s.InfoLock);
        s.DeviceInfo = TAlcoholInformation{};
        s.DeviceInfo.Language = 0;
    }

    ResultsGrid opened = ResultsGrid::Empty(5, 4);
    opened.Marks.assign(5, "clred");
    OpenResultsFile(s, Name("trip.csv"), opened);

    ASSERT_EQ(opened.RowCount(), saved.RowCount());
    ASSERT_EQ(opened.ColCount, saved.ColCount);
    for (int r = 0; r < saved.RowCount(); ++r) {
        for (int c = 0; c < saved.ColCount; ++c)
            EXPECT_EQ(opened.Cell(c, r), saved.Cell(c, r)) << "row " << r << " col " << c;
        EXPECT_EQ(opened.Mark(r), "") << r;
    }
    EXPECT_EQ(opened.ColWidth(0), 50);
    EXPECT_EQ(opened.ColWidth(3), 150);

    const TAlcoholInformation info = s.InfoSnapshot();
    EXPECT_EQ(info.Model, "KOVAN");
    EXPECT_EQ(info.ModelSN, "SN-0042");
    EXPECT_EQ(info.SWVer, "V2.07");
    EXPECT_EQ(info.Cal.Year, 2016);
    EXPECT_EQ(info.Cal.Month, 3);
    EXPECT_EQ(info.Cal.Day, 5);
    EXPECT_EQ(info.CalCycle, 365);
    EXPECT_EQ(info.CUnit, 0);  // only shown in the log when read

    const auto log = LogAfterOpening();
    ASSERT_EQ(log.size(), 12u);  // rule, name and ten header lines
    EXPECT_EQ(log[1], Name("trip.csv"));
    EXPECT_EQ(log[2], "-------------------------");
    EXPECT_EQ(log[3], "File Creat Date:07/01/2024 08:05:03");
    EXPECT_EQ(log[10], "[Unit]=ug/100ml");
}

TEST_F(ResultsFileTest, OpenAndSaveCyclesGiveBackTheSameBytes) {
    ASSERT_TRUE(SaveResultsFile(s, Name("cycle.csv"), DownloadedGrid(), FixedTime()));
    const std::string first = ReadBytes(dir / "cycle.csv");
    for (int i = 0; i < 3; ++i) {
        ResultsGrid grid;
        OpenResultsFile(s, Name("cycle.csv"), grid);
        ui.ScriptAnswers({Answer::Yes});
        ASSERT_TRUE(SaveResultsFile(s, Name("cycle.csv"), grid, FixedTime()));
        EXPECT_EQ(ReadBytes(dir / "cycle.csv"), first) << "cycle " << i;
    }
}

TEST_F(ResultsFileTest, ExistingFileIsReplacedOnlyWhenTheAnswerIsYes) {
    const struct {
        Answer answer;
        bool written;
    } cases[] = {{Answer::No, false}, {Answer::Cancel, false}, {Answer::Yes, true}};
    for (const auto& c : cases) {
        WriteBytes(dir / "old.csv", "old content\r\n");
        ui.Clear();
        ui.ScriptAnswers({c.answer});
        EXPECT_EQ(static_cast<bool>(SaveResultsFile(s, Name("old"), DownloadedGrid(), FixedTime())),
                  c.written);
        const auto questions = ui.Of("question3");
        ASSERT_EQ(questions.size(), 1u);
        EXPECT_EQ(questions[0], "Whether overwrite this file?" + Name("old.csv"));
        const std::string bytes = ReadBytes(dir / "old.csv");
        EXPECT_EQ(bytes == "old content\r\n", !c.written);
        EXPECT_TRUE(ui.Of("box").empty());
    }
}

TEST_F(ResultsFileTest, OverwriteQuestionComesFromTheLanguageFile) {
    s.Texts.Exists = true;
    s.Texts.Lines = {"[Warning]", "W0=x", "W1=", "W2=", "W3=", "W4=",
                     "W5=100% sure to replace %s?", "W6=", "[END]"};
    WriteBytes(dir / "r.xlsx", "x");
    SaveResultsFile(s, Name("r.xlsx"), DownloadedGrid(), FixedTime());
    ASSERT_EQ(ui.Of("question3").size(), 1u);
    EXPECT_EQ(ui.Of("question3")[0], "100% sure to replace " + Name("r.xlsx") + "?");
}

TEST_F(ResultsFileTest, FolderThatIsAFileFailsWithBeepAndBox) {
    WriteBytes(dir / "plain", "not a folder");
    EXPECT_FALSE(SaveResultsFile(s, Name("plain") + "/result", DownloadedGrid(), FixedTime()));
    EXPECT_EQ(ui.Of("beep").size(), 1u);
    EXPECT_EQ(ui.Of("box"), std::vector<std::string>{"File error!"});
    EXPECT_EQ(ReadBytes(dir / "plain"), "not a folder");
}

TEST_F(ResultsFileTest, DebugModeFirstSavesTheRecordLinesUnderTheChosenName) {
    s.DebugMode = true;
    {
        std::lock_guard lock(s.InfoLock);
        s.RecordLines = std::make_shared<std::vector<std::string>>(
            std::vector<std::string>{"00 20 84 00 01", "00 20 84 00 02 text"});
    }
    ASSERT_TRUE(SaveResultsFile(s, Name("dump"), DownloadedGrid(), FixedTime()));
    EXPECT_EQ(ReadBytes(dir / "dump"), "00 20 84 00 01\r\n00 20 84 00 02 text\r\n");
    EXPECT_EQ(ReadBytes(dir / "dump.csv").substr(0, 27), "-------------------------\r\n");
}

TEST_F(ResultsFileTest, OpeningAMissingFileBeepsAndShowsTheBox) {
    ResultsGrid grid = DownloadedGrid();
    OpenResultsFile(s, Name("absent.csv"), grid);
    EXPECT_EQ(ui.Of("beep").size(), 1u);
    EXPECT_EQ(ui.Of("box"), std::vector<std::string>{"File error!"});
    EXPECT_TRUE(ui.Log().empty());
    EXPECT_EQ(grid.RowCount(), 4);
}

TEST_F(ResultsFileTest, TwentyHeaderLinesAreAcceptedTwentyOneAreRejected) {
    for (int count : {20, 21}) {
        std::vector<std::string> header;
        for (int i = 1; i <= count; ++i) header.push_back("line " + std::to_string(i));
        WriteBytes(dir / "h.csv", FileWithHeader(header));
        ui.Clear();
        ResultsGrid grid = DownloadedGrid();
        OpenResultsFile(s, Name("h.csv"), grid);

        const auto log = LogAfterOpening();
        if (count == 20) {
            ASSERT_EQ(log.size(), 22u);
            EXPECT_EQ(log.back(), "line 20");
            ASSERT_EQ(grid.RowCount(), 2);
            EXPECT_EQ(grid.Cell(1, 1), "17");
        } else {
            ASSERT_EQ(log.size(), 24u);
            EXPECT_EQ(log[22], "line 21");
            EXPECT_EQ(log[23], "File format error!");
            EXPECT_EQ(grid.RowCount(), 4);  // the grid shows what it showed before
            EXPECT_EQ(grid.Mark(1), "clgreen");
        }
    }
}

TEST_F(ResultsFileTest, FileWithoutMarkerIsAFormatError) {
    WriteBytes(dir / "nomark.csv", "a\r\nb\r\n");
    ResultsGrid grid = DownloadedGrid();
    OpenResultsFile(s, Name("nomark.csv"), grid);
    EXPECT_EQ(ui.Log(), (std::vector<std::string>{"-------------------------------------",
                                                  Name("nomark.csv"), "a", "b",
                                                  "File format error!"}));
    EXPECT_EQ(grid.RowCount(), 4);
}

TEST_F(ResultsFileTest, CalibrationIsReadDayFirstOrYearFirst) {
    const struct {
        const char* value;
        int year, month, day;
    } cases[] = {{"05/03/2016", 2016, 3, 5},
                 {"2016/03/05", 2016, 3, 5},
                 {"1/2/16", 1999, 9, 8},  // too short: unchanged
                 {"2017/01/21", 2017, 1, 21},
                 {"d 7/m 11/y 2030", 2030, 11, 7},
                 {"2021/12/", 2021, 12, 8}};
    for (const auto& c : cases) {
        {
            std::lock_guard lock(s.InfoLock);
            s.DeviceInfo.Cal = {1999, 9, 8};
        }
        WriteBytes(dir / "cal.csv", FileWithHeader({std::string("[Last Calibration]=") + c.value}));
        ResultsGrid grid;
        OpenResultsFile(s, Name("cal.csv"), grid);
        const TAlcoholInformation info = s.InfoSnapshot();
        EXPECT_EQ(info.Cal.Year, c.year) << c.value;
        EXPECT_EQ(info.Cal.Month, c.month) << c.value;
        EXPECT_EQ(info.Cal.Day, c.day) << c.value;
    }
}

TEST_F(ResultsFileTest, HeaderKeysNeedAnEqualsSignAndEmptyValuesChangeNothing) {
    WriteBytes(dir / "keys.csv",
               FileWithHeader({"[Device Type]=ZET", "[Serial NO.]=", "[Firmware Rev.] V9",
                               "note [Calibration cycle]=30 Days", "[Language]=7", "[Unit]=3"}));
    ResultsGrid grid;
    OpenResultsFile(s, Name("keys.csv"), grid);
    const TAlcoholInformation info = s.InfoSnapshot();
    EXPECT_EQ(info.Model, "ZET");
    EXPECT_EQ(info.ModelSN, "SN-0042");
    EXPECT_EQ(info.SWVer, "V2.07");
    EXPECT_EQ(info.CalCycle, 30);
    EXPECT_EQ(info.Language, 0);
    EXPECT_EQ(info.CUnit, 1);
}

TEST_F(ResultsFileTest, ValueWithoutDigitsStopsReadingSilently) {
    for (const char* line : {"[Calibration cycle]=none", "[Last Calibration]=ab/03/2016"}) {
        WriteBytes(dir / "stop.csv", FileWithHeader({line, "[Serial NO.]=LATER"}));
        ui.Clear();
        ResultsGrid grid = DownloadedGrid();
        OpenResultsFile(s, Name("stop.csv"), grid);
        EXPECT_EQ(ui.Log(), (std::vector<std::string>{"-------------------------------------",
                                                      Name("stop.csv"), line}));
        EXPECT_TRUE(ui.Of("box").empty());
        EXPECT_EQ(s.InfoSnapshot().ModelSN, "SN-0042");
        EXPECT_EQ(grid.RowCount(), 4);
    }
}

TEST_F(ResultsFileTest, TabSeparatedFileKeepsItsLastField) {
    WriteBytes(dir / "tabs.txt",
               "[Start to Write Datum Records]\n"
               "Counter\tMode\tResult\n"
               "1\tQuick \t0.00 mg/l\n"
               "2\tActive\t0.10 mg/l\textra\n");
    ResultsGrid grid;
    OpenResultsFile(s, Name("tabs.txt"), grid);
    EXPECT_EQ(grid.ColCount, 4);
    ASSERT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(grid.Cell(0, 0), "Number");
    EXPECT_EQ(grid.Cell(3, 0), "Result");
    EXPECT_EQ(grid.Cell(0, 1), "1");
    EXPECT_EQ(grid.Cell(2, 1), "Quick ");  // blanks before a tab stay
    EXPECT_EQ(grid.Cell(3, 1), "0.00 mg/l");
    EXPECT_EQ(grid.Cell(3, 2), "0.10 mg/l");
    EXPECT_EQ(grid.Cell(4, 2), "extra");  // stored beyond the visible columns
    EXPECT_EQ(grid.ColWidth(3), 150);
}

TEST_F(ResultsFileTest, OnlyOneBlankBeforeEachCommaIsDropped) {
    WriteBytes(dir / "blanks.csv",
               "[Start to Write Datum Records]\r\n"
               "A ,B ,C ,\r\n"
               "two  , ,x\t ,last\r\n");
    ResultsGrid grid;
    OpenResultsFile(s, Name("blanks.csv"), grid);
    ASSERT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.Cell(1, 0), "A");
    EXPECT_EQ(grid.Cell(1, 1), "two  , ,x");  // split at the tab first
    EXPECT_EQ(grid.Cell(2, 1), "");
    EXPECT_EQ(grid.Cell(3, 1), "last");

    WriteBytes(dir / "blanks.csv",
               "[Start to Write Datum Records]\r\n"
               "A ,B ,C ,\r\n"
               "two  , ,x,y\r\n");
    OpenResultsFile(s, Name("blanks.csv"), grid);
    EXPECT_EQ(grid.Cell(1, 1), "two ");
    EXPECT_EQ(grid.Cell(2, 1), "");
    EXPECT_EQ(grid.Cell(3, 1), "x");
    EXPECT_EQ(grid.Cell(4, 1), "y");
}

TEST_F(ResultsFileTest, TitleLineDecidesTheColumnCount) {
    const struct {
        const char* title;
        int cols;
    } cases[] = {{"", 2}, {"Only ,", 2}, {"A ,B ,", 3}, {"A ,B ,C ,D ,E ,F ,G ,", 8}};
    for (const auto& c : cases) {
        WriteBytes(dir / "t.csv",
                   std::string("[Start to Write Datum Records]\r\n") + c.title + "\r\n");
        ResultsGrid grid = DownloadedGrid();
        OpenResultsFile(s, Name("t.csv"), grid);
        EXPECT_EQ(grid.ColCount, c.cols) << c.title;
        ASSERT_EQ(grid.RowCount(), 2) << c.title;
        EXPECT_EQ(grid.Cell(0, 0), "Number");
        for (int col = 0; col < grid.ColCount; ++col) EXPECT_EQ(grid.Cell(col, 1), "");
        EXPECT_EQ(grid.Mark(1), "");
    }
}

// Bytes this process has read from files so far, where the system tells
// (Linux); -1 elsewhere.
long long BytesReadByProcess() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = -1;
    while (io >> key >> value) {
        if (key == "rchar:") return value;
    }
    return -1;
}

TEST_F(ResultsFileTest, AFileThatCannotBeReadIsReportedAndTheGridKept) {
    struct Case {
        const char* name;
        std::string file;
        std::string reason;
    };
    std::vector<Case> cases;
    fs::create_directories(dir / "folder.csv" / "inside");
    cases.push_back({"a folder", Name("folder.csv"), "is a folder"});
    if (fs::exists("/proc/self/mem")) {
        fs::create_symlink("/proc/self/mem", dir / "eio.csv");
        cases.push_back({"an I/O error", Name("eio.csv"), "Input/output error"});
    }
    for (const auto& c : cases) {
        ui.Clear();
        ResultsGrid grid = DownloadedGrid();
        EXPECT_TRUE(ReadResultsFile(s, c.file, grid)) << c.name;
        EXPECT_EQ(ui.Log(),
                  (std::vector<std::string>{"-------------------------------------", c.file,
                                            "File read error! " + c.file + ": " + c.reason}))
            << c.name;
        EXPECT_EQ(ui.Of("beep").size(), 1u) << c.name;
        EXPECT_EQ(ui.Of("box"), std::vector<std::string>{"File error!"}) << c.name;
        EXPECT_EQ(grid.RowCount(), 4) << c.name;
        EXPECT_EQ(grid.Mark(1), "clgreen") << c.name;
    }
    // Through the Open button: a folder is no file to open, an I/O error is read.
    ui.Clear();
    ResultsGrid grid = DownloadedGrid();
    OpenResultsFile(s, Name("folder.csv"), grid);
    EXPECT_TRUE(ui.Log().empty());
    EXPECT_EQ(ui.Of("box"), std::vector<std::string>{"File error!"});
    if (fs::exists(dir / "eio.csv")) {
        ui.Clear();
        OpenResultsFile(s, Name("eio.csv"), grid);
        ASSERT_EQ(ui.Log().size(), 3u);
        EXPECT_EQ(ui.Log()[2], "File read error! " + Name("eio.csv") + ": Input/output error");
        EXPECT_EQ(grid.RowCount(), 4);
    }
}

TEST_F(ResultsFileTest, AGigabyteWrongFileIsAFormatErrorAfterReadingOnlyItsStart) {
    struct Case {
        const char* name;
        std::string start;  // the rest of the gigabyte is zero bytes
        size_t logged;      // header lines shown before the error
    };
    std::string lines;
    for (int i = 1; i <= 21; ++i) lines += "line " + std::to_string(i) + "\r\n";
    const std::vector<Case> cases = {
        {"no line end at all", "", 0},
        {"twenty-one short lines without the marker", lines, 21},
    };
    for (const auto& c : cases) {
        WriteBytes(dir / "huge.xls", c.start);
        fs::resize_file(dir / "huge.xls", uint64_t{1} << 30);
        ui.Clear();
        ResultsGrid grid = DownloadedGrid();
        const long long before = BytesReadByProcess();
        OpenResultsFile(s, Name("huge.xls"), grid);
        const long long after = BytesReadByProcess();

        const auto log = ui.Log();
        ASSERT_EQ(log.size(), 2 + c.logged + 1) << c.name;
        EXPECT_EQ(log.back(), "File format error!") << c.name;
        EXPECT_EQ(grid.RowCount(), 4) << c.name;
        EXPECT_TRUE(ui.Of("box").empty()) << c.name;
        if (before >= 0 && after >= 0) {
            EXPECT_LT(after - before, 1 << 20) << c.name;
        }
    }
}

TEST_F(ResultsFileTest, ManyTitlesOverManyShortRowsCostOnlyWhatTheFileHolds) {
    // 5000 titles over 2000 one-field rows, 14 KB in all: padding every row to
    // the title count would make ten million cells.
    std::string file = "[Start to Write Datum Records]\r\n";
    for (int k = 0; k < 5000; ++k) file += "T,";
    file += "\r\n";
    for (int r = 1; r <= 2000; ++r) file += std::to_string(r % 10) + ",\r\n";
    WriteBytes(dir / "wide.csv", file);

    ResultsGrid grid;
    OpenResultsFile(s, Name("wide.csv"), grid);
    EXPECT_EQ(grid.ColCount, 5001);
    ASSERT_EQ(grid.RowCount(), 2001);
    EXPECT_EQ(grid.Cell(5000, 0), "T");
    EXPECT_EQ(grid.Cell(0, 2000), "2000");
    EXPECT_EQ(grid.Cell(1, 2000), "0");
    EXPECT_EQ(grid.Cell(4999, 2000), "");
    size_t cells = 0;
    for (const auto& row : grid.Rows) cells += row.size();
    EXPECT_LE(cells, 5001u + 2000u * 2u);
}

TEST_F(ResultsFileTest, AFileBeyondTheBoundsOfTheGridIsRefusedAndTheGridKept) {
    const std::string start = "[Start to Write Datum Records]\r\nA ,B ,\r\n";
    struct Case {
        const char* name;
        std::string data;
        std::string lastLog;
        bool box;
    };
    const std::string commas(60000, ',');
    std::string manyCells;  // 17 lines of 60000 empty fields: over a million cells
    for (int i = 0; i < 17; ++i) manyCells += commas + "\r\n";
    std::string manyBytes;  // 17 MiB of lines with one long field each
    const std::string longField(60000, 'x');
    while (manyBytes.size() <= 17u * 1024 * 1024) manyBytes += longField + "\r\n";
    const std::vector<Case> cases = {
        {"a data line over 64 KiB", "1 ,\r\n" + std::string(70000, 'x') + "\r\n",
         "File format error!", false},
        {"over a million cells", manyCells,
         "File read error! " + Name("big.csv") + ": holds more than 1000000 cells", true},
        {"over 16 MiB", manyBytes,
         "File read error! " + Name("big.csv") + ": is larger than 16777216 bytes", true},
    };
    for (const auto& c : cases) {
        WriteBytes(dir / "big.csv", start + c.data);
        ui.Clear();
        ResultsGrid grid = DownloadedGrid();
        OpenResultsFile(s, Name("big.csv"), grid);
        ASSERT_FALSE(ui.Log().empty()) << c.name;
        EXPECT_EQ(ui.Log().back(), c.lastLog) << c.name;
        EXPECT_EQ(ui.Of("box").size(), c.box ? 1u : 0u) << c.name;
        EXPECT_EQ(grid.RowCount(), 4) << c.name;
        EXPECT_EQ(grid.ColCount, DownloadedGrid().ColCount) << c.name;
        EXPECT_EQ(grid.Mark(1), "clgreen") << c.name;
    }
}

TEST_F(ResultsFileTest, CalibrationIsTakenOnlyWithinItsBoundaries) {
    // Each case sits on one boundary of the rule: longer than seven characters,
    // a "/" after the first character, a year above 2000.
    const struct {
        const char* value;
        int year, month, day;
    } cases[] = {
        {"1/2/201", 1999, 9, 8},         // seven characters: unchanged
        {"1/2/2017", 2017, 2, 1},        // eight characters
        {"1/2/20\xC3\xA9", 1999, 9, 8},  // seven characters in eight bytes
        {"/5/03/2016", 2016, 3, 5},      // a leading "/" is not the first separator
        {"05//3/2016", 2016, 3, 5},      // nor in the rest
        {"/2016abc", 1999, 9, 8},        // the only "/" is the first character
        {"2000/03/05", 1999, 3, 5},      // 2000 is a day (its low byte), not a year
        {"2001/03/05", 2001, 3, 5},      // 2001 is a year
        {"05/03/2000", 1999, 3, 208},    // the last part: 2000 is a day too
        {"05/03/2001", 2001, 3, 5},
    };
    for (const auto& c : cases) {
        {
            std::lock_guard lock(s.InfoLock);
            s.DeviceInfo.Cal = {1999, 9, 8};
        }
        WriteBytes(dir / "cal.csv", FileWithHeader({std::string("[Last Calibration]=") + c.value}));
        ResultsGrid grid;
        OpenResultsFile(s, Name("cal.csv"), grid);
        const TAlcoholInformation info = s.InfoSnapshot();
        EXPECT_EQ(info.Cal.Year, c.year) << c.value;
        EXPECT_EQ(info.Cal.Month, c.month) << c.value;
        EXPECT_EQ(info.Cal.Day, c.day) << c.value;
        EXPECT_EQ(grid.RowCount(), 2) << c.value;  // the rest of the file was read
    }
}

}  // namespace
