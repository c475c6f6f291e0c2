#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "SimComm.h"
#include "WireHelpers.h"

using namespace simtest;
using namespace std::chrono_literals;

namespace {

const Bytes kClockProbe = Hex("AA FE 00 03 82 11 96");
const Bytes kInfoRequest = Hex("AA FE 00 03 81 11 95");
const Bytes kMemoryRequest = Hex("AA FE 00 03 83 11 97");

// Collects what the port delivers, and on which threads.
class Receiver {
  public:
    void Attach(SimComm& comm) {
        comm.SetReceiveHandler([this](const uint8_t* data, size_t length) {
            std::lock_guard lock(mutex_);
            bytes_.insert(bytes_.end(), data, data + length);
            threads_.push_back(std::this_thread::get_id());
            ++blocks_;
        });
    }
    Bytes BytesSoFar() {
        std::lock_guard lock(mutex_);
        return bytes_;
    }
    std::vector<std::thread::id> Threads() {
        std::lock_guard lock(mutex_);
        return threads_;
    }
    int Blocks() {
        std::lock_guard lock(mutex_);
        return blocks_;
    }

  private:
    std::mutex mutex_;
    Bytes bytes_;
    std::vector<std::thread::id> threads_;
    int blocks_ = 0;
};

class SimCommTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SimDeviceConfig kovan;
        kovan.Records = GenerateRecords(3, 3);
        comm.AddDevice("COM3", kovan);
        SimDeviceConfig zet;
        zet.ModelCode = "Q7302";
        zet.SWVer = "101005";
        comm.AddDevice("COM4", zet);
        comm.AddEmptyPort("COM1");
        receiver.Attach(comm);
    }
    bool Write(const Bytes& bytes) {
        return comm.WriteCommData(bytes.data(), static_cast<uint16_t>(bytes.size()));
    }

    SimComm comm;
    Receiver receiver;
};

TEST_F(SimCommTest, OpensOnlyAKnownPortAndOnlyWhileNoneIsOpen) {
    EXPECT_FALSE(comm.OpenCommon("COM9", 115200));
    EXPECT_TRUE(comm.OpenCommon("COM3", 115200));
    EXPECT_EQ("COM3", comm.OpenPort());
    EXPECT_FALSE(comm.OpenCommon("COM3", 115200));
    EXPECT_FALSE(comm.OpenCommon("COM4", 115200));
    comm.StopComm();
    EXPECT_FALSE(comm.IsOpen());
    comm.StopComm();  // closing a closed port is harmless
    EXPECT_TRUE(comm.OpenCommon("COM4", 115200));
    EXPECT_EQ((std::vector<std::string>{"COM9", "COM3", "COM3", "COM4", "COM4"}),
              comm.OpenAttempts());
    EXPECT_EQ((std::vector<std::string>{"COM3", "COM4", "COM1"}), comm.PortNames());
}

TEST_F(SimCommTest, AnswersArriveInOrderOnTheCommsOwnThread) {
    ASSERT_TRUE(comm.OpenCommon("COM3", 115200));
    ASSERT_TRUE(Write(kClockProbe));
    ASSERT_TRUE(Write(kInfoRequest));
    ASSERT_TRUE(Write(kMemoryRequest));
    ASSERT_TRUE(comm.WaitUntilIdle(5s));

    const auto frames = SplitFrames(receiver.BytesSoFar());
    ASSERT_EQ(3u, frames.size());
    EXPECT_EQ(0x82, frames[0].Command);
    EXPECT_EQ(0x81, frames[1].Command);
    EXPECT_EQ(0x83, frames[2].Command);
    for (std::thread::id id : receiver.Threads()) EXPECT_NE(std::this_thread::get_id(), id);
}

TEST_F(SimCommTest, EachPortHasItsOwnDevice) {
    ASSERT_TRUE(comm.OpenCommon("COM4", 115200));
    Write(kInfoRequest);
    ASSERT_TRUE(comm.WaitUntilIdle(5s));
    comm.StopComm();
    ASSERT_TRUE(comm.OpenCommon("COM3", 115200));
    Write(kInfoRequest);
    ASSERT_TRUE(comm.WaitUntilIdle(5s));

    const auto frames = SplitFrames(receiver.BytesSoFar());
    ASSERT_EQ(2u, frames.size());
    EXPECT_EQ("Q7302", Text(frames[0].Payload, 0, 5));
    EXPECT_EQ("Q7303", Text(frames[1].Payload, 0, 5));
    EXPECT_EQ(kInfoRequest, comm.Device("COM3")->ReceivedBytes());
}

TEST_F(SimCommTest, EmptyPortOpensButNothingAnswers) {
    ASSERT_TRUE(comm.OpenCommon("COM1", 115200));
    EXPECT_TRUE(Write(kClockProbe));
    ASSERT_TRUE(comm.WaitUntilIdle(5s));
    EXPECT_TRUE(receiver.BytesSoFar().empty());
    EXPECT_EQ(nullptr, comm.Device("COM1"));
}

TEST_F(SimCommTest, WritesAreRefusedWhenClosedEmptyOrConfiguredSo) {
    EXPECT_FALSE(Write(kClockProbe));
    ASSERT_TRUE(comm.OpenCommon("COM3", 115200));
    EXPECT_FALSE(comm.WriteCommData(kClockProbe.data(), 0));
    comm.SetRefuseWrites(true);
    EXPECT_FALSE(Write(kClockProbe));
    comm.SetRefuseWrites(false);
    EXPECT_TRUE(Write(kClockProbe));
    ASSERT_TRUE(comm.WaitUntilIdle(5s));
    EXPECT_EQ(kClockProbe, comm.Device("COM3")->ReceivedBytes());
}

TEST_F(SimCommTest, OpenFailsWhenConfiguredSoOrWhenThePortIsUnplugged) {
    comm.SetFailOpen(true);
    EXPECT_FALSE(comm.OpenCommon("COM3", 115200));
    comm.SetFailOpen(false);

    comm.SetUnplugged("COM3", true);
    EXPECT_FALSE(comm.OpenCommon("COM3", 115200));
    comm.SetUnplugged("COM3", false);
    ASSERT_TRUE(comm.OpenCommon("COM3", 115200));

    // Pulled out while open: the port stays open but is dead.
    comm.SetUnplugged("COM3", true);
    EXPECT_FALSE(Write(kClockProbe));
    EXPECT_FALSE(comm.InjectFromDevice(kClockProbe));
    EXPECT_TRUE(comm.IsOpen());
}

TEST_F(SimCommTest, OpeningAgainStartsTheDeviceLinkAfresh) {
    ASSERT_TRUE(comm.OpenCommon("COM3", 115200));
    Write(Hex("AA FE 00 03 82"));  // the rest never comes
    ASSERT_TRUE(comm.WaitUntilIdle(5s));
    comm.StopComm();
    ASSERT_TRUE(comm.OpenCommon("COM3", 115200));
    Write(kClockProbe);
    ASSERT_TRUE(comm.WaitUntilIdle(5s));
    EXPECT_EQ(1u, SplitFrames(receiver.BytesSoFar()).size());
}

TEST_F(SimCommTest, UnsolicitedReportsCanBeInjected) {
    EXPECT_FALSE(comm.InjectFromDevice(Bytes{1, 2, 3}));
    ASSERT_TRUE(comm.OpenCommon("COM3", 115200));
    const Bytes report = comm.Device("COM3")->MakeReport(0x80);
    ASSERT_TRUE(comm.InjectFromDevice(report));
    ASSERT_TRUE(comm.WaitUntilIdle(5s));
    EXPECT_EQ(report, receiver.BytesSoFar());
}

TEST_F(SimCommTest, CountsTheBytesOfEachDirection) {
    ASSERT_TRUE(comm.OpenCommon("COM3", 115200));
    Write(kClockProbe);
    ASSERT_TRUE(comm.WaitUntilIdle(5s));
    EXPECT_EQ(7u, comm.BytesWritten());
    EXPECT_EQ(13u, comm.BytesDelivered());
    // 20 bytes of 10 bits at 115200 baud.
    EXPECT_EQ(std::chrono::nanoseconds(20 * 10 * 1'000'000'000LL / 115200), comm.CountedWireTime());
    comm.ResetCounters();
    EXPECT_EQ(0u, comm.BytesWritten());
    EXPECT_EQ(0u, comm.BytesDelivered());
}

TEST_F(SimCommTest, ThreeRecordDownloadRunsWithAReceiverThatAcknowledges) {
    // A minimal PC: acknowledges each record with 0x22, the third with 0x66.
    std::mutex m;
    Bytes pending;
    std::vector<uint16_t> counters;
    comm.SetReceiveHandler([&](const uint8_t* data, size_t length) {
        std::lock_guard lock(m);
        pending.insert(pending.end(), data, data + length);
        for (const WireFrame& f : SplitFrames(pending)) {
            if (f.Command != 0x84) continue;
            counters.push_back(Word(f.Payload, 0));
            const Bytes ack =
                counters.size() < 3 ? Hex("AA FE 00 03 84 22 A9") : Hex("AA FE 00 03 84 66 ED");
            comm.WriteCommData(ack.data(), static_cast<uint16_t>(ack.size()));
        }
        pending.clear();  // each answer arrives whole when unpaced
    });
    ASSERT_TRUE(comm.OpenCommon("COM3", 115200));
    Write(Hex("AA FE 00 07 84 11 00 01 00 03 A0"));
    ASSERT_TRUE(comm.WaitUntilIdle(5s));

    std::lock_guard lock(m);
    EXPECT_EQ((std::vector<uint16_t>{1, 2, 3}), counters);
    EXPECT_FALSE(comm.Device("COM3")->DownloadActive());
}

TEST_F(SimCommTest, ClosingFromInsideTheHandlerDoesNotHang) {
    comm.SetReceiveHandler([&](const uint8_t*, size_t) { comm.StopComm(); });
    ASSERT_TRUE(comm.OpenCommon("COM3", 115200));
    Write(kClockProbe);
    ASSERT_TRUE(comm.WaitUntilIdle(5s));
    EXPECT_FALSE(comm.IsOpen());
}

TEST_F(SimCommTest, PacedLineIsNeverFasterThanTheBaudRate) {
    comm.SetPaced(true);
    ASSERT_TRUE(comm.OpenCommon("COM3", 115200));
    const auto start = std::chrono::steady_clock::now();
    Write(kClockProbe);
    ASSERT_TRUE(comm.InjectFromDevice(Bytes(1152, 0x00)));  // 100 ms of line time
    ASSERT_TRUE(comm.WaitUntilIdle(10s));
    const auto took = std::chrono::steady_clock::now() - start;

    // Only a lower bound: the line may be slower under load, never faster.
    EXPECT_GE(took, std::chrono::milliseconds(100));
    const Bytes got = receiver.BytesSoFar();
    EXPECT_EQ(1152u + 13u, got.size());
    EXPECT_GT(receiver.Blocks(), 1);  // delivered as it became due, not in one lump
}

TEST_F(SimCommTest, ClosingStopsDeliveryOfPendingBytes) {
    comm.SetPaced(true);
    ASSERT_TRUE(comm.OpenCommon("COM3", 115200));
    ASSERT_TRUE(comm.InjectFromDevice(Bytes(11520, 0x55)));  // a second of line time
    while (receiver.BytesSoFar().empty()) std::this_thread::sleep_for(1ms);
    comm.StopComm();
    const size_t atClose = receiver.BytesSoFar().size();
    EXPECT_TRUE(comm.WaitUntilIdle(1s));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(atClose, receiver.BytesSoFar().size());
    EXPECT_LT(atClose, 11520u);
}

}  // namespace
