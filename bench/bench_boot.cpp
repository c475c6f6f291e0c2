// A whole programming run through the bootloader of the in-process virtual
// breathalyser, paced at 115200 baud: identification, erase, write, verify and
// reset with the default steps. Reported:
//   time_over_wire  the run's duration over the wire time of every byte that
//                   crossed the line in either direction (goal: at most 1.05);
//   line_share      code bytes per second over the line rate of 11,520 bytes/s
//                   (the framing allows about 95 %; goal: at least 90 %).
// Images of 64 KiB and 512 KiB, against a device that programs instantly and one
// that needs 2 ms per data frame.

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "BenchPorts.h"
#include "SimComm.h"
#include "core/SharedState.h"
#include "firmware/BootProtocol.h"
#include "firmware/ProgrammingRun.h"
#include "link/RS232Thread.h"
#include "link/ReceiveRing.h"

namespace {

constexpr double kLineBytesPerSecond = 11520.0;

// A decoded image of `bytes` code bytes in lines of 16, written to a fresh folder.
std::filesystem::path WriteImage(size_t bytes) {
    const auto folder =
        std::filesystem::temp_directory_path() /
        ("brev-bench-boot-" + std::to_string(bytes) + "-" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(folder);
    std::ofstream out(folder / "RAZEncryptioninformation_KOVAN", std::ios::binary);
    static const char* digits = "0123456789abcdef";
    std::string line;
    for (size_t i = 0; i < bytes; ++i) {
        const auto v = static_cast<uint8_t>(i * 13 + (i >> 8));
        line += digits[v >> 4];
        line += digits[v & 15];
        line += ' ';
        if (line.size() == 48 || i + 1 == bytes) {
            out << line << "\r\n";
            line.clear();
        }
    }
    out << "q\r\n";
    return folder;
}

void ProgrammingRun(benchmark::State& state, std::chrono::microseconds frameTime) {
    const auto bytes = static_cast<size_t>(state.range(0)) * 1024;
    const auto store = WriteImage(bytes);

    NullUi ui;
    SimComm comm;
    SimDeviceConfig config;
    config.InBootloader = true;
    config.Boot.DeviceType = "BENCH";
    config.Boot.FlashStart = 0x08000000;
    config.Boot.FlashEnd = 0x0808FFFF;
    config.Boot.DataFrameTime = frameTime;
    VirtualBreathalyser& device = comm.AddDevice("SIM", config);
    device.SetRecording(false);
    comm.SetPaced(true);

    SharedState s(ui, comm);
    s.ModelTable = {"[STM32]", "DeviceType1=STM32BENCH", "StartAddress1=08000000",
                    "EndAddress1=0808FFFF"};
    s.Flash.EraseMain = true;
    s.Flash.WriteCode = true;
    s.Flash.VerifyCode = true;
    s.Flash.AutomaticReset = true;
    s.Flash.McuType = "STM32";
    s.DeviceInfo.Model = "KOVAN";
    s.FirmwareModel = "Q7303";
    comm.SetReceiveHandler([&s](const uint8_t* b, size_t n) { Comm1ReceiveData(s, b, n); });
    if (!comm.OpenCommon("SIM", 115200)) {
        state.SkipWithError("the virtual port did not open");
        return;
    }
    s.Connected.store(1);
    s.LinkMode.store(10);
    RS232Thread dispatcher(s, [&s](uint8_t b) { BootReceiveByte(s, b); });

    double seconds = 0;
    double wireSeconds = 0;
    for (auto _ : state) {
        device.SetBootloader(true);
        s.LinkMode.store(10);
        s.FlashResult.store(0);
        StepBootTicks(s, false);
        comm.ResetCounters();
        const auto start = std::chrono::steady_clock::now();
        StartFirmwareUpdate(s, FirmwareImages{store, {}});
        while (ReadProgrammingRun(s) == ProgrammingRunState::Running &&
               std::chrono::steady_clock::now() - start < std::chrono::minutes(10)) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        const auto elapsed = std::chrono::steady_clock::now() - start;
        if (s.LinkMode.load() != 11) {
            state.SkipWithError("the run did not end with the device's reset");
            break;
        }
        comm.WaitUntilIdle(std::chrono::milliseconds(1000));
        seconds += std::chrono::duration<double>(elapsed).count();
        wireSeconds += std::chrono::duration<double>(comm.CountedWireTime()).count();
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
    }
    if (seconds > 0) {
        const double n = static_cast<double>(state.iterations());
        state.counters["time_over_wire"] = seconds / wireSeconds;
        state.counters["code_bytes_per_s"] = static_cast<double>(bytes) * n / seconds;
        state.counters["line_share"] =
            static_cast<double>(bytes) * n / seconds / kLineBytesPerSecond;
    }
    comm.StopComm();
    std::error_code ec;
    std::filesystem::remove_all(store, ec);
}

void BM_ProgrammingRunInstantDevice(benchmark::State& state) {
    ProgrammingRun(state, std::chrono::microseconds(0));
}
void BM_ProgrammingRun2msPerFrame(benchmark::State& state) {
    ProgrammingRun(state, std::chrono::milliseconds(2));
}

}  // namespace

// About 6 s and 47 s of wire time.
BENCHMARK(BM_ProgrammingRunInstantDevice)
    ->Arg(64)
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_ProgrammingRunInstantDevice)
    ->Arg(512)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_ProgrammingRun2msPerFrame)
    ->Arg(64)
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_ProgrammingRun2msPerFrame)
    ->Arg(512)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
