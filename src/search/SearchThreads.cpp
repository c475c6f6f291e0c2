#include "search/SearchThreads.h"

#include <array>
#include <chrono>
#include <mutex>
#include <string>

#include "core/Comm.h"
#include "core/SharedState.h"
#include "core/SystemPorts.h"
#include "core/Ui.h"
#include "link/FrameCodec.h"
#include "link/RS232Thread.h"
#include "link/ReceiveRing.h"
#include "search/SearchTexts.h"

namespace {

constexpr int kSettleAfterOpenMs = 50;
constexpr int kProbeLimitMs = 80;
constexpr int kBetweenPortsMs = 10;
// Once a probe answer has begun we let the rest of it arrive before the ring is
// reset, so that its tail does not land in front of the next frame.
constexpr int kQuietMs = 5;
// How long the bytes that arrived from a lost device may take to be handled.
constexpr int kDrainLostLinkMs = 200;

using SteadyClock = std::chrono::steady_clock;

// The format text with its first "%d" standing for the records received and
// its second for the records the device holds.
std::string RecordsArrivedLine(std::string format, int32_t received, int32_t total) {
    for (const int32_t value : {received, total}) {
        const auto at = format.find("%d");
        if (at == std::string::npos) break;
        format.replace(at, 2, std::to_string(value));
    }
    return format;
}

}  // namespace

SearchThreads::SearchThreads(SharedState& s, PortLister& ports, SearchHooks hooks)
    : s_(s), ports_(ports), hooks_(std::move(hooks)) {
    s_.comm.SetDeviceGoneHandler([this] { DeviceGone(); });
}

SearchThreads::~SearchThreads() {
    // First: once this returns, the serial component no longer calls us.
    s_.comm.SetDeviceGoneHandler({});
    Stop();
}

void SearchThreads::Start() {
    if (thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = false;
    }
    thread_ = std::thread([this] { Execute(); });
}

void SearchThreads::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    ReleaseDispatcher();
}

void SearchThreads::Trigger() {
    {
        std::lock_guard lock(mutex_);
        s_.SearchTrigger.store(1);
    }
    wake_.notify_all();
}

void SearchThreads::InitializeSearchTask() { s_.SearchProgress.store(0); }

void SearchThreads::Execute() {
    InitializeSearchTask();
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] {
                return stopping_ || s_.SearchTrigger.load() != 0 || deviceGone_.load();
            });
            if (stopping_) return;
        }
        // A lost device is handled at once, between passes, not at the next tick.
        DropLostDevice();
        if (s_.SearchTrigger.load() == 0) continue;
        SearchMainTask();
        s_.SearchTrigger.store(0);
    }
}

void SearchThreads::DeviceGone() {
    {
        // Under the lock, so the search thread cannot miss the wake-up between
        // testing the flag and waiting.
        std::lock_guard lock(mutex_);
        deviceGone_.store(true);
    }
    wake_.notify_all();
}

bool SearchThreads::DropLostDevice() {
    if (!deviceGone_.exchange(false)) return false;
    // Reported for a port being probed, or after the link was dropped anyway:
    // the search goes on as it is. A programming run has its own closing.
    if (s_.Connected.load() == 0 || s_.LinkMode.load() >= 10) return false;
    // What had arrived before the device went is handled first (a record
    // received whole still counts), within a bound.
    if (RS232ThreadTask) RS232ThreadTask->WaitUntilDrained(kDrainLostLinkMs);
    const uint8_t operation = s_.OperationState.exchange(0);
    s_.OperationTicks.store(0);
    s_.ui.LogLine(Text(s_.Texts, kDeviceLostText));
    if (operation == 2) {
        int32_t total;
        {
            std::lock_guard lock(s_.InfoLock);
            total = s_.DeviceInfo.TotalNumRec;
        }
        s_.ui.LogLine(RecordsArrivedLine(Text(s_.Texts, kRecordsArrivedText),
                                         s_.ProgressCount.load(), total));
    }
    DropTheLink();
    // The next pass says again that it is searching.
    s_.SearchProgress.store(0);
    return true;
}

void SearchThreads::Sleep(int ms) {
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return stopping_; });
}

void SearchThreads::SearchMainTask() {
    // A link whose device has gone is not supervised: it is dropped first.
    DropLostDevice();
    StepBootTicks(s_, true);
    const bool bootloaderMode = s_.LinkMode.load() >= 10;
    if (s_.Connected.load() == 0) {
        Searching(bootloaderMode);
    } else if (!bootloaderMode) {
        SuperviseNormalLink();
    } else if (hooks_.CloseProgrammingRun) {
        hooks_.CloseProgrammingRun();
    } else {
        // No programmer is attached to this build of the search: nothing can
        // finish the run, so give the link up rather than hold it forever.
        DropTheLink();
    }
}

void SearchThreads::Searching(bool bootloaderFirst) {
    if (s_.SearchProgress.load() == 0) s_.ui.LogLine(Text(s_.Texts, kSearchingText));
    int progress = s_.SearchProgress.load() + 10;
    if (progress > 101) progress = 1;
    s_.SearchProgress.store(progress);
    s_.ui.SetProgress(static_cast<uint8_t>(progress > 100 ? 100 : progress));

    s_.PortBaudRate.store(115200);
    const auto ports = ports_.GetComPortList();
    for (size_t i = 0; i < ports.size(); ++i) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
        }
        const bool connected =
            bootloaderFirst ? TryPortBootloaderFirst(ports[i]) : TryPortNormalFirst(ports[i]);
        if (connected) return;
        if (i + 1 < ports.size()) Sleep(kBetweenPortsMs);
    }
}

bool SearchThreads::OpenPort(const std::string& port) {
    // A report about an earlier port (closed by now) must not drop this one.
    deviceGone_.store(false);
    return s_.comm.OpenCommon(port, s_.PortBaudRate.load());
}

bool SearchThreads::TryPortNormalFirst(const std::string& port) {
    if (!OpenPort(port)) return false;
    Sleep(kSettleAfterOpenMs);
    if (NormalProbe()) {
        ConnectNormalDevice(true);
        return true;
    }
    if (BootloaderProbe() && hooks_.UpdateModeFound && hooks_.UpdateModeFound(port)) return true;
    s_.comm.StopComm();
    return false;
}

bool SearchThreads::TryPortBootloaderFirst(const std::string& port) {
    if (!OpenPort(port)) return false;
    Sleep(kSettleAfterOpenMs);
    if (hooks_.StartFirmwareUpdate && BootloaderProbe()) {
        ConnectBootloaderDevice();
        return true;
    }
    if (NormalProbe()) {
        s_.LinkMode.store(0);
        ConnectNormalDevice(false);
        return true;
    }
    s_.comm.StopComm();
    return false;
}

// The ring is started again for the answer (the writer applies the reset),
// then the probe goes out.
bool SearchThreads::NormalProbe() {
    const uint32_t ticket = AskRingReset(s_);
    const uint8_t payload[] = {0x11};
    SendFrame(s_, 0x82, payload, false);
    return WaitForAnswer(ticket, 0xAA, 0xFE);
}

bool SearchThreads::BootloaderProbe() {
    const uint32_t ticket = AskRingReset(s_);
    const uint8_t probe[] = {0x1B, 0x00, 0xFE, 0x01, 0x87, 0x88};
    SendRawBytes(s_, probe);
    return WaitForAnswer(ticket, 0x00, 0xFE);
}

// Accepted as soon as at least three bytes have come since the reset and the
// first two match; 80 ms is the limit.
bool SearchThreads::WaitForAnswer(uint32_t ringTicket, uint8_t first, uint8_t second) {
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(kProbeLimitMs);
    for (;;) {
        const uint16_t count = BytesSinceReset(s_, ringTicket);
        if (count >= 3 && s_.RxRing[0] == first && s_.RxRing[1] == second) break;
        if (SteadyClock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    // Let the rest of the answer arrive (within the limit), so that its tail
    // is not taken for the start of the next frame.
    uint16_t last = BytesSinceReset(s_, ringTicket);
    auto quietSince = SteadyClock::now();
    while (SteadyClock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const uint16_t now = BytesSinceReset(s_, ringTicket);
        if (now != last) {
            last = now;
            quietSince = SteadyClock::now();
        } else if (SteadyClock::now() - quietSince >= std::chrono::milliseconds(kQuietMs)) {
            break;
        }
    }
    return true;
}

// The ring is started again once, by the new dispatcher's reset: a second
// reset here would only throw away bytes that arrive in between.
void SearchThreads::ConnectNormalDevice(bool beep) {
    s_.ui.SetMainButtons(true);
    if (beep) s_.ui.Beep();
    s_.Connected.store(1);
    StartDispatcher();
    s_.ui.LogLine(Text(s_.Texts, kConnectedText));
    s_.ui.SetProgress(0);
}

void SearchThreads::ConnectBootloaderDevice() {
    s_.Connected.store(1);
    StartDispatcher();
    s_.ui.LogLine(Text(s_.Texts, kConnectedText));
    StepBootTicks(s_, false);
    hooks_.StartFirmwareUpdate();
    s_.ui.LogLine(Text(s_.Texts, kStartUpdateText));
    StepBootTicks(s_, false);
    s_.ui.SetProgress(0);
}

void SearchThreads::SuperviseNormalLink() {
    s_.SearchProgress.store(0);
    if (s_.OperationState.load() != 0) {
        // One atomic step: a reply that resets the counter meanwhile is never lost.
        const uint8_t ticks = static_cast<uint8_t>(s_.OperationTicks.fetch_add(1) + 1);
        if (ticks > 10) {
            s_.OperationState.store(0);
            s_.OperationTicks.store(0);
            s_.ui.LogLine(Text(s_.Texts, kDeviceLostText));
            DropTheLink();
            return;
        }
    }
    if (s_.LinkMode.load() == 2 && hooks_.UpdateConversation) hooks_.UpdateConversation();
}

void SearchThreads::DropTheLink() {
    ReleaseDispatcher();
    s_.comm.StopComm();
    s_.ui.SetMainButtons(false);
    // The port is closed: nothing stores into the ring, so it is reset here.
    ResetRingWhileClosed(s_);
    s_.Connected.store(0);
}

void SearchThreads::StartDispatcher() {
    // Never two dispatchers on one parser, not even for a moment.
    ReleaseDispatcher();
    RS232ThreadTask = std::make_unique<RS232Thread>(s_, hooks_.BootReceiveByte);
}

void SearchThreads::ReleaseDispatcher() { RS232ThreadTask.reset(); }
