#include "VirtualBreathalyser.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "SimReports.h"

namespace {

constexpr uint8_t kRequest = 0x11;
constexpr uint8_t kNext = 0x22;
constexpr uint8_t kResend = 0x33;
constexpr uint8_t kFinished = 0x66;

bool IsResetRequest(const SimReceivedFrame& frame) {
    static constexpr char kText[] = "ResetMCU";
    return frame.Payload.size() >= 9 && frame.Payload[0] == kRequest &&
           std::memcmp(frame.Payload.data() + 1, kText, 8) == 0;
}

std::vector<uint8_t> Frame(uint8_t command, const std::vector<uint8_t>& payload) {
    return BuildDeviceFrame(command, payload);
}

}  // namespace

VirtualBreathalyser::VirtualBreathalyser(SimDeviceConfig config) : config_(std::move(config)) {}

std::vector<uint8_t> VirtualBreathalyser::Receive(std::span<const uint8_t> bytes) {
    std::lock_guard lock(mutex_);
    std::vector<uint8_t> out;
    if (recording_) received_.insert(received_.end(), bytes.begin(), bytes.end());
    for (uint8_t b : bytes) {
        if (silent_) break;
        if (config_.InBootloader) {
            if (auto body = bootParser_.Feed(b)) HandleBootFrame(*body, out);
        } else if (auto frame = parser_.Feed(b)) {
            if (recording_) receivedFrames_.push_back(*frame);
            if (frame->ChecksumOk) HandleFrame(*frame, out);
        }
    }
    return out;
}

void VirtualBreathalyser::HandleFrame(const SimReceivedFrame& frame, std::vector<uint8_t>& out) {
    if (frame.Command == 0x84) {
        HandleRecordFrame(frame, out);
        return;
    }
    // Anything that is not a request is an acknowledgement of a report: nothing to do.
    if (frame.Payload.empty() || frame.Payload[0] != kRequest) return;
    switch (frame.Command) {
        case 0x81:
            Emit(Frame(0x81, DeviceInfoPayload(config_)), out);
            break;
        case 0x82:
            Emit(Frame(0x82, ClockPayload(config_)), out);
            break;
        case 0x83:
            Emit(Frame(0x83, RecordMemoryPayload(config_)), out);
            break;
        case 0x6A:
            Emit(Frame(0x6A, FullStatusPayload(config_)), out);
            break;
        case 0xA0:
            if (!IsResetRequest(frame)) break;
            if (config_.ResetRequest == SimDeviceConfig::ResetReply::Accept) {
                const std::array<uint8_t, 1> accepted{kNext};
                Emit(BuildDeviceFrame(0xA0, accepted), out);
                config_.InBootloader = true;
                bootParser_.Reset();
                download_ = {};
            } else if (config_.ResetRequest == SimDeviceConfig::ResetReply::Refuse) {
                const std::array<uint8_t, 1> refused{kResend};
                Emit(BuildDeviceFrame(0xA0, refused), out);
            }
            break;
        default:
            break;
    }
}

void VirtualBreathalyser::HandleRecordFrame(const SimReceivedFrame& frame,
                                            std::vector<uint8_t>& out) {
    const auto& p = frame.Payload;
    if (p.size() >= 5 && p[0] == kRequest) {
        const uint16_t count =
            static_cast<uint16_t>(std::min<size_t>(config_.Records.size(), 0xFFFF));
        const uint16_t first = std::max<uint16_t>(1, static_cast<uint16_t>((p[1] << 8) | p[2]));
        const uint16_t last = std::min<uint16_t>(count, static_cast<uint16_t>((p[3] << 8) | p[4]));
        download_ = {};
        if (first > last) return;  // nothing stored in that range: the device stays quiet
        download_ = {true, first, last};
        SendRecord(first, out);
        return;
    }
    if (p.size() != 1 || !download_.Active) return;
    switch (p[0]) {
        case kNext:
            if (download_.Current >= download_.Last) {
                download_ = {};  // the PC should have said 0x66; the download is over anyway
                return;
            }
            ++download_.Current;
            SendRecord(download_.Current, out);
            break;
        case kResend:
            SendRecord(download_.Current, out);
            break;
        case kFinished:
            download_ = {};
            break;
        default:
            break;
    }
}

void VirtualBreathalyser::HandleBootFrame(const std::vector<uint8_t>& body,
                                          std::vector<uint8_t>& out) {
    if (recording_) receivedBootFrames_.push_back(body);
    SimBootloader::Answer answer = boot_.Handle(body, config_.Boot);
    answerDelay_ += answer.Busy;
    for (auto& frame : answer.Frames) Emit(std::move(frame), out);
    if (answer.FallSilent) silent_ = true;
    if (answer.Reset) {
        // Back in the firmware: the normal protocol, and the new version once a
        // whole code has been written.
        config_.InBootloader = false;
        parser_.Reset();
        bootParser_.Reset();
        if (boot_.CodeComplete() && !config_.Boot.UpdatedSWVer.empty()) {
            config_.SWVer = config_.Boot.UpdatedSWVer;
        }
    }
}

std::chrono::microseconds VirtualBreathalyser::TakeAnswerDelay() {
    std::lock_guard lock(mutex_);
    const auto delay = answerDelay_;
    answerDelay_ = std::chrono::microseconds{0};
    return delay;
}

std::vector<uint8_t> VirtualBreathalyser::Flash() const {
    std::lock_guard lock(mutex_);
    return boot_.Flash(config_.Boot);
}

std::vector<std::pair<uint32_t, uint8_t>> VirtualBreathalyser::ProgrammedCode() const {
    std::lock_guard lock(mutex_);
    return boot_.Programmed(config_.Boot);
}

uint64_t VirtualBreathalyser::DataFramesReceived() const {
    std::lock_guard lock(mutex_);
    return boot_.DataFramesReceived();
}

std::vector<std::vector<uint8_t>> VirtualBreathalyser::ReceivedBootFrames() const {
    std::lock_guard lock(mutex_);
    return receivedBootFrames_;
}

void VirtualBreathalyser::SendRecord(uint16_t number, std::vector<uint8_t>& out) {
    std::vector<uint8_t> frame = RecordFrameLocked(number);
    if (frame.empty()) return;
    if (auto it = corruptRecords_.find(number); it != corruptRecords_.end()) {
        frame.back() = static_cast<uint8_t>(frame.back() ^ 0xFF);
        if (--it->second == 0) corruptRecords_.erase(it);
    }
    recordsSent_.push_back(number);
    Emit(std::move(frame), out);
    if (silentAfterRecord_ != 0 && number == silentAfterRecord_) silent_ = true;
}

void VirtualBreathalyser::Emit(std::vector<uint8_t> frame, std::vector<uint8_t>& out) {
    if (corruptFrames_.erase(framesSent_) > 0) {
        frame.back() = static_cast<uint8_t>(frame.back() ^ 0xFF);
    }
    ++framesSent_;
    const size_t before = out.size();
    for (uint8_t b : frame) {
        if (auto it = insertBytes_.find(bytePosition_); it != insertBytes_.end()) {
            out.push_back(it->second);
            insertBytes_.erase(it);
        }
        if (dropBytes_.erase(bytePosition_) == 0) out.push_back(b);
        ++bytePosition_;
    }
    bytesSent_ += out.size() - before;
}

std::vector<uint8_t> VirtualBreathalyser::RecordFrameLocked(uint16_t number) const {
    if (number == 0 || number > config_.Records.size()) return {};
    return Frame(0x84, RecordPayload(config_.Records[number - 1]));
}

void VirtualBreathalyser::ResetLink() {
    std::lock_guard lock(mutex_);
    parser_.Reset();
    bootParser_.Reset();
    download_ = {};
}

SimDeviceConfig VirtualBreathalyser::Config() const {
    std::lock_guard lock(mutex_);
    return config_;
}

void VirtualBreathalyser::Configure(const std::function<void(SimDeviceConfig&)>& change) {
    std::lock_guard lock(mutex_);
    change(config_);
}

void VirtualBreathalyser::SetRecords(std::vector<SimRecord> records) {
    std::lock_guard lock(mutex_);
    config_.Records = std::move(records);
}

void VirtualBreathalyser::SetBootloader(bool inBootloader) {
    std::lock_guard lock(mutex_);
    config_.InBootloader = inBootloader;
    parser_.Reset();
    bootParser_.Reset();
    download_ = {};
}

bool VirtualBreathalyser::InBootloader() const {
    std::lock_guard lock(mutex_);
    return config_.InBootloader;
}

std::vector<uint8_t> VirtualBreathalyser::MakeReport(uint8_t command, uint8_t code) const {
    std::lock_guard lock(mutex_);
    switch (command) {
        case 0x80:
            return Frame(command, RunStatusPayload(config_));
        case 0x81:
            return Frame(command, DeviceInfoPayload(config_));
        case 0x82:
            return Frame(command, ClockPayload(config_));
        case 0x83:
            return Frame(command, RecordMemoryPayload(config_));
        case 0x6A:
            return Frame(command, FullStatusPayload(config_));
        case 0x61:
            return Frame(command, SerialNumberPayload(config_));
        case 0x62:
            return Frame(command, SettingsPayload(config_));
        case 0x63:
            return Frame(command, SensorLedPayload(config_));
        case 0x65:
            return Frame(command, StartLogoPayload(config_));
        case 0x9C:
            return Frame(command, PrintHeaderPayload(config_));
        case 0x6F:
            return Frame(command, {kFinished});
        case 0x9A:
        case 0x9B:
            return Frame(command, {code});
        default:
            return {};
    }
}

std::vector<uint8_t> VirtualBreathalyser::MakeRecordFrame(uint16_t number) const {
    std::lock_guard lock(mutex_);
    return RecordFrameLocked(number);
}

void VirtualBreathalyser::CorruptOutgoingFrame(uint64_t frameIndex) {
    std::lock_guard lock(mutex_);
    corruptFrames_.insert(frameIndex);
}

void VirtualBreathalyser::CorruptRecord(uint16_t number, unsigned times) {
    std::lock_guard lock(mutex_);
    if (times == 0) {
        corruptRecords_.erase(number);
    } else {
        corruptRecords_[number] = times;
    }
}

void VirtualBreathalyser::DropOutgoingByte(uint64_t position) {
    std::lock_guard lock(mutex_);
    dropBytes_.insert(position);
}

void VirtualBreathalyser::InsertOutgoingByte(uint64_t position, uint8_t value) {
    std::lock_guard lock(mutex_);
    insertBytes_[position] = value;
}

void VirtualBreathalyser::FallSilentAfterRecord(uint16_t number) {
    std::lock_guard lock(mutex_);
    silentAfterRecord_ = number;
}

void VirtualBreathalyser::SetSilent(bool silent) {
    std::lock_guard lock(mutex_);
    if (silent_ && !silent) {
        parser_.Reset();
        bootParser_.Reset();
        download_ = {};
        silentAfterRecord_ = 0;
    }
    silent_ = silent;
}

bool VirtualBreathalyser::IsSilent() const {
    std::lock_guard lock(mutex_);
    return silent_;
}

void VirtualBreathalyser::SetRecording(bool on) {
    std::lock_guard lock(mutex_);
    recording_ = on;
}

std::vector<uint8_t> VirtualBreathalyser::ReceivedBytes() const {
    std::lock_guard lock(mutex_);
    return received_;
}

std::vector<SimReceivedFrame> VirtualBreathalyser::ReceivedFrames() const {
    std::lock_guard lock(mutex_);
    return receivedFrames_;
}

void VirtualBreathalyser::ClearReceived() {
    std::lock_guard lock(mutex_);
    received_.clear();
    receivedFrames_.clear();
    receivedBootFrames_.clear();
    recordsSent_.clear();
}

std::vector<uint16_t> VirtualBreathalyser::RecordsSent() const {
    std::lock_guard lock(mutex_);
    return recordsSent_;
}

uint64_t VirtualBreathalyser::FramesSent() const {
    std::lock_guard lock(mutex_);
    return framesSent_;
}

uint64_t VirtualBreathalyser::BytesSent() const {
    std::lock_guard lock(mutex_);
    return bytesSent_;
}

bool VirtualBreathalyser::DownloadActive() const {
    std::lock_guard lock(mutex_);
    return download_.Active;
}
