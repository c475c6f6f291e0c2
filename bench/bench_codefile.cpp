// Reading and making a firmware code file of a 1 MiB image (65,536 data lines).

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

#include "BenchPorts.h"
#include "core/SharedState.h"
#include "firmware/CodeFile.h"
#include "firmware/CodeFileMake.h"

namespace {

CodeImage MegabyteImage() {
    std::vector<uint8_t> bytes(1024 * 1024);
    std::mt19937 random(7);
    for (auto& b : bytes) b = static_cast<uint8_t>(random());
    return BinaryImage(bytes, 0x08003000);
}

void BM_CodeFileMake1MiB(benchmark::State& state) {
    const CodeImage image = MegabyteImage();
    for (auto _ : state) {
        std::vector<std::string> lines;
        std::string error;
        MakeCodeFile({"Q7302", "2.01.006", "1.000", "bench", "STM32"}, image, lines, error);
        benchmark::DoNotOptimize(lines.data());
    }
}
BENCHMARK(BM_CodeFileMake1MiB)->Unit(benchmark::kMillisecond);

// The whole reading: decoding, both sums and writing the decoded image.
void BM_ReadCodeFile1MiB(benchmark::State& state) {
    std::vector<std::string> lines;
    std::string error;
    MakeCodeFile({"Q7302", "2.01.006", "1.000", "bench", "STM32"}, MegabyteImage(), lines, error);
    NullUi ui;
    NullComm comm;
    SharedState s(ui, comm);
    const auto store = std::filesystem::temp_directory_path() / "brev-bench-codefile";
    s.Firmware.Store = store;
    for (auto _ : state) {
        if (ReadCodeFile(s, lines, "bench.txt") != CodeFileRead::Accepted) {
            state.SkipWithError("file rejected");
            break;
        }
    }
    state.counters["data_lines"] = static_cast<double>(lines.size() - 10);
    std::error_code ec;
    std::filesystem::remove_all(store, ec);
}
BENCHMARK(BM_ReadCodeFile1MiB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
