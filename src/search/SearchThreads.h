#pragma once
// The search thread: once per trigger it runs one pass. While nothing is
// connected a pass probes every candidate port and connects the first
// breathalyser that answers; while connected it watches the open operation and
// drops the link when the device stops answering.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

struct SharedState;
class PortLister;
class RS232Thread;

// Steps of the firmware update that plug into the search. Until they are set,
// a device that answers only in its bootloader is left unconnected.
struct SearchHooks {
    // A device answered the bootloader probe during a normal-first search; true
    // when the hook has connected it (programming run started).
    std::function<bool(const std::string& port)> UpdateModeFound;
    // The bootloader answered during a bootloader-first search; starts the run.
    std::function<void()> StartFirmwareUpdate;
    // Connected with LinkMode 2: the update conversation.
    std::function<void()> UpdateConversation;
    // Connected with LinkMode 10 or more: the closing checks of a programming run.
    std::function<void()> CloseProgrammingRun;
    // Byte sink of the dispatcher while LinkMode is 10 or more.
    std::function<void(uint8_t)> BootReceiveByte;
};

class SearchThreads {
public:
    // Registers itself as the serial component's device-gone handler for its
    // whole life.
    SearchThreads(SharedState& s, PortLister& ports, SearchHooks hooks = {});
    ~SearchThreads();
    SearchThreads(const SearchThreads&) = delete;
    SearchThreads& operator=(const SearchThreads&) = delete;

    // Starts the thread; it waits for triggers.
    void Start();
    // Stops the thread (after the pass in hand) and releases the dispatcher.
    void Stop();
    // Asks for one pass (the one-second timer). Triggers during a pass are absorbed.
    void Trigger();

    void InitializeSearchTask();
    // One pass; public so tests and the headless front end can drive passes.
    void SearchMainTask();

    // The serial component's report that the open port's device is gone (any
    // thread; returns at once). The running search thread drops the link at
    // once; a caller that drives the passes itself calls DropLostDevice.
    void DeviceGone();
    // When the device of a normal link has been reported gone, drops the link
    // as the watchdog does ("[Warning]" 14, any operation abandoned, buttons
    // off, the next pass searches again) and says how far a download had come;
    // true when it did. Run on the thread that runs the passes.
    bool DropLostDevice();

    // Link operations, also used by the update conversation.
    void DropTheLink();
    void StartDispatcher();
    void ReleaseDispatcher();
    bool DispatcherRunning() const { return RS232ThreadTask != nullptr; }

    // Interruptible sleep: returns early when the thread is being stopped.
    void Sleep(int ms);

private:
    void Execute();
    void Searching(bool bootloaderFirst);
    bool TryPortNormalFirst(const std::string& port);
    bool TryPortBootloaderFirst(const std::string& port);
    bool OpenPort(const std::string& port);
    bool NormalProbe();
    bool BootloaderProbe();
    bool WaitForAnswer(uint32_t ringTicket, uint8_t first, uint8_t second);
    void ConnectNormalDevice(bool beep);
    void ConnectBootloaderDevice();
    void SuperviseNormalLink();

    SharedState& s_;
    PortLister& ports_;
    SearchHooks hooks_;
    std::unique_ptr<RS232Thread> RS232ThreadTask;

    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::atomic<bool> deviceGone_{false};  // reported by the serial component, not yet handled
    std::thread thread_;
};
