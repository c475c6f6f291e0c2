// A whole record download from the in-process virtual breathalyser: request,
// device information, record memory, then one packet per acknowledgement.
// Unpaced it measures the program's own speed (records per second); paced at
// 115200 baud it compares the download's duration with the wire time of the
// bytes exchanged (goal: within 1.1 times).

#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "BenchPorts.h"
#include "SimComm.h"
#include "SimRecords.h"
#include "core/SharedState.h"
#include "core/Ui.h"
#include "link/Download.h"
#include "link/RS232Thread.h"
#include "link/ReceiveRing.h"

namespace {

// Swallows every effect; signals when the results window would be shown.
class QuietUi : public NullUi {
public:
    void SetResultsGrid(ResultsGrid grid) override { rows = grid.RowCount(); }
    void ShowResultsWindow() override {
        {
            std::lock_guard l(m);
            shown = true;
        }
        cv.notify_all();
    }

    bool WaitShown(std::chrono::seconds limit) {
        std::unique_lock l(m);
        const bool ok = cv.wait_for(l, limit, [&] { return shown; });
        shown = false;
        return ok;
    }

    int rows = 0;

private:
    std::mutex m;
    std::condition_variable cv;
    bool shown = false;
};

void Download(benchmark::State& state, bool paced) {
    const auto records = static_cast<size_t>(state.range(0));
    QuietUi ui;
    SimComm comm;
    SimDeviceConfig config;
    config.Records = GenerateRecords(7, records);
    VirtualBreathalyser& device = comm.AddDevice("SIM", config);
    device.SetRecording(false);
    comm.SetPaced(paced);
    SharedState s(ui, comm);
    comm.SetReceiveHandler([&s](const uint8_t* b, size_t n) { Comm1ReceiveData(s, b, n); });
    if (!comm.OpenCommon("SIM", 115200)) {
        state.SkipWithError("the virtual port did not open");
        return;
    }
    s.Connected.store(1);
    RS232Thread dispatcher(s);

    double seconds = 0;
    double wireSeconds = 0;
    for (auto _ : state) {
        comm.ResetCounters();
        const auto start = std::chrono::steady_clock::now();
        btnDownloadClick(s);
        if (!ui.WaitShown(std::chrono::seconds(3600))) {
            state.SkipWithError("the download did not finish");
            return;
        }
        const auto elapsed = std::chrono::steady_clock::now() - start;
        comm.WaitUntilIdle(std::chrono::milliseconds(1000));
        seconds += std::chrono::duration<double>(elapsed).count();
        wireSeconds += std::chrono::duration<double>(comm.CountedWireTime()).count();
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
        if (ui.rows != static_cast<int>(records) + 1) {
            state.SkipWithError("the grid does not hold every record");
            return;
        }
    }
    state.counters["records_per_s"] =
        benchmark::Counter(static_cast<double>(records) * state.iterations() / seconds);
    state.counters["wire_s"] = wireSeconds / state.iterations();
    state.counters["time_over_wire"] = seconds / wireSeconds;
    comm.StopComm();
}

void BM_DownloadUnpaced(benchmark::State& state) { Download(state, false); }
void BM_DownloadPaced(benchmark::State& state) { Download(state, true); }

}  // namespace

BENCHMARK(BM_DownloadUnpaced)->Arg(1000)->Arg(65535)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DownloadPaced)->Arg(1000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
// About four minutes of wire time: run it on purpose with --benchmark_filter=Paced/65535.
BENCHMARK(BM_DownloadPaced)->Arg(65535)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
