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
#include <optional>
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
    std::string resetRequest = "accept";
    SimBootConfig boot;
    std::string modelTable;
    std::string mcu = "STM32";
    double replugAfter = 0;  // seconds; 0: a silent device stays silent
    bool help = false;
};

const char kHelp[] =
    "usage: brevsim [OPTION]...\n"
    "A virtual breathalyser on a pseudo-terminal. The first line of output is the\n"
    "terminal's path, to be named as the program's serial port; brevsim then serves\n"
    "until SIGTERM or SIGINT (or --exit-after).\n"
    "\n"
    "Device (normal protocol):\n"
    "  --records N            stored test records, 0-65535 (default 0)\n"
    "  --set S                which generated set of records (default 1)\n"
    "  --model CODE           model code in the reports: Q7301 MIRAX, Q7302 ZET,\n"
    "                         Q7303 KOVAN (default Q7303)\n"
    "  --sw VERSION           software version, six characters, in the device and\n"
    "                         firmware-information reports (0x81, 0x6A); 201005 is\n"
    "                         shown as 2.01.005 (default 201005)\n"
    "  --hw VERSION           hardware version, four characters; 1001 is 1.001\n"
    "                         (default 1001)\n"
    "  --silent-after K       stop answering after sending record K (default 0: never)\n"
    "  --reset-request WHAT   answer to the reset request 0xA0 \"ResetMCU\": accept\n"
    "                         (A0 22, then the bootloader), silent (no answer, stays),\n"
    "                         refuse (A0 33, stays) (default accept)\n"
    "\n"
    "Bootloader (\"Update\" mode):\n"
    "  --bootloader           start in the bootloader\n"
    "  --device-type TEXT     device type it reports; the program puts its MCU family\n"
    "                         in front and looks that up in model.ini (default 410,\n"
    "                         giving STM32410)\n"
    "  --flash-start HEX      first address of the code area (default 08003000)\n"
    "  --flash-end HEX        last address of the code area (default 0801FFFF)\n"
    "  --model-table FILE     take the code area of the device type from a model\n"
    "                         table such as settings/model.ini (overrides the two\n"
    "                         above; with --mcu)\n"
    "  --mcu FAMILY           MCU family section of --model-table (default STM32)\n"
    "  --boot-version TEXT    boot code version and date (default \"BL1.02 2023-11-08\")\n"
    "  --device-number TEXT   device number (default BV24000123)\n"
    "  --erase-step BYTES     bytes between two progress replies of erase and blank\n"
    "                         check (default 16384)\n"
    "  --read-chunk BYTES     code bytes per read-code data reply (default 64)\n"
    "  --programmed           the flash holds old code, so a blank check before an\n"
    "                         erase fails (default: blank)\n"
    "  --new-sw VERSION       software version reported after the reset that follows\n"
    "                         a complete write (default: the version stays)\n"
    "  --no-reset-ack         reset on 0x88 without acknowledging it\n"
    "\n"
    "Bootloader faults (each fires once; frames and replies count from 1 in each\n"
    "programming run, replies from the device-type reply on):\n"
    "  --refuse-frame K       refuse the K-th data frame (default 0: none) ...\n"
    "  --refuse-times N       ... N times in a row (default 1)\n"
    "  --corrupt-reply K      send reply K with a wrong checksum (default 0: none)\n"
    "  --corrupt-data-reply K write the K-th data frame but send its reply with a\n"
    "                         wrong checksum, so the program sends it again\n"
    "  --silent-after-frames K  answer K data frames, then nothing (unplugged\n"
    "                         mid-flash) (default 0: never)\n"
    "  --replug-after SECONDS a device that went silent answers again after this\n"
    "                         long, still in its bootloader (default 0: stays silent)\n"
    "  --wrong-verify         report a verify checksum one off\n"
    "  --frame-time MS        time the device takes to program each data frame\n"
    "                         (default 0)\n"
    "\n"
    "Line and run:\n"
    "  --paced                send at 115200 baud instead of at once\n"
    "  --exit-after SECONDS   end after this long (default 0: run until killed)\n"
    "  --help                 this text\n"
    "\n"
    "Examples:\n"
    "  brevsim --records 50                      a KOVAN with 50 records\n"
    "  brevsim --sw 202105 --new-sw 203001       an update from 2.02.105 to 2.03.001\n"
    "  brevsim --bootloader --silent-after-frames 40 --replug-after 15\n"
    "                                            unplugged mid-flash, plugged in again\n"
    "  brevsim --bootloader --mcu MSP430 --device-type F2618 \\\n"
    "          --model-table settings/model.ini  an MSP430F2618 code area\n";

void Usage() {
    std::fprintf(stderr, "usage: brevsim [OPTION]...   (brevsim --help lists them)\n");
}

bool ParseHex(const char* text, uint32_t& out) {
    char* end = nullptr;
    const unsigned long v = std::strtoul(text, &end, 16);
    if (end == text || *end != '\0' || v > 0xFFFFFFFFul) return false;
    out = static_cast<uint32_t>(v);
    return true;
}

bool ParseCount(const char* text, uint32_t& out) {
    char* end = nullptr;
    const unsigned long v = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0' || v > 0xFFFFFFFFul) return false;
    out = static_cast<uint32_t>(v);
    return true;
}

bool ParseSeconds(const char* text, double& out) {
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end != text && *end == '\0' && out >= 0;
}

bool ParseOptions(int argc, char** argv, Options& o) {
    bool refuseTimesGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](const char*& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        const char* v = nullptr;
        char* end = nullptr;
        bool ok = true;
        double ms = 0;
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--bootloader") {
            o.bootloader = true;
        } else if (a == "--paced") {
            o.paced = true;
        } else if (a == "--programmed") {
            o.boot.StartsProgrammed = true;
        } else if (a == "--no-reset-ack") {
            o.boot.AckReset = false;
        } else if (a == "--wrong-verify") {
            o.boot.WrongVerifySum = true;
        } else if (!value(v)) {
            return false;
        } else if (a == "--records") {
            o.records = std::strtoul(v, &end, 10);
        } else if (a == "--set") {
            o.recordSet = static_cast<uint32_t>(std::strtoul(v, &end, 10));
        } else if (a == "--model") {
            o.model = v;
        } else if (a == "--sw") {
            o.sw = v;
        } else if (a == "--hw") {
            o.hw = v;
        } else if (a == "--silent-after") {
            o.silentAfter = std::strtol(v, &end, 10);
        } else if (a == "--exit-after") {
            ok = ParseSeconds(v, o.exitAfter);
        } else if (a == "--reset-request") {
            o.resetRequest = v;
            ok = o.resetRequest == "accept" || o.resetRequest == "silent" ||
                 o.resetRequest == "refuse";
        } else if (a == "--device-type") {
            o.boot.DeviceType = v;
        } else if (a == "--flash-start") {
            ok = ParseHex(v, o.boot.FlashStart);
        } else if (a == "--flash-end") {
            ok = ParseHex(v, o.boot.FlashEnd);
        } else if (a == "--model-table") {
            o.modelTable = v;
        } else if (a == "--mcu") {
            o.mcu = v;
        } else if (a == "--boot-version") {
            o.boot.BootVersion = v;
        } else if (a == "--device-number") {
            o.boot.DeviceNumber = v;
        } else if (a == "--erase-step") {
            ok = ParseCount(v, o.boot.EraseStep) && o.boot.EraseStep > 0;
        } else if (a == "--read-chunk") {
            ok = ParseCount(v, o.boot.ReadChunk) && o.boot.ReadChunk > 0 && o.boot.ReadChunk <= 252;
        } else if (a == "--new-sw") {
            o.boot.UpdatedSWVer = v;
        } else if (a == "--refuse-frame") {
            ok = ParseCount(v, o.boot.RefuseDataFrame);
        } else if (a == "--refuse-times") {
            ok = ParseCount(v, o.boot.RefuseTimes);
            refuseTimesGiven = true;
        } else if (a == "--corrupt-reply") {
            ok = ParseCount(v, o.boot.CorruptReply);
        } else if (a == "--corrupt-data-reply") {
            ok = ParseCount(v, o.boot.CorruptDataReply);
        } else if (a == "--silent-after-frames") {
            ok = ParseCount(v, o.boot.SilentAfterDataFrames);
        } else if (a == "--replug-after") {
            ok = ParseSeconds(v, o.replugAfter);
        } else if (a == "--frame-time") {
            ok = ParseSeconds(v, ms);
            o.boot.DataFrameTime = std::chrono::microseconds(static_cast<int64_t>(ms * 1000));
        } else {
            return false;
        }
        if (!ok) return false;
        if (end != nullptr && *end != '\0') return false;
    }
    if (o.boot.RefuseDataFrame != 0 && !refuseTimesGiven) o.boot.RefuseTimes = 1;
    return o.records <= 0xFFFF && o.silentAfter >= 0 && o.silentAfter <= 0xFFFF;
}

// The code area of --mcu and --device-type in --model-table.
bool ApplyModelTable(Options& o) {
    if (o.modelTable.empty()) return true;
    std::FILE* f = std::fopen(o.modelTable.c_str(), "rb");
    if (f == nullptr) {
        std::fprintf(stderr, "brevsim: cannot read %s\n", o.modelTable.c_str());
        return false;
    }
    std::string text;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    std::fclose(f);
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t nl = text.find('\n', start);
        std::string line =
            text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    if (!SimCodeAreaFromModelTable(lines, o.mcu, o.boot.DeviceType, o.boot.FlashStart,
                                   o.boot.FlashEnd)) {
        std::fprintf(stderr, "brevsim: no %s%s in %s\n", o.mcu.c_str(), o.boot.DeviceType.c_str(),
                     o.modelTable.c_str());
        return false;
    }
    return true;
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
    if (options.help) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (!ApplyModelTable(options)) return 2;

    SimDeviceConfig config;
    config.ModelCode = options.model;
    config.SWVer = options.sw;
    config.HWVer = options.hw;
    config.InBootloader = options.bootloader;
    config.ResetRequest = options.resetRequest == "silent"   ? SimDeviceConfig::ResetReply::Silent
                          : options.resetRequest == "refuse" ? SimDeviceConfig::ResetReply::Refuse
                                                             : SimDeviceConfig::ResetReply::Accept;
    config.Boot = options.boot;
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
    std::optional<Clock::time_point> silentSince;

    while (!g_stop) {
        if (options.exitAfter > 0 &&
            Clock::now() - started >= std::chrono::duration<double>(options.exitAfter)) {
            break;
        }

        // A device that went quiet (unplugged) comes back after --replug-after.
        if (options.replugAfter > 0) {
            if (!device.IsSilent()) {
                silentSince.reset();
            } else if (!silentSince) {
                silentSince = Clock::now();
            } else if (Clock::now() - *silentSince >=
                       std::chrono::duration<double>(options.replugAfter)) {
                device.SetSilent(false);
                silentSince.reset();
            }
        }

        // Nothing leaves before lineStart (the device may still be programming);
        // paced, only the bytes whose wire time has passed.
        int timeoutMs = 50;
        if (!pending.empty() && Clock::now() < lineStart) {
            timeoutMs = 1;
        } else if (!pending.empty()) {
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
            const auto busy = device.TakeAnswerDelay();
            if (!answer.empty()) {
                if (pending.empty()) lineStart = Clock::now() + busy;
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
