// The receive ring and the dispatcher thread that drains it into the parsers.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "LinkTestSupport.h"
#include "link/RS232Thread.h"
#include "link/ReceiveRing.h"

namespace {

using ReceivePath = LinkTest;

void Deliver(SharedState& s, const std::vector<uint8_t>& bytes) {
    Comm1ReceiveData(s, bytes.data(), bytes.size());
}

// Waits until the dispatcher has taken everything stored so far.
bool WaitDrained(SharedState& s, int timeoutMs = 5000) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (s.RxReadPos.load() != s.RxWritePos.load()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

TEST_F(ReceivePath, BlockAtTheEndOfTheRingWrapsToTheStart) {
    s.RxWritePos = 3995;
    const uint32_t signal = s.RxSignal.load();
    Deliver(s, Bytes("01 02 03 04 05 06 07 08 09 0A"));
    EXPECT_EQ(s.RxWritePos, 5);
    EXPECT_EQ(Hex({s.RxRing.begin() + 3995, s.RxRing.begin() + 4000}), "01 02 03 04 05");
    EXPECT_EQ(Hex({s.RxRing.begin(), s.RxRing.begin() + 5}), "06 07 08 09 0A");
    EXPECT_EQ(s.RxRing[4000], 0);  // positions 4000-4095 are never used
    EXPECT_NE(s.RxSignal.load(), signal);
}

TEST_F(ReceivePath, BlockEndingAtTheLastPositionLeavesTheWritePositionAtZero) {
    s.RxWritePos = 3995;
    Deliver(s, Bytes("01 02 03 04 05"));
    EXPECT_EQ(s.RxWritePos, 0);
    EXPECT_EQ(s.RxRing[3999], 0x05);
}

TEST_F(ReceivePath, WritePositionBeyondTheRingIsResetFirst) {
    s.RxWritePos = 4000;
    Deliver(s, Bytes("AB"));
    EXPECT_EQ(s.RxRing[0], 0xAB);
    EXPECT_EQ(s.RxWritePos, 1);
    s.RxWritePos = 4095;
    Deliver(s, Bytes("CD EF"));
    EXPECT_EQ(Hex({s.RxRing.begin(), s.RxRing.begin() + 2}), "CD EF");
    EXPECT_EQ(s.RxWritePos, 2);
}

TEST_F(ReceivePath, NewDispatcherResetsTheProtocolStateBeforeItRuns) {
    s.RxWritePos = 10;
    s.RxReadPos = 3;
    s.OperationState = 2;
    s.ProgressCount = 5;
    s.RxState = Body;
    RS232Thread thread(s);
    EXPECT_EQ(s.RxReadPos, 0);
    EXPECT_EQ(s.OperationState, 0);
    EXPECT_EQ(s.ProgressCount, 0);
    EXPECT_EQ(s.RxState, Hunt);
}

TEST_F(ReceivePath, NewDispatcherDiscardsWhatTheRingHeldAndReadsTheNextBlockFromPositionZero) {
    // A whole frame left unread from before, at positions 3-9 (handled, its bad
    // checksum would be answered with 0x33).
    const auto stale = Bytes("AA FE 00 03 84 00 00");
    std::copy(stale.begin(), stale.end(), s.RxRing.begin() + 3);
    s.RxRing[2048] = 0x77;
    s.RxRing[2049] = 0x77;
    s.RxWritePos = 10;
    s.RxReadPos = 3;
    RS232Thread thread(s);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(comm.Writes().empty());  // the old frame is never handled

    // The writer starts the ring again before the next block.
    Deliver(s, Bytes("AA FE 00 03 82 00"));
    EXPECT_EQ(s.RxWritePos, 6);
    EXPECT_EQ(Hex({s.RxRing.begin(), s.RxRing.begin() + 7}), "AA FE 00 03 82 00 00");
    EXPECT_EQ(s.RxRing[2048], 0);     // the start of the ring is cleared...
    EXPECT_EQ(s.RxRing[2049], 0x77);  // ...up to position 2048
    Deliver(s, Bytes("85"));
    ASSERT_TRUE(comm.WaitForWrites(1));
    ASSERT_TRUE(WaitDrained(s));
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 82 22 A7"});
}

TEST_F(ReceivePath, EachByteIsStoredBeforeItsPositionIsPublished) {
    // A reader polls the write position while bytes arrive one block of one
    // byte at a time; every position it sees must already have its byte. Byte
    // p of a lap is p % 250 + 1, never 0, and the ring is cleared between laps
    // while the reader waits.
    enum Phase { Reading, Pause, Paused, Quit };
    std::atomic<int> phase{Pause};
    std::atomic<int> seenEarly{0};
    std::thread reader([&] {
        for (;;) {
            const int p = phase.load();
            if (p == Quit) return;
            if (p == Pause) phase.store(Paused);
            if (p != Reading) continue;
            const uint16_t pos = s.RxWritePos.load(std::memory_order_acquire);
            if (pos > 0 && s.RxRing[pos - 1] != (pos - 1) % 250 + 1) seenEarly.fetch_add(1);
        }
    });
    for (int lap = 0; lap < 100; ++lap) {
        while (phase.load() != Paused) std::this_thread::yield();
        std::fill(s.RxRing.begin(), s.RxRing.end(), uint8_t{0});
        s.RxWritePos.store(0);
        phase.store(Reading);
        for (int p = 0; p < 3999; ++p) Deliver(s, {static_cast<uint8_t>(p % 250 + 1)});
        phase.store(Pause);
    }
    while (phase.load() != Paused) std::this_thread::yield();
    phase.store(Quit);
    reader.join();
    EXPECT_EQ(seenEarly.load(), 0);
}

// Three answers: date and time, one with AA FE inside its payload, one with the
// flag bit, and a bad checksum. Each produces one reply.
const char* kStream =
    "AA FE 00 03 82 00 85 "
    "55 AA AA FE 00 05 82 AA FE AA D9 "
    "AA FE 80 03 82 00 05 "
    "AA FE 00 03 84 00 00";
const std::vector<std::string> kReplies = {"AA FE 00 03 82 22 A7", "AA FE 00 03 82 22 A7",
                                           "AA FE 00 03 82 22 A7", "AA FE 00 03 84 33 BA"};

TEST_F(ReceivePath, SameFramesWhetherDeliveredByteByByteOrInOneBlock) {
    const auto stream = Bytes(kStream);
    {
        RS232Thread thread(s);
        for (uint8_t b : stream) Deliver(s, {b});
        ASSERT_TRUE(comm.WaitForWrites(kReplies.size()));
        ASSERT_TRUE(WaitDrained(s));
    }
    EXPECT_EQ(Sent(), kReplies);
    comm.ClearWrites();
    {
        RS232Thread thread(s);
        Deliver(s, stream);
        ASSERT_TRUE(comm.WaitForWrites(kReplies.size()));
        ASSERT_TRUE(WaitDrained(s));
    }
    EXPECT_EQ(Sent(), kReplies);
}

TEST_F(ReceivePath, SameFramesWhateverPointTheStreamIsSplitAt) {
    const auto stream = Bytes(kStream);
    for (size_t split = 0; split <= stream.size(); ++split) {
        SCOPED_TRACE(split);
        comm.ClearWrites();
        RS232Thread thread(s);
        Deliver(s, {stream.begin(), stream.begin() + split});
        Deliver(s, {stream.begin() + split, stream.end()});
        ASSERT_TRUE(comm.WaitForWrites(kReplies.size()));
        ASSERT_TRUE(WaitDrained(s));
        EXPECT_EQ(Sent(), kReplies);
    }
}

TEST_F(ReceivePath, ReaderWrapsFromTheEndOfTheRingToItsStart) {
    RS232Thread thread(s);
    Deliver(s, std::vector<uint8_t>(3998, 0x00));
    ASSERT_TRUE(WaitDrained(s));
    ASSERT_EQ(s.RxReadPos, 3998);
    Deliver(s, Bytes("AA FE 00 03 82 00 85"));  // positions 3998, 3999, 0-4
    ASSERT_TRUE(comm.WaitForWrites(1));
    ASSERT_TRUE(WaitDrained(s));
    EXPECT_EQ(s.RxReadPos, 5);
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 82 22 A7"});
}

class BootSink {
  public:
    // Records bytes; the hook runs after each byte on the dispatcher thread.
    std::function<void(uint8_t)> Fn(std::function<void(uint8_t)> hook = {}) {
        return [this, hook](uint8_t b) {
            {
                std::lock_guard lock(mutex_);
                bytes_.push_back(b);
            }
            if (hook) hook(b);
        };
    }
    std::vector<uint8_t> Bytes() const {
        std::lock_guard lock(mutex_);
        return bytes_;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<uint8_t> bytes_;
};

TEST_F(ReceivePath, SwitchToBootloaderModeBetweenTwoBytesRoutesTheSecondToTheBootParser) {
    BootSink sink;
    RS232Thread thread(s, sink.Fn());
    Deliver(s, Bytes("AA"));
    ASSERT_TRUE(WaitDrained(s));
    EXPECT_EQ(s.RxState, GotAA);
    s.LinkMode = 10;
    Deliver(s, Bytes("FE"));
    ASSERT_TRUE(WaitDrained(s));
    EXPECT_EQ(Hex(sink.Bytes()), "FE");
    EXPECT_EQ(s.RxState, GotAA);  // the normal parser never saw it
    s.LinkMode = 11;              // every value from 10 up is bootloader mode
    Deliver(s, Bytes("01"));
    ASSERT_TRUE(WaitDrained(s));
    EXPECT_EQ(Hex(sink.Bytes()), "FE 01");
}

TEST_F(ReceivePath, ModeIsReadAgainForEveryByteOfABlock) {
    BootSink sink;
    s.LinkMode = 10;
    // The boot parser hands the link back after its second byte; the rest of the
    // same block is a normal frame.
    RS232Thread thread(s, sink.Fn([&](uint8_t b) {
        if (b == 0x02) s.LinkMode = 0;
    }));
    Deliver(s, Bytes("01 02 AA FE 00 03 82 00 85"));
    ASSERT_TRUE(comm.WaitForWrites(1));
    ASSERT_TRUE(WaitDrained(s));
    EXPECT_EQ(Hex(sink.Bytes()), "01 02");
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 82 22 A7"});
}

TEST_F(ReceivePath, BootloaderBytesWithoutABootParserAreDropped) {
    s.LinkMode = 10;
    RS232Thread thread(s);
    Deliver(s, Bytes("AA FE 00 03 82 00 85"));
    ASSERT_TRUE(WaitDrained(s));
    EXPECT_TRUE(comm.Writes().empty());
    EXPECT_EQ(s.RxState, Hunt);
}

TEST_F(ReceivePath, IdleDispatcherStopsPromptlyWhenDestroyed) {
    auto thread = std::make_unique<RS232Thread>(s);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // let it reach its wait
    thread.reset();                                              // must not hang
    Deliver(s, Bytes("AA FE 00 03 82 00 85"));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(comm.Writes().empty());  // nobody drains the ring any more
    EXPECT_EQ(s.RxReadPos, 0);
}

}  // namespace
