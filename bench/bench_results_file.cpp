// Saving and opening a results file of a full record memory (65,535 records).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Comm.h"
#include "app/SharedState.h"
#include "app/Ui.h"
#include "results/RecordDecoding.h"
#include "results/ResultsFile.h"

namespace {

class QuietUi : public Ui {
public:
    void LogLine(const std::string&) override {}
    void SetLogLines(const std::vector<std::string>&) override {}
    void SetProgress(uint8_t) override {}
    void SetMainButtons(bool) override {}
    void Beep() override {}
    void MessageBox(const std::string&) override {}
    Answer Question(const std::string&, bool) override { return Answer::Yes; }
    void ServiceLine(const std::string&) override {}
    void SetServiceValue(const std::string&, const std::string&) override {}
    void ClearResultsGrid() override {}
    void SetResultsGrid(ResultsGrid) override {}
    void SetResultsButtons(bool) override {}
    void ShowResultsWindow() override {}
};

class NoComm : public Comm {
public:
    void SetReceiveHandler(ReceiveHandler) override {}
    bool OpenCommon(const std::string&, int32_t) override { return false; }
    void StopComm() override {}
    bool WriteCommData(const uint8_t*, uint16_t) override { return false; }
};

constexpr int kRecords = 65535;

std::vector<std::string> RecordLines() {
    std::vector<std::string> lines;
    lines.reserve(kRecords);
    char text[128];
    for (int i = 0; i < kRecords; ++i) {
        const int counter = i + 1;
        const int reading = (i * 37) % 4000;
        std::snprintf(text, sizeof text,
                      "00 20 84 %02X %02X %02X %02X %02X 0C 1E 2D 07 E8 06 0F 00 7B 19 07 note",
                      counter >> 8, counter & 0xFF, (i % 5) << 4 | (i % 4), reading >> 8,
                      reading & 0xFF);
        lines.emplace_back(text);
    }
    return lines;
}

std::tm SomeTime() {
    std::tm t{};
    t.tm_year = 124;
    t.tm_mday = 1;
    return t;
}

std::string BenchFile() {
    return (std::filesystem::temp_directory_path() / "brev-bench-results.csv").string();
}

void BM_ShowRecords(benchmark::State& state) {
    const auto lines = RecordLines();
    const TextTable texts;
    for (auto _ : state) benchmark::DoNotOptimize(ShowRecords(lines, texts, false));
}
BENCHMARK(BM_ShowRecords)->Unit(benchmark::kMillisecond);

void BM_SaveResultsFile(benchmark::State& state) {
    QuietUi ui;
    NoComm comm;
    SharedState s(ui, comm);
    const ResultsGrid grid = ShowRecords(RecordLines(), s.Texts, false);
    const std::string name = BenchFile();
    for (auto _ : state) benchmark::DoNotOptimize(SaveResultsFile(s, name, grid, SomeTime()));
    std::filesystem::remove(name);
}
BENCHMARK(BM_SaveResultsFile)->Unit(benchmark::kMillisecond);

void BM_OpenResultsFile(benchmark::State& state) {
    QuietUi ui;
    NoComm comm;
    SharedState s(ui, comm);
    const std::string name = BenchFile();
    SaveResultsFile(s, name, ShowRecords(RecordLines(), s.Texts, false), SomeTime());
    for (auto _ : state) {
        ResultsGrid grid;
        OpenResultsFile(s, name, grid);
        if (grid.RowCount() != kRecords + 1) state.SkipWithError("rows lost");
        benchmark::DoNotOptimize(grid);
    }
    std::filesystem::remove(name);
}
BENCHMARK(BM_OpenResultsFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
