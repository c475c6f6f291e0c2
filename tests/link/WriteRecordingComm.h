#pragma once
// A serial port for link tests: records every write, can refuse writes, and lets
// a test wait for writes made on the dispatcher thread.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "core/Comm.h"

class WriteRecordingComm : public Comm {
  public:
    void SetReceiveHandler(ReceiveHandler handler) override { handler_ = std::move(handler); }
    bool OpenCommon(const std::string&, int32_t) override { return true; }
    void StopComm() override {}

    bool WriteCommData(const uint8_t* buffer, uint16_t count) override {
        {
            std::lock_guard lock(mutex_);
            if (refuse_ || count == 0) return false;
            writes_.emplace_back(buffer, buffer + count);
        }
        changed_.notify_all();
        return true;
    }

    void Refuse(bool refuse) {
        std::lock_guard lock(mutex_);
        refuse_ = refuse;
    }

    std::vector<std::vector<uint8_t>> Writes() const {
        std::lock_guard lock(mutex_);
        return writes_;
    }

    void ClearWrites() {
        std::lock_guard lock(mutex_);
        writes_.clear();
    }

    bool WaitForWrites(size_t count, int timeoutMs = 5000) const {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                 [&] { return writes_.size() >= count; });
    }

  private:
    ReceiveHandler handler_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<std::vector<uint8_t>> writes_;
    bool refuse_ = false;
};
