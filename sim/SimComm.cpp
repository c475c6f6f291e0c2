#include "SimComm.h"

#include <algorithm>

SimComm::SimComm() : thread_([this] { Run(); }) {}

SimComm::~SimComm() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        open_.clear();
        toDevice_.Clear();
        fromDevice_.Clear();
    }
    wake_.notify_all();
    thread_.join();
}

void SimComm::AddDevice(const std::string& port, VirtualBreathalyser& device) {
    std::lock_guard lock(mutex_);
    if (!ports_.contains(port)) order_.push_back(port);
    Port& p = ports_[port];
    p.Owned.reset();
    p.Device = &device;
}

VirtualBreathalyser& SimComm::AddDevice(const std::string& port, SimDeviceConfig config) {
    std::lock_guard lock(mutex_);
    if (!ports_.contains(port)) order_.push_back(port);
    Port& p = ports_[port];
    p.Owned = std::make_unique<VirtualBreathalyser>(std::move(config));
    p.Device = p.Owned.get();
    return *p.Device;
}

void SimComm::AddEmptyPort(const std::string& port) {
    std::lock_guard lock(mutex_);
    if (!ports_.contains(port)) order_.push_back(port);
    Port& p = ports_[port];
    p.Owned.reset();
    p.Device = nullptr;
}

VirtualBreathalyser* SimComm::Device(const std::string& port) const {
    std::lock_guard lock(mutex_);
    auto it = ports_.find(port);
    return it == ports_.end() ? nullptr : it->second.Device;
}

std::vector<std::string> SimComm::PortNames() const {
    std::lock_guard lock(mutex_);
    return order_;
}

void SimComm::SetReceiveHandler(ReceiveHandler handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

void SimComm::SetDeviceGoneHandler(DeviceGoneHandler handler) {
    std::lock_guard lock(goneLock_);
    goneHandler_ = std::move(handler);
}

bool SimComm::OpenCommon(const std::string& comport, int32_t /*buadrate*/) {
    VirtualBreathalyser* device = nullptr;
    {
        std::lock_guard lock(mutex_);
        attempts_.push_back(comport);
        auto it = ports_.find(comport);
        if (failOpen_ || !open_.empty() || it == ports_.end() || it->second.Unplugged) {
            return false;
        }
        open_ = comport;
        toDevice_.Clear();
        fromDevice_.Clear();
        device = it->second.Device;
        // A fresh connection: whatever the device was half-way through is forgotten.
        if (device != nullptr) device->ResetLink();
    }
    return true;
}

void SimComm::StopComm() {
    std::unique_lock lock(mutex_);
    open_.clear();
    gonePending_ = false;
    toDevice_.Clear();
    fromDevice_.Clear();
    if (std::this_thread::get_id() != deliveryThreadId_) {
        idle_.wait(lock, [this] { return !delivering_; });
    }
}

bool SimComm::WriteCommData(const uint8_t* buffer, uint16_t count) {
    {
        std::lock_guard lock(mutex_);
        Port* port = OpenPortLocked();
        if (port == nullptr || count == 0 || buffer == nullptr || refuseWrites_ ||
            port->Unplugged) {
            return false;
        }
        toDevice_.Push(std::span<const uint8_t>(buffer, count), SimWire::Clock::now());
        bytesWritten_ += count;
    }
    wake_.notify_all();
    return true;
}

void SimComm::SetReplyDelay(std::chrono::microseconds delay) {
    std::lock_guard lock(mutex_);
    replyDelay_ = std::max(delay, std::chrono::microseconds(0));
}

void SimComm::SetPaced(bool paced) {
    std::lock_guard lock(mutex_);
    toDevice_.SetPaced(paced);
    fromDevice_.SetPaced(paced);
}

bool SimComm::InjectFromDevice(std::span<const uint8_t> bytes) {
    {
        std::lock_guard lock(mutex_);
        Port* port = OpenPortLocked();
        if (port == nullptr || port->Unplugged) return false;
        fromDevice_.Push(bytes, SimWire::Clock::now());
    }
    wake_.notify_all();
    return true;
}

void SimComm::SetFailOpen(bool fail) {
    std::lock_guard lock(mutex_);
    failOpen_ = fail;
}

void SimComm::SetRefuseWrites(bool refuse) {
    std::lock_guard lock(mutex_);
    refuseWrites_ = refuse;
}

void SimComm::SetUnplugged(const std::string& port, bool unplugged) {
    {
        std::lock_guard lock(mutex_);
        auto it = ports_.find(port);
        if (it == ports_.end()) return;
        const bool pulledOut = unplugged && !it->second.Unplugged;
        it->second.Unplugged = unplugged;
        if (!unplugged || open_ != port) return;
        toDevice_.Clear();
        fromDevice_.Clear();
        if (pulledOut) gonePending_ = true;
    }
    wake_.notify_all();
}

bool SimComm::IsOpen() const {
    std::lock_guard lock(mutex_);
    return !open_.empty();
}

std::string SimComm::OpenPort() const {
    std::lock_guard lock(mutex_);
    return open_;
}

std::vector<std::string> SimComm::OpenAttempts() const {
    std::lock_guard lock(mutex_);
    return attempts_;
}

uint64_t SimComm::BytesWritten() const {
    std::lock_guard lock(mutex_);
    return bytesWritten_;
}

uint64_t SimComm::BytesDelivered() const {
    std::lock_guard lock(mutex_);
    return bytesDelivered_;
}

void SimComm::ResetCounters() {
    std::lock_guard lock(mutex_);
    bytesWritten_ = 0;
    bytesDelivered_ = 0;
}

std::chrono::nanoseconds SimComm::CountedWireTime() const {
    std::lock_guard lock(mutex_);
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        SimWire::WireTime(bytesWritten_ + bytesDelivered_));
}

bool SimComm::WaitUntilIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return idle_.wait_for(lock, timeout, [this] { return IdleLocked(); });
}

bool SimComm::IdleLocked() const {
    return toDevice_.Empty() && fromDevice_.Empty() && !delivering_ && !gonePending_;
}

SimComm::Port* SimComm::OpenPortLocked() {
    if (open_.empty()) return nullptr;
    auto it = ports_.find(open_);
    return it == ports_.end() ? nullptr : &it->second;
}

void SimComm::Run() {
    std::unique_lock lock(mutex_);
    deliveryThreadId_ = std::this_thread::get_id();
    while (!stop_) {
        if (gonePending_) {
            // Outside the lock, like the receive handler; StopComm waits for it.
            gonePending_ = false;
            delivering_ = true;
            lock.unlock();
            {
                std::lock_guard gone(goneLock_);
                if (goneHandler_) goneHandler_();
            }
            lock.lock();
            delivering_ = false;
            idle_.notify_all();
            continue;
        }
        const auto now = SimWire::Clock::now();

        // PC -> device: what has crossed the wire reaches the device, whose answer
        // starts on the return line when the request's last byte arrived.
        SimWire::Clock::time_point arrived{};
        std::vector<uint8_t> incoming = toDevice_.TakeDue(now, &arrived);
        if (!incoming.empty()) {
            Port* port = OpenPortLocked();
            if (port != nullptr && port->Device != nullptr && !port->Unplugged) {
                std::vector<uint8_t> answer = port->Device->Receive(incoming);
                // A device that has work to do (programming flash) answers later.
                const auto busy = port->Device->TakeAnswerDelay();
                if (!answer.empty()) fromDevice_.Push(answer, arrived + replyDelay_ + busy);
            }
        }

        // Device -> PC: hand over everything due, outside the lock so the handler may
        // write (or close) from inside.
        std::vector<uint8_t> outgoing = fromDevice_.TakeDue(now);
        if (!outgoing.empty() && handler_) {
            ReceiveHandler handler = handler_;
            bytesDelivered_ += outgoing.size();
            delivering_ = true;
            lock.unlock();
            handler(outgoing.data(), outgoing.size());
            lock.lock();
            delivering_ = false;
            idle_.notify_all();
            continue;
        }
        if (IdleLocked()) idle_.notify_all();

        auto next = toDevice_.NextDue();
        const auto nextOut = fromDevice_.NextDue();
        if (!next || (nextOut && *nextOut < *next)) next = nextOut;
        if (next) {
            wake_.wait_until(lock, *next);
        } else {
            wake_.wait(lock);
        }
    }
    delivering_ = false;
    idle_.notify_all();
}
