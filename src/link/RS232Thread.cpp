#include "link/RS232Thread.h"

#include <atomic>
#include <chrono>

#include "core/SharedState.h"
#include "link/FrameCodec.h"
#include "link/ReceiveRing.h"

RS232Thread::RS232Thread(SharedState& s, std::function<void(uint8_t)> bootReceiveByte)
    : s_(s), bootReceiveByte_(std::move(bootReceiveByte)) {
    InitializeThreadTask();
    thread_ = std::jthread([this](std::stop_token stop) { Execute(stop); });
}

RS232Thread::~RS232Thread() {
    thread_.request_stop();
    // Wake the body if it is waiting for data.
    s_.RxSignal.fetch_add(1, std::memory_order_release);
    s_.RxSignal.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool RS232Thread::WaitUntilDrained(int timeoutMs) const {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        // Before this connection's ring reset there is nothing of ours to handle.
        if (!RingResetApplied(s_, ringTicket_)) return true;
        // Acquire on the read position: the handling of the bytes below it is done.
        if (s_.RxReadPos.load(std::memory_order_acquire) ==
            s_.RxWritePos.load(std::memory_order_acquire))
            return true;
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void RS232Thread::InitializeThreadTask() {
    ringTicket_ = ResetProtocolState(s_);
    ringResetSeen_ = ringTicket_;
}

void RS232Thread::Execute(std::stop_token stop) {
    for (;;) {
        // Take the signal before looking at the positions: a block stored after
        // this load changes the signal, so the wait below cannot miss it.
        const uint32_t signal = s_.RxSignal.load(std::memory_order_acquire);
        if (stop.stop_requested()) return;
        // Until the writer has applied this connection's ring reset, what the
        // ring holds is from before: nothing to read yet.
        if (!RingResetApplied(s_, ringTicket_)) {
            s_.RxSignal.wait(signal, std::memory_order_acquire);
            continue;
        }
        // A later reset (nothing asks for one while a dispatcher runs, but the
        // ring must stay readable if it happens) starts the reading at 0 too.
        const uint32_t done = s_.RxResetDone.load(std::memory_order_acquire);
        if (done != ringResetSeen_) {
            ringResetSeen_ = done;
            s_.RxReadPos.store(0, std::memory_order_release);
        }
        const uint16_t write = s_.RxWritePos.load(std::memory_order_acquire);
        uint16_t read = s_.RxReadPos.load(std::memory_order_relaxed);
        if (write == read) {
            s_.RxSignal.wait(signal, std::memory_order_acquire);
            continue;
        }
        if (read >= kRingSize) read = 0;
        const uint8_t b = s_.RxRing[read];
        // The mode is read for every byte: a switch takes effect at the next one.
        if (s_.LinkMode.load() >= 10) {
            if (bootReceiveByte_) bootReceiveByte_(b);
        } else {
            ParseRxByte(s_, b);
        }
        ++read;
        if (read >= kRingSize) read = 0;
        // Release: whoever sees the byte taken also sees what its handling did.
        s_.RxReadPos.store(read, std::memory_order_release);
    }
}
