#include "platform/QtComm.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using namespace std::chrono_literals;

// A pseudo-terminal: the port side is opened by QtComm by name, the master side
// plays the device.
class Pty {
public:
    Pty() {
        char name[256] = {};
        if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) return;
        termios raw{};
        tcgetattr(slave_, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave_, TCSANOW, &raw);
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
        name_ = name;
    }
    ~Pty() {
        CloseMaster();
        if (slave_ >= 0) close(slave_);
    }
    bool Ok() const { return !name_.empty(); }
    const std::string& Name() const { return name_; }

    void Write(const Bytes& bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
            if (n > 0) done += static_cast<size_t>(n);
            else std::this_thread::sleep_for(1ms);
        }
    }

    // Reads until count bytes have arrived or the timeout passes.
    Bytes Read(size_t count, std::chrono::milliseconds timeout = 5s) {
        Bytes out;
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (out.size() < count && std::chrono::steady_clock::now() < end) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            uint8_t block[512];
            const ssize_t n = read(master_, block, sizeof block);
            if (n > 0) out.insert(out.end(), block, block + n);
        }
        return out;
    }

    void CloseMaster() {
        if (master_ >= 0) close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string name_;
};

Bytes Pattern(size_t count, uint8_t first) {
    Bytes b(count);
    for (size_t i = 0; i < count; ++i) b[i] = static_cast<uint8_t>(first + i * 7 + i / 251);
    return b;
}

// Collects what the receive handler is given, and on which thread.
struct Received {
    std::mutex mutex;
    std::condition_variable changed;
    Bytes bytes;
    std::vector<std::thread::id> threads;

    Comm::ReceiveHandler Handler() {
        return [this](const uint8_t* buffer, size_t length) {
            {
                std::lock_guard lock(mutex);
                bytes.insert(bytes.end(), buffer, buffer + length);
                threads.push_back(std::this_thread::get_id());
            }
            changed.notify_all();
        };
    }

    bool WaitFor(size_t count, std::chrono::milliseconds timeout = 5s) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, timeout, [&] { return bytes.size() >= count; });
    }
};

// Processor time (user + system, in clock ticks) used so far by the serial I/O
// threads of this process, found by their name; -1 when none is found.
long IoThreadTicks() {
    long ticks = -1;
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr) return ticks;
    while (dirent* task = readdir(tasks)) {
        const std::string dir = std::string("/proc/self/task/") + task->d_name;
        std::string name;
        std::getline(std::ifstream(dir + "/comm"), name);
        if (name != "serial-io") continue;
        std::string stat;
        std::getline(std::ifstream(dir + "/stat"), stat);
        // Fields after the name in parentheses: state is field 3, utime 14, stime 15.
        std::istringstream fields(stat.substr(stat.rfind(')') + 2));
        std::string field;
        long utime = 0, stime = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i) {
            if (i == 14) utime = std::stol(field);
            if (i == 15) stime = std::stol(field);
        }
        ticks = std::max(ticks, 0L) + utime + stime;
    }
    closedir(tasks);
    return ticks;
}

struct QtCommOnPty : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(pty.Ok()) << "no pseudo-terminal available";
        comm.SetReceiveHandler(received.Handler());
    }
    Pty pty;
    Received received;
    QtComm comm;
};

TEST_F(QtCommOnPty, WrittenBlocksArriveAtTheOtherEndInOrder) {
    ASSERT_TRUE(comm.OpenCommon(pty.Name(), 115200));
    Bytes sent;
    for (uint8_t block = 0; block < 20; ++block) {
        const Bytes part = Pattern(100 + block * 13, block);
        ASSERT_TRUE(comm.WriteCommData(part.data(), static_cast<uint16_t>(part.size())));
        sent.insert(sent.end(), part.begin(), part.end());
    }
    EXPECT_EQ(pty.Read(sent.size()), sent);
}

TEST_F(QtCommOnPty, WritesFromSeveralThreadsStayWholeAndInEachThreadsOrder) {
    ASSERT_TRUE(comm.OpenCommon(pty.Name(), 115200));
    const Bytes a = {0xAA, 0xFE, 0x00, 0x03, 0x81, 0x11, 0x95};
    const Bytes b = {0x1B, 0x00, 0xFE, 0x01, 0x87, 0x88};
    auto writer = [&](const Bytes& frame) {
        for (int i = 0; i < 50; ++i) comm.WriteCommData(frame.data(), static_cast<uint16_t>(frame.size()));
    };
    std::thread first(writer, a);
    std::thread second(writer, b);
    first.join();
    second.join();
    const Bytes got = pty.Read(50 * (a.size() + b.size()));
    ASSERT_EQ(got.size(), 50 * (a.size() + b.size()));
    // Every frame arrives whole: the stream splits into the two frames only.
    size_t pos = 0, countA = 0, countB = 0;
    while (pos < got.size()) {
        if (Bytes(got.begin() + pos, got.begin() + std::min(got.size(), pos + a.size())) == a) {
            ++countA;
            pos += a.size();
        } else if (Bytes(got.begin() + pos, got.begin() + std::min(got.size(), pos + b.size())) == b) {
            ++countB;
            pos += b.size();
        } else {
            FAIL() << "torn frame at byte " << pos;
        }
    }
    EXPECT_EQ(countA, 50u);
    EXPECT_EQ(countB, 50u);
}

TEST_F(QtCommOnPty, ReceivedBytesReachTheHandlerInOrderOnTheIoThread) {
    ASSERT_TRUE(comm.OpenCommon(pty.Name(), 115200));
    Bytes sent;
    for (uint8_t block = 0; block < 10; ++block) {
        const Bytes part = Pattern(700, block);
        pty.Write(part);
        sent.insert(sent.end(), part.begin(), part.end());
    }
    ASSERT_TRUE(received.WaitFor(sent.size()));
    std::lock_guard lock(received.mutex);
    EXPECT_EQ(received.bytes, sent);
    for (const auto& id : received.threads) EXPECT_NE(id, std::this_thread::get_id());
}

TEST_F(QtCommOnPty, ASecondOpenFailsUntilThePortIsStopped) {
    ASSERT_TRUE(comm.OpenCommon(pty.Name(), 115200));
    EXPECT_FALSE(comm.OpenCommon(pty.Name(), 115200));
    comm.StopComm();
    const uint8_t byte = 0x22;
    EXPECT_FALSE(comm.WriteCommData(&byte, 1));
    EXPECT_TRUE(comm.OpenCommon(pty.Name(), 115200));
    EXPECT_TRUE(comm.WriteCommData(&byte, 1));
    EXPECT_EQ(pty.Read(1), Bytes{0x22});
}

TEST_F(QtCommOnPty, BytesWaitingBeforeTheOpenAreDiscarded) {
    pty.Write({0x01, 0x02, 0x03});
    std::this_thread::sleep_for(50ms);  // let the stale bytes reach the port side
    ASSERT_TRUE(comm.OpenCommon(pty.Name(), 115200));
    pty.Write({0xAA, 0xFE});
    ASSERT_TRUE(received.WaitFor(2));
    std::lock_guard lock(received.mutex);
    EXPECT_EQ(received.bytes, (Bytes{0xAA, 0xFE}));
}

TEST_F(QtCommOnPty, APortWhoseOtherEndVanishesClosesItself) {
    ASSERT_TRUE(comm.OpenCommon(pty.Name(), 115200));
    pty.CloseMaster();
    const uint8_t byte = 0x22;
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (comm.WriteCommData(&byte, 1) && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(comm.WriteCommData(&byte, 1));
}

TEST_F(QtCommOnPty, AHangUpOfTheOtherEndIsReportedOnceAndLeavesTheIoThreadIdle) {
    std::mutex mutex;
    std::condition_variable changed;
    int gone = 0;
    comm.SetDeviceGoneHandler([&] {
        {
            std::lock_guard lock(mutex);
            ++gone;
        }
        changed.notify_all();
    });
    ASSERT_TRUE(comm.OpenCommon(pty.Name(), 115200));
    pty.Write({0xAA});
    ASSERT_TRUE(received.WaitFor(1));

    pty.CloseMaster();
    {
        std::unique_lock lock(mutex);
        EXPECT_TRUE(changed.wait_for(lock, 5s, [&] { return gone > 0; }));
    }
    // A thread that polls a hung-up port in a loop uses a whole core: about 50
    // ticks in half a second. Idle, it uses none.
    const long before = IoThreadTicks();
    ASSERT_GE(before, 0) << "no serial I/O thread found";
    std::this_thread::sleep_for(500ms);
    EXPECT_LT(IoThreadTicks() - before, 10);

    std::lock_guard lock(mutex);
    EXPECT_EQ(gone, 1);
    const uint8_t byte = 0x22;
    EXPECT_FALSE(comm.WriteCommData(&byte, 1));
}

TEST_F(QtCommOnPty, ClosingThePortIsNotALostDeviceAndANewOpenCanReportAgain) {
    std::atomic<int> gone{0};
    comm.SetDeviceGoneHandler([&] { ++gone; });
    ASSERT_TRUE(comm.OpenCommon(pty.Name(), 115200));
    comm.StopComm();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(gone.load(), 0);

    ASSERT_TRUE(comm.OpenCommon(pty.Name(), 115200));
    pty.CloseMaster();
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (gone.load() == 0 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(gone.load(), 1);

    // Once cleared, the handler is never called again.
    comm.SetDeviceGoneHandler({});
}

TEST(QtComm, OpeningAMissingPortFailsQuietly) {
    QtComm comm;
    EXPECT_FALSE(comm.OpenCommon("/dev/brevalon-no-such-port", 115200));
    const uint8_t byte = 0x22;
    EXPECT_FALSE(comm.WriteCommData(&byte, 1));
}

TEST(QtComm, StopAndWriteOnAClosedPortDoNothing) {
    QtComm comm;
    comm.StopComm();
    comm.StopComm();
    const uint8_t bytes[] = {0xAA, 0xFE, 0x00};
    EXPECT_FALSE(comm.WriteCommData(bytes, 3));
}

TEST_F(QtCommOnPty, AnEmptyWriteIsRefusedEvenWhenOpen) {
    ASSERT_TRUE(comm.OpenCommon(pty.Name(), 115200));
    const uint8_t byte = 0x22;
    EXPECT_FALSE(comm.WriteCommData(&byte, 0));
}

TEST_F(QtCommOnPty, AfterShutdownNothingOpens) {
    comm.Shutdown();
    EXPECT_FALSE(comm.OpenCommon(pty.Name(), 115200));
    comm.StopComm();
}

}  // namespace
