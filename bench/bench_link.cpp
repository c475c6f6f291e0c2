// Throughput of the receive path: bytes handed to the receive handler, drained
// by the dispatcher thread one at a time into the frame parser. The serial line
// carries at most 11,520 bytes/s (115200 baud, 10 bits per byte); the
// "x_line_rate" counter says how many times that the path keeps up with.

#include <benchmark/benchmark.h>

#include <memory>
#include <thread>
#include <vector>

#include "core/Comm.h"
#include "core/SharedState.h"
#include "core/Ui.h"
#include "BenchPorts.h"
#include "link/FrameCodec.h"
#include "link/RS232Thread.h"
#include "link/ReceiveRing.h"

namespace {

constexpr double kLineRate = 115200.0 / 10.0;



// A 64-byte record packet (0x84, 58 payload bytes) with its checksum.
std::vector<uint8_t> RecordFrame(uint8_t counter) {
    std::vector<uint8_t> f = {0xAA, 0xFE, 0x00, 60, 0x84};
    for (int i = 0; i < 16; ++i) f.push_back(static_cast<uint8_t>(i == 1 ? counter : i));
    for (int i = 0; i < 42; ++i) f.push_back(static_cast<uint8_t>('a' + i % 26));
    unsigned sum = 0;
    for (size_t i = 2; i < f.size(); ++i) sum += f[i];
    f.push_back(static_cast<uint8_t>(sum));
    return f;
}

// 60 frames: 3840 bytes, which fit the 4000-byte ring without an overrun.
std::vector<uint8_t> Stream() {
    std::vector<uint8_t> stream;
    for (int i = 0; i < 60; ++i) {
        const auto f = RecordFrame(static_cast<uint8_t>(i));
        stream.insert(stream.end(), f.begin(), f.end());
    }
    return stream;
}

void WaitDrained(SharedState& s) {
    while (s.RxReadPos.load(std::memory_order_acquire) !=
           s.RxWritePos.load(std::memory_order_acquire))
        std::this_thread::yield();
}

// Receive path with the serial component's blocks of the given size; the frames
// arrive while no download is open, so each is dispatched and dropped.
void BM_ReceivePath(benchmark::State& state) {
    NullUi ui;
    NullComm comm;
    SharedState s(ui, comm);
    RS232Thread dispatcher(s);
    const auto stream = Stream();
    const auto block = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        for (size_t at = 0; at < stream.size(); at += block)
            Comm1ReceiveData(s, stream.data() + at, std::min(block, stream.size() - at));
        WaitDrained(s);
    }
    const double bytes =
        static_cast<double>(state.iterations()) * static_cast<double>(stream.size());
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    state.counters["x_line_rate"] =
        benchmark::Counter(bytes / kLineRate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReceivePath)->Arg(1)->Arg(64)->Arg(4096)->UseRealTime();

// The same stream during a download: every packet becomes a record line and is
// acknowledged (on a port that accepts everything).
void BM_ReceivePathDownload(benchmark::State& state) {
    NullUi ui;
    NullComm comm;
    SharedState s(ui, comm);
    RS232Thread dispatcher(s);
    s.DeviceInfo.TotalNumRec = 65535;
    const auto stream = Stream();
    for (auto _ : state) {
        state.PauseTiming();
        s.OperationState = 2;
        s.ProgressCount = 0;
        s.RecordLines = std::make_shared<std::vector<std::string>>();
        state.ResumeTiming();
        for (size_t at = 0; at < stream.size(); at += 64)
            Comm1ReceiveData(s, stream.data() + at, std::min<size_t>(64, stream.size() - at));
        WaitDrained(s);
    }
    const double bytes =
        static_cast<double>(state.iterations()) * static_cast<double>(stream.size());
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    state.counters["x_line_rate"] =
        benchmark::Counter(bytes / kLineRate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReceivePathDownload)->UseRealTime();

// The parser alone, on the calling thread.
void BM_ParseRxByte(benchmark::State& state) {
    NullUi ui;
    NullComm comm;
    SharedState s(ui, comm);
    const auto stream = Stream();
    for (auto _ : state)
        for (uint8_t b : stream) ParseRxByte(s, b);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(stream.size()));
}
BENCHMARK(BM_ParseRxByte);

}  // namespace

BENCHMARK_MAIN();
