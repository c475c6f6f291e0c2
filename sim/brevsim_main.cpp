// brevsim: a virtual breathalyser on a pseudo-terminal, for end-to-end runs of the
// program against a "real" serial port. Prints the port's path as its first line,
// then serves until SIGTERM/SIGINT or --exit-after.
//
// The program opens, probes and closes its ports every second while it searches, so
// the other end comes and goes: while nobody has the port open, reads here fail with
// EIO. That is waited out, and every new connection starts the device's link afresh.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "SimWire.h"
#include "VirtualBreathalyser.h"

#ifdef _WIN32

int main() {
    std::fprintf(stderr, "brevsim needs pseudo-terminals (POSIX only)\n");
    return 1;
}

#else

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>
#include <vector>

#if defined(__APPLE__)
#include <util.h>
#else
#include <pty.h>
#endif

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) {
    g_stop = 1;
}

struct Options {
    size_t records = 0;
    uint32_t recordSet = 1;
    std::string model = "Q7303";
    std::string sw = "201005";
    std::string hw = "1001";
    bool bootloader = false;
    bool paced = false;
    long silentAfter = 0;
    double exitAfter = 0;  // seconds; 0: run until killed
};

void Usage() {
    std::fprintf(stderr,
                 "usage: brevsim [--records N] [--set S] [--model CODE] [--sw VERSION]\n"
                 "               [--hw VERSION] [--bootloader] [--paced] [--silent-after K]\n"
                 "               [--exit-after SECONDS]\n");
}

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](const char*& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        const char* v = nullptr;
        char* end = nullptr;
        if (a == "--bootloader") {
            o.bootloader = true;
        } else if (a == "--paced") {
            o.paced = true;
        } else if (a == "--records" && value(v)) {
            o.records = std::strtoul(v, &end, 10);
        } else if (a == "--set" && value(v)) {
            o.recordSet = static_cast<uint32_t>(std::strtoul(v, &end, 10));
        } else if (a == "--model" && value(v)) {
            o.model = v;
        } else if (a == "--sw" && value(v)) {
            o.sw = v;
        } else if (a == "--hw" && value(v)) {
            o.hw = v;
        } else if (a == "--silent-after" && value(v)) {
            o.silentAfter = std::strtol(v, &end, 10);
        } else if (a == "--exit-after" && value(v)) {
            o.exitAfter = std::strtod(v, &end);
        } else {
            return false;
        }
        if (end != nullptr && *end != '\0') return false;
    }
    return o.records <= 0xFFFF && o.silentAfter >= 0 && o.silentAfter <= 0xFFFF;
}

// Writes as much of pending as the master takes now (it is non-blocking).
void Flush(int master, std::vector<uint8_t>& pending, size_t count) {
    size_t done = 0;
    while (done < count) {
        const ssize_t n = write(master, pending.data() + done, count - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(done));
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        Usage();
        return 2;
    }

    SimDeviceConfig config;
    config.ModelCode = options.model;
    config.SWVer = options.sw;
    config.HWVer = options.hw;
    config.InBootloader = options.bootloader;
    config.Records = GenerateRecords(options.recordSet, options.records);
    VirtualBreathalyser device(config);
    if (options.silentAfter > 0)
        device.FallSilentAfterRecord(static_cast<uint16_t>(options.silentAfter));
    device.SetRecording(false);  // a long session would only grow the log

    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    termios tio{};
    tcgetattr(slave, &tio);
    cfmakeraw(&tio);
    cfsetispeed(&tio, B115200);
    cfsetospeed(&tio, B115200);
    tcsetattr(slave, TCSANOW, &tio);
    // Let the program be the only user of the slave side, so its closing is seen here.
    close(slave);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    std::printf("%s\n", name);
    std::fflush(stdout);

    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);

    using Clock = std::chrono::steady_clock;
    const auto started = Clock::now();
    const auto byteTime = SimWire::ByteTime();
    std::vector<uint8_t> pending;   // answer bytes not yet written
    Clock::time_point lineStart{};  // when pending[0] began on the wire (paced)
    bool connected = false;

    while (!g_stop) {
        if (options.exitAfter > 0 &&
            Clock::now() - started >= std::chrono::duration<double>(options.exitAfter)) {
            break;
        }

        // Paced: write only the bytes whose wire time has passed.
        int timeoutMs = 50;
        if (!pending.empty()) {
            if (options.paced) {
                const auto now = Clock::now();
                const auto due = static_cast<size_t>((now - lineStart) / byteTime);
                const size_t count = std::min(due, pending.size());
                const size_t before = pending.size();
                Flush(master, pending, count);
                lineStart += byteTime * static_cast<int64_t>(before - pending.size());
                timeoutMs = 1;
            } else {
                Flush(master, pending, pending.size());
                timeoutMs = pending.empty() ? 50 : 1;
            }
        }

        pollfd pfd{master, POLLIN, 0};
        const int ready = poll(&pfd, 1, timeoutMs);
        if (ready < 0) {
            if (errno == EINTR) continue;
            std::perror("poll");
            break;
        }
        if (ready == 0) continue;

        uint8_t buffer[4096];
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n > 0) {
            if (!connected) {
                connected = true;
                device.ResetLink();
                pending.clear();
            }
            std::vector<uint8_t> answer = device.Receive(std::span<const uint8_t>(buffer, n));
            if (!answer.empty()) {
                if (pending.empty()) lineStart = Clock::now();
                pending.insert(pending.end(), answer.begin(), answer.end());
            }
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        // EIO (or end of file): nobody has the port open. Forget what was going on and
        // look again shortly; poll reports the hang-up at once, so sleep here.
        if (connected) {
            connected = false;
            pending.clear();
            device.ResetLink();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    close(master);
    return 0;
}

#endif
