#pragma once
// A breathalyser in software: consumes the bytes the PC sends and produces the
// device's answers, in the normal protocol or in its bootloader. It owns no port;
// SimComm (in process) and brevsim (pseudo-terminal) carry the bytes.
//
// All public members are safe to call from several threads (one internal mutex), so
// a test may inspect the device while a SimComm delivery thread feeds it.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <span>
#include <vector>

#include "SimBootloader.h"
#include "SimDeviceConfig.h"
#include "SimFraming.h"

class VirtualBreathalyser {
  public:
    explicit VirtualBreathalyser(SimDeviceConfig config = {});

    // Takes bytes from the PC, split anywhere, and returns what the device answers to
    // them (possibly nothing). Normal mode answers requests (payload starting 0x11):
    // 0x81 device information, 0x82 date and time, 0x83 record memory, 0x6A full
    // status, 0x84 [11 first last] records one per acknowledgement (0x22 next,
    // 0x66 finished, 0x33 resend), 0xA0 "ResetMCU" with 0xA0 [22] and a switch into
    // the bootloader (or, as configured, silence or a refusal A0 [33]). Other
    // acknowledgements and frames with a bad sum are recorded and otherwise ignored.
    // Bootloader mode answers only bootloader frames (SimBootloader.h); the search's
    // bootloader probe 1B 00 FE 01 87 88 is its verify request. After an
    // acknowledged reset 0x88 the device speaks the normal protocol again, with the
    // new software version when it has received a complete code.
    std::vector<uint8_t> Receive(std::span<const uint8_t> bytes);

    // How long the device works before the answer of the last Receive can start
    // (its time to program data frames); taken once.
    std::chrono::microseconds TakeAnswerDelay();

    // A new connection: half-received frames and any record download are forgotten.
    // Fault knobs, silence and the received-byte log are kept.
    void ResetLink();

    // --- configuration ---
    SimDeviceConfig Config() const;
    void Configure(const std::function<void(SimDeviceConfig&)>& change);
    void SetRecords(std::vector<SimRecord> records);
    void SetBootloader(bool inBootloader);
    bool InBootloader() const;

    // --- frames on demand (clean: no fault knobs, not counted as sent) ---
    // Unsolicited reports: 0x80 run status, 0x81, 0x82, 0x83, 0x6A, 0x61 serial
    // numbers, 0x62 settings, 0x63 sensor/LED, 0x65 start logo, 0x9C print header,
    // 0x6F factory reset ([66]), 0x9A/0x9B delete progress with payload [code]
    // (0x22 one more deleted, 0x66 finished). Any other command gives an empty vector.
    std::vector<uint8_t> MakeReport(uint8_t command, uint8_t code = 0x22) const;
    // Record packet 0x84 for record number (1-based); empty when there is no such record.
    std::vector<uint8_t> MakeRecordFrame(uint16_t number) const;

    // --- fault knobs ---
    // Frames and bytes are counted over everything Receive has answered since the
    // device was made, from 0. Byte positions count the bytes the device meant to send.
    void CorruptOutgoingFrame(uint64_t frameIndex);           // its sum is inverted
    void CorruptRecord(uint16_t number, unsigned times = 1);  // first `times` sends of it
    void DropOutgoingByte(uint64_t position);
    void InsertOutgoingByte(uint64_t position, uint8_t value);  // sent before that byte
    // After sending record `number` (1-based) the device stops answering anything,
    // as if unplugged, until SetSilent(false).
    void FallSilentAfterRecord(uint16_t number);
    void SetSilent(bool silent);
    bool IsSilent() const;

    // --- observation ---
    // Every byte and every normal frame received (also while silent or in the
    // bootloader); switch off for very long runs.
    void SetRecording(bool on);
    std::vector<uint8_t> ReceivedBytes() const;
    std::vector<SimReceivedFrame> ReceivedFrames() const;
    void ClearReceived();
    std::vector<uint16_t> RecordsSent() const;  // record numbers in sending order, resends too
    uint64_t FramesSent() const;
    uint64_t BytesSent() const;  // bytes actually answered, after faults
    bool DownloadActive() const;

    // --- the bootloader's flash ---
    std::vector<uint8_t> Flash() const;  // the code area, 0xFF where erased
    // Bytes programmed since the last erase with their addresses, in address order.
    std::vector<std::pair<uint32_t, uint8_t>> ProgrammedCode() const;
    uint64_t DataFramesReceived() const;  // accepted write frames, over every run
    // Bodies (command and data) of the bootloader frames received with a right sum.
    std::vector<std::vector<uint8_t>> ReceivedBootFrames() const;

  private:
    struct Download {
        bool Active = false;
        uint16_t Current = 0;
        uint16_t Last = 0;
    };

    void HandleFrame(const SimReceivedFrame& frame, std::vector<uint8_t>& out);
    void HandleRecordFrame(const SimReceivedFrame& frame, std::vector<uint8_t>& out);
    void HandleBootFrame(const std::vector<uint8_t>& body, std::vector<uint8_t>& out);
    void SendRecord(uint16_t number, std::vector<uint8_t>& out);
    void Emit(std::vector<uint8_t> frame, std::vector<uint8_t>& out);
    std::vector<uint8_t> RecordFrameLocked(uint16_t number) const;

    mutable std::mutex mutex_;
    SimDeviceConfig config_;
    SimFrameParser parser_;
    SimBootParser bootParser_;
    mutable SimBootloader boot_;  // fits its flash to the configured code area on use
    Download download_;
    std::chrono::microseconds answerDelay_{0};

    std::set<uint64_t> corruptFrames_;
    std::map<uint16_t, unsigned> corruptRecords_;
    std::set<uint64_t> dropBytes_;
    std::map<uint64_t, uint8_t> insertBytes_;
    uint32_t silentAfterRecord_ = 0;  // 0: off; else record number
    bool silent_ = false;

    bool recording_ = true;
    std::vector<uint8_t> received_;
    std::vector<SimReceivedFrame> receivedFrames_;
    std::vector<std::vector<uint8_t>> receivedBootFrames_;
    std::vector<uint16_t> recordsSent_;
    uint64_t framesSent_ = 0;
    uint64_t bytePosition_ = 0;
    uint64_t bytesSent_ = 0;
};
