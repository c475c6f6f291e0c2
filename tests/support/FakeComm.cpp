#include "support/FakeComm.h"

#include <chrono>

FakeComm::FakeComm() : thread_([this] { Run(); }) {}

FakeComm::~FakeComm() {
    {
        std::lock_guard l(mutex_);
        quit_ = true;
    }
    cv_.notify_all();
    thread_.join();
}

void FakeComm::AddPort(const std::string& name, Responder responder) {
    std::lock_guard l(mutex_);
    ports_[name] = std::move(responder);
}

void FakeComm::SetReceiveHandler(ReceiveHandler handler) {
    std::lock_guard l(mutex_);
    handler_ = std::move(handler);
}

bool FakeComm::OpenCommon(const std::string& comport, int32_t) {
    std::lock_guard l(mutex_);
    if (!open_.empty() || !ports_.count(comport) || failOpen_[comport]) return false;
    open_ = comport;
    opens_.push_back(comport);
    return true;
}

void FakeComm::StopComm() {
    std::unique_lock l(mutex_);
    open_.clear();
    pending_.clear();
    // Like a real component: once closed, no block is being handed over.
    if (std::this_thread::get_id() != thread_.get_id()) cv_.wait(l, [&] { return !delivering_; });
}

bool FakeComm::WriteCommData(const uint8_t* buffer, uint16_t count) {
    Responder responder;
    Bytes written(buffer, buffer + count);
    {
        std::lock_guard l(mutex_);
        if (open_.empty() || count == 0 || refuseWrites_) return false;
        writes_.push_back(written);
        responder = ports_[open_];
    }
    cv_.notify_all();
    if (responder) {
        Bytes answer = responder(written);
        if (!answer.empty()) Feed(answer);
    }
    return true;
}

void FakeComm::Feed(const Bytes& bytes) {
    {
        std::lock_guard l(mutex_);
        if (open_.empty()) return;
        pending_.push_back(bytes);
    }
    cv_.notify_all();
}

void FakeComm::Run() {
    std::unique_lock l(mutex_);
    for (;;) {
        cv_.wait(l, [&] { return quit_ || !pending_.empty(); });
        if (quit_) return;
        Bytes block = std::move(pending_.front());
        pending_.pop_front();
        auto handler = handler_;
        delivering_ = true;
        l.unlock();
        if (handler) handler(block.data(), block.size());
        l.lock();
        delivering_ = false;
        cv_.notify_all();
    }
}

std::vector<FakeComm::Bytes> FakeComm::Writes() const {
    std::lock_guard l(mutex_);
    return writes_;
}

std::vector<std::string> FakeComm::Opens() const {
    std::lock_guard l(mutex_);
    return opens_;
}

std::string FakeComm::OpenPort() const {
    std::lock_guard l(mutex_);
    return open_;
}

bool FakeComm::WaitForWrites(size_t count, int timeoutMs) const {
    std::unique_lock l(mutex_);
    return cv_.wait_for(l, std::chrono::milliseconds(timeoutMs),
                        [&] { return writes_.size() >= count; });
}

void FakeComm::WaitIdle() const {
    std::unique_lock l(mutex_);
    cv_.wait_for(l, std::chrono::seconds(5), [&] { return pending_.empty() && !delivering_; });
}
