// Saving and opening a results file of a full record memory (65,535 records).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "core/Comm.h"
#include "core/SharedState.h"
#include "core/Ui.h"
#include "results/RecordDecoding.h"
#include "BenchPorts.h"
#include "results/ResultsFile.h"

namespace {



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
    NullUi ui(Answer::Yes);
    NullComm comm(false);
    SharedState s(ui, comm);
    const ResultsGrid grid = ShowRecords(RecordLines(), s.Texts, false);
    const std::string name = BenchFile();
    for (auto _ : state) benchmark::DoNotOptimize(SaveResultsFile(s, name, grid, SomeTime()));
    std::filesystem::remove(name);
}
BENCHMARK(BM_SaveResultsFile)->Unit(benchmark::kMillisecond);

void BM_OpenResultsFile(benchmark::State& state) {
    NullUi ui(Answer::Yes);
    NullComm comm(false);
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
