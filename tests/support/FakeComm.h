#pragma once
// A scripted serial port for tests. Each named port has a responder that turns
// the bytes written to it into the bytes the "device" answers; answers are
// delivered on the port's own thread, in order, like a real serial component.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/Comm.h"

class FakeComm : public Comm {
public:
    using Bytes = std::vector<uint8_t>;
    using Responder = std::function<Bytes(const Bytes& written)>;

    FakeComm();
    ~FakeComm() override;

    // A port that opens; its responder answers each write (may return nothing).
    void AddPort(const std::string& name, Responder responder = {});
    void FailOpen(const std::string& name) { std::lock_guard l(mutex_); failOpen_[name] = true; }
    void RefuseWrites(bool refuse) { std::lock_guard l(mutex_); refuseWrites_ = refuse; }

    // Delivers bytes as if received on the open port (dropped when closed).
    void Feed(const Bytes& bytes);

    void SetReceiveHandler(ReceiveHandler handler) override;
    bool OpenCommon(const std::string& comport, int32_t buadrate) override;
    void StopComm() override;
    bool WriteCommData(const uint8_t* buffer, uint16_t count) override;

    std::vector<Bytes> Writes() const;             // every accepted write, in order
    std::vector<std::string> Opens() const;        // every successful open, in order
    std::string OpenPort() const;                  // "" when closed
    bool WaitForWrites(size_t count, int timeoutMs = 5000) const;
    void WaitIdle() const;  // until every fed byte has been delivered

private:
    void Run();

    mutable std::mutex mutex_;
    mutable std::condition_variable cv_;
    ReceiveHandler handler_;
    std::map<std::string, Responder> ports_;
    std::map<std::string, bool> failOpen_;
    bool refuseWrites_ = false;
    std::string open_;
    std::vector<Bytes> writes_;
    std::vector<std::string> opens_;
    std::deque<Bytes> pending_;
    bool delivering_ = false;
    bool quit_ = false;
    std::thread thread_;
};
