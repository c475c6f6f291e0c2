#pragma once
// An in-process serial port with virtual breathalysers behind it: a Comm for tests,
// benchmarks and the demo mode. Several devices may sit on several port names; one
// port is open at a time.
//
// Bytes written by the PC reach the device, and the device's answers reach the
// receive handler, on this object's own delivery thread: never inside WriteCommData
// and never on the caller's thread, always in order. Unpaced (the default) they move
// as fast as possible; paced, both directions run at 115200 baud 8N1 (a byte takes
// 1/11520 s), delivered in blocks of whatever is due by a deadline clock.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "SimWire.h"
#include "VirtualBreathalyser.h"
#include "core/Comm.h"

class SimComm : public Comm {
  public:
    SimComm();
    ~SimComm() override;
    SimComm(const SimComm&) = delete;
    SimComm& operator=(const SimComm&) = delete;

    // --- ports ---
    // A device the caller owns and keeps alive for the life of this object.
    void AddDevice(const std::string& port, VirtualBreathalyser& device);
    // A device this object owns.
    VirtualBreathalyser& AddDevice(const std::string& port, SimDeviceConfig config);
    // A port that opens but has nothing attached.
    void AddEmptyPort(const std::string& port);
    // The device on port, or nullptr (unknown or empty port).
    VirtualBreathalyser* Device(const std::string& port) const;
    // Port names in the order they were added (for a port-list fake).
    std::vector<std::string> PortNames() const;

    // --- Comm ---
    void SetReceiveHandler(ReceiveHandler handler) override;
    // Called on the delivery thread when the open port's device is unplugged.
    void SetDeviceGoneHandler(DeviceGoneHandler handler) override;
    // True only for a known, plugged port while no port is open. The device's link is
    // reset (a fresh connection).
    bool OpenCommon(const std::string& comport, int32_t buadrate) override;
    // Closes the port and drops every byte still on the way in either direction. When
    // it returns, the receive handler is not running and will not be called again for
    // this connection (unless StopComm is called from inside the handler itself).
    void StopComm() override;
    // False when closed, count 0, refused, or the open port's device is unplugged.
    bool WriteCommData(const uint8_t* buffer, uint16_t count) override;

    // --- pacing ---
    void SetPaced(bool paced);
    // Time a device takes to start its answer after the last byte of a request has
    // arrived (0 by default): a slow device for the search's answer limit.
    void SetReplyDelay(std::chrono::microseconds delay);

    // --- the device side ---
    // Sends bytes from the open port's device side (unsolicited reports made with
    // VirtualBreathalyser::MakeReport, or any raw bytes). False when closed.
    bool InjectFromDevice(std::span<const uint8_t> bytes);

    // --- fault knobs ---
    void SetFailOpen(bool fail);        // every OpenCommon fails
    void SetRefuseWrites(bool refuse);  // every WriteCommData fails, nothing is sent
    // An unplugged port cannot be opened; if it is open, writes fail, nothing more
    // arrives from it until it is closed, and the device-gone handler is called
    // once (on the delivery thread, unless the port is closed first).
    void SetUnplugged(const std::string& port, bool unplugged);

    // --- observation ---
    bool IsOpen() const;
    std::string OpenPort() const;                   // empty when closed
    std::vector<std::string> OpenAttempts() const;  // every OpenCommon name, in order
    uint64_t BytesWritten() const;                  // PC -> device, accepted by WriteCommData
    uint64_t BytesDelivered() const;                // device -> PC, handed to the receive handler
    void ResetCounters();
    // Wire time of the bytes counted so far, both directions (115200 baud, 10 bits a
    // byte): the floor of any exchange's duration, for benchmarks.
    std::chrono::nanoseconds CountedWireTime() const;
    // Waits until nothing is on the way in either direction and the handler is not
    // running. False on timeout.
    bool WaitUntilIdle(std::chrono::milliseconds timeout);

  private:
    struct Port {
        VirtualBreathalyser* Device = nullptr;
        std::unique_ptr<VirtualBreathalyser> Owned;
        bool Unplugged = false;
    };

    void Run();
    bool IdleLocked() const;
    Port* OpenPortLocked();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::map<std::string, Port> ports_;
    std::vector<std::string> order_;
    std::vector<std::string> attempts_;
    ReceiveHandler handler_;
    std::mutex goneLock_;  // held while the device-gone handler runs or is replaced
    DeviceGoneHandler goneHandler_;
    bool gonePending_ = false;  // the open port was unplugged; not yet reported
    std::string open_;  // empty: closed
    SimWire toDevice_;
    SimWire fromDevice_;
    bool failOpen_ = false;
    bool refuseWrites_ = false;
    std::chrono::microseconds replyDelay_{0};
    bool delivering_ = false;
    std::thread::id deliveryThreadId_;
    uint64_t bytesWritten_ = 0;
    uint64_t bytesDelivered_ = 0;
    bool stop_ = false;
    std::thread thread_;  // last: started after every member above exists
};
