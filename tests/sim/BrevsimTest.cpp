// Runs the stand-alone virtual breathalyser on a pseudo-terminal and talks to it
// the way the program's search does: open, probe, read, close.

#include <gtest/gtest.h>

#include "WireHelpers.h"

#ifndef _WIN32

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

extern char** environ;

using namespace simtest;

namespace {

class BrevsimProcess {
  public:
    explicit BrevsimProcess(std::vector<std::string> args) {
        int out[2];
        if (pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const std::string program = std::string(BREV_BIN_DIR) + "/brevsim";
        args.insert(args.begin(), program);
        args.insert(args.end(), {"--exit-after", "30"});  // never outlives a stuck test
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        stdout_ = out[0];
    }
    ~BrevsimProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
        if (stdout_ >= 0) close(stdout_);
    }
    bool Started() const { return pid_ > 0; }

    // First line of the program's output: the slave side of its pseudo-terminal.
    std::string FirstLine() {
        std::string line;
        char c = 0;
        while (Readable(stdout_, 5000) && read(stdout_, &c, 1) == 1 && c != '\n') line += c;
        return line;
    }

    // Everything the program writes until it ends (at most 5 s).
    std::string ReadAll() {
        std::string text;
        char buffer[512];
        while (Readable(stdout_, 5000)) {
            const ssize_t n = read(stdout_, buffer, sizeof buffer);
            if (n <= 0) break;
            text.append(buffer, static_cast<size_t>(n));
        }
        return text;
    }

    // Stops the program and returns its exit status (-1 if it did not exit normally).
    int Terminate() {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    static bool Readable(int fd, int timeoutMs) {
        pollfd p{fd, POLLIN, 0};
        return poll(&p, 1, timeoutMs) > 0;
    }

  private:
    pid_t pid_ = -1;
    int stdout_ = -1;
};

int OpenRaw(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) return fd;
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    cfsetispeed(&tio, B115200);
    cfsetospeed(&tio, B115200);
    tcsetattr(fd, TCSANOW, &tio);
    return fd;
}

// Writes request and collects the answer: at least `want` bytes, then whatever
// follows until the line has been quiet for 100 ms (or 5 s have passed).
Bytes Exchange(int fd, const Bytes& request, size_t want) {
    EXPECT_EQ(static_cast<ssize_t>(request.size()), write(fd, request.data(), request.size()));
    Bytes answer;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        if (!BrevsimProcess::Readable(fd, 100)) {
            if (answer.size() >= want) break;
            continue;
        }
        uint8_t buffer[256];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) answer.insert(answer.end(), buffer, buffer + n);
    }
    return answer;
}

TEST(Brevsim, AnswersTheClockProbeOnItsPseudoTerminalAcrossReopens) {
    BrevsimProcess sim({"--records", "3", "--set", "5"});
    ASSERT_TRUE(sim.Started());
    const std::string path = sim.FirstLine();
    ASSERT_FALSE(path.empty());

    // The search opens, probes and closes the port again and again.
    for (int round = 0; round < 3; ++round) {
        const int fd = OpenRaw(path);
        ASSERT_GE(fd, 0) << path;
        const Bytes answer = Exchange(fd, Hex("AA FE 00 03 82 11 96"), 13);
        close(fd);
        ASSERT_GE(answer.size(), 3u) << "round " << round;
        EXPECT_EQ(0xAA, answer[0]);
        EXPECT_EQ(0xFE, answer[1]);
        const auto frames = SplitFrames(answer);
        ASSERT_EQ(1u, frames.size());
        EXPECT_TRUE(frames[0].SumOk);
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
    }
    EXPECT_EQ(0, sim.Terminate());
}

TEST(Brevsim, ServesRecordsAndAnswersTheBootloaderProbeWhenStartedInIt) {
    {
        BrevsimProcess sim({"--records", "2", "--paced"});
        const int fd = OpenRaw(sim.FirstLine());
        ASSERT_GE(fd, 0);
        auto frames = SplitFrames(Exchange(fd, Hex("AA FE 00 07 84 11 00 01 00 02 9F"), 22));
        ASSERT_EQ(1u, frames.size());
        EXPECT_EQ(1, Word(frames[0].Payload, 0));
        frames = SplitFrames(Exchange(fd, Hex("AA FE 00 03 84 22 A9"), 22));
        ASSERT_EQ(1u, frames.size());
        EXPECT_EQ(2, Word(frames[0].Payload, 0));
        close(fd);
    }
    {
        BrevsimProcess sim({"--bootloader"});
        const int fd = OpenRaw(sim.FirstLine());
        ASSERT_GE(fd, 0);
        const Bytes answer = Exchange(fd, Hex("1B 00 FE 01 87 88"), 3);
        close(fd);
        ASSERT_GE(answer.size(), 3u);
        EXPECT_EQ(0x00, answer[0]);
        EXPECT_EQ(0xFE, answer[1]);
    }
}

TEST(Brevsim, HelpExplainsEveryOptionWithDefaultsAndExamples) {
    BrevsimProcess sim({"--help"});
    ASSERT_TRUE(sim.Started());
    const std::string help = sim.ReadAll();
    EXPECT_EQ(0, sim.Terminate());
    const char* options[] = {
        "--records",
        "--set",
        "--model",
        "--sw",
        "--hw",
        "--silent-after",
        "--reset-request",
        "--bootloader",
        "--device-type",
        "--flash-start",
        "--flash-end",
        "--model-table",
        "--mcu",
        "--boot-version",
        "--device-number",
        "--erase-step",
        "--read-chunk",
        "--programmed",
        "--new-sw",
        "--no-reset-ack",
        "--refuse-frame",
        "--refuse-times",
        "--corrupt-reply",
        "--corrupt-data-reply",
        "--silent-after-frames",
        "--replug-after",
        "--wrong-verify",
        "--frame-time",
        "--paced",
        "--exit-after",
        "--help",
    };
    for (const char* option : options) {
        EXPECT_NE(help.find(std::string("  ") + option + " "), std::string::npos) << option;
    }
    EXPECT_NE(help.find("default"), std::string::npos);
    EXPECT_NE(help.find("Examples:"), std::string::npos);
}

TEST(Brevsim, RefusesUnknownOptionsAndBadValues) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--no-such-option"},
                                                 {"--flash-start", "xyz"},
                                                 {"--reset-request", "maybe"},
                                                 {"--records", "70000"}}) {
        BrevsimProcess sim(args);
        ASSERT_TRUE(sim.Started());
        EXPECT_EQ(sim.ReadAll(), "") << args[0];  // ends at once, without a terminal
        EXPECT_EQ(2, sim.Terminate()) << args[0];
    }
}

TEST(Brevsim, BootloaderTakesItsCodeAreaFromTheModelTable) {
    BrevsimProcess sim({"--bootloader", "--mcu", "MSP430", "--device-type", "F2618",
                        "--model-table", std::string(BREV_SOURCE_DIR) + "/settings/model.ini"});
    const int fd = OpenRaw(sim.FirstLine());
    ASSERT_GE(fd, 0);
    // 00 FE LEN body SUM; the answers come back the same way.
    const Bytes type = Exchange(fd, Hex("1B 1B 1B 00 FE 01 8B 8C"), 11);
    EXPECT_EQ(type, Hex("00 FE 07 8B 91 46 32 36 31 38 3A"));  // "F2618"
    const Bytes start = Exchange(fd, Hex("00 FE 01 80 81"), 5);
    EXPECT_EQ(start, Hex("00 FE 02 80 91 13"));
    // 0x3100 is the first address of the MSP430F2618 code area, 0x30FF lies before it.
    EXPECT_EQ(Exchange(fd, Hex("00 FE 03 84 31 00 B8"), 5), Hex("00 FE 02 84 91 17"));
    EXPECT_EQ(Exchange(fd, Hex("00 FE 03 84 30 FF B6"), 5), Hex("00 FE 02 84 92 18"));
    close(fd);
}

}  // namespace

#else

TEST(Brevsim, NeedsPseudoTerminals) {
    GTEST_SKIP() << "pseudo-terminals are POSIX only";
}

#endif
