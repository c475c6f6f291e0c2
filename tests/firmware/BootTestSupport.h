#pragma once
// Shared pieces of the flash programming tests: a shared state on a port that
// records what is written, bootloader replies built from the frame rule, a
// firmware store in a temporary folder, and a port that puts a virtual
// breathalyser behind the programming run on the test's own thread.

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "VirtualBreathalyser.h"
#include "config/TempFolder.h"
#include "core/Comm.h"
#include "core/SharedState.h"
#include "firmware/BootProtocol.h"
#include "link/WriteRecordingComm.h"
#include "support/RecordingUi.h"

namespace boottest {

using Bytes = std::vector<uint8_t>;

// "00 FE 01 8B" -> bytes.
inline Bytes Hex(const std::string& text) {
    Bytes out;
    std::istringstream in(text);
    std::string pair;
    while (in >> pair) out.push_back(static_cast<uint8_t>(std::stoul(pair, nullptr, 16)));
    return out;
}

// bytes -> "00 FE 01 8B".
inline std::string HexText(const Bytes& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i) out += ' ';
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

// A bootloader reply: 00 FE, LEN (command, status and data), the body, and the
// low byte of LEN plus the body.
inline Bytes Reply(uint8_t command, uint8_t status, const Bytes& data = {}) {
    Bytes body{command, status};
    body.insert(body.end(), data.begin(), data.end());
    Bytes frame{0x00, 0xFE, static_cast<uint8_t>(body.size())};
    unsigned sum = frame[2];
    for (uint8_t b : body) {
        frame.push_back(b);
        sum += b;
    }
    frame.push_back(static_cast<uint8_t>(sum & 0xFF));
    return frame;
}

inline Bytes TextBytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// The model table of an installation, as its lines.
inline std::vector<std::string> TestModelTable() {
    return {
        "[STM32]",
        "DeviceType1=STM32410",
        "StartAddress1=08003000",
        "EndAddress1=0801FFFF",
        "DeviceType2=STM32ZERO",
        "StartAddress2=00000000",
        "EndAddress2=00000000",
        "[MSP430]",
        "DeviceType1=MSP430F2618",
        "StartAddress1=00003100",
        "EndAddress1=0001FFFF",
    };
}

// n image data lines of 16 bytes, the bytes counting up from `first`, each
// written as lower-case pairs followed by a blank.
inline std::vector<std::string> DataLines(int n, uint8_t first = 0) {
    std::vector<std::string> lines;
    uint8_t v = first;
    for (int i = 0; i < n; ++i) {
        std::string line;
        for (int k = 0; k < 16; ++k) {
            static const char* digits = "0123456789abcdef";
            line += digits[v >> 4];
            line += digits[v & 15];
            line += ' ';
            ++v;
        }
        lines.push_back(line);
    }
    return lines;
}

inline std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A port with a virtual breathalyser behind it, run by the test: every write
// reaches the device at once, and its answer waits until Pump hands it to the
// programming run. Nothing runs on another thread.
class DeviceLoopComm : public Comm {
  public:
    explicit DeviceLoopComm(VirtualBreathalyser& device) : device_(device) {}

    void SetReceiveHandler(ReceiveHandler) override {}
    bool OpenCommon(const std::string&, int32_t) override { return true; }
    void StopComm() override {}
    bool WriteCommData(const uint8_t* buffer, uint16_t count) override {
        if (count == 0) return false;
        Bytes bytes(buffer, buffer + count);
        writes_.push_back(bytes);
        Bytes answer = device_.Receive(bytes);
        if (!answer.empty()) answers_.push_back(std::move(answer));
        return true;
    }

    // Hands the device's answers to the run until it has nothing more to say
    // (or limit answers have been handed over).
    void Pump(SharedState& s, size_t limit = 1000000) {
        while (!answers_.empty() && limit-- > 0) {
            const Bytes answer = std::move(answers_.front());
            answers_.pop_front();
            for (uint8_t b : answer) BootReceiveByte(s, b);
        }
    }
    // Drops the next answer as if it were lost on the line.
    void LoseNextAnswer() {
        if (!answers_.empty()) answers_.pop_front();
    }

    const std::vector<Bytes>& Writes() const { return writes_; }
    size_t PendingAnswers() const { return answers_.size(); }

  private:
    VirtualBreathalyser& device_;
    std::vector<Bytes> writes_;
    std::deque<Bytes> answers_;
};

// Command byte of a frame the PC wrote (after any ESC bytes and 00 FE LEN).
inline uint8_t CommandOf(const Bytes& frame) {
    size_t i = 0;
    while (i < frame.size() && frame[i] == 0x1B) ++i;
    return i + 3 < frame.size() ? frame[i + 3] : 0;
}

// Writes the decoded code image of a model type into the store folder.
inline void WriteImage(const TempFolder& store, const std::string& name,
                       const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    store.Write(name, text);
}

// The bytes an image puts into the device's flash, address by address: data
// lines after an `@` line start at its address, the first ones at `start`.
inline std::vector<std::pair<uint32_t, uint8_t>> ImageBytes(const std::vector<std::string>& lines,
                                                            uint32_t start) {
    std::vector<std::pair<uint32_t, uint8_t>> out;
    uint32_t address = start;
    for (const auto& line : lines) {
        if (line.find('q') != std::string::npos) break;
        if (!line.empty() && line[0] == '@') {
            address = static_cast<uint32_t>(std::stoul(line.substr(1), nullptr, 16));
            continue;
        }
        for (size_t i = 0; i + 1 < line.size(); i += 3) {
            out.emplace_back(address++,
                             static_cast<uint8_t>(std::stoul(line.substr(i, 2), nullptr, 16)));
        }
    }
    return out;
}

// A programming run on the test's thread against a virtual breathalyser in its
// bootloader, with the shipped default switches (erase main flash, write code,
// verify code, automatic reset) and a KOVAN image in a temporary store.
class DeviceRunTest : public ::testing::Test {
  protected:
    DeviceRunTest() {
        SimDeviceConfig config;
        config.InBootloader = true;
        config.Boot.UpdatedSWVer = "203001";
        device = std::make_unique<VirtualBreathalyser>(config);
        comm = std::make_unique<DeviceLoopComm>(*device);
        s = std::make_unique<SharedState>(ui, *comm);
        s->ModelTable = TestModelTable();
        s->Flash.EraseMain = true;
        s->Flash.WriteCode = true;
        s->Flash.VerifyCode = true;
        s->Flash.AutomaticReset = true;
        s->Flash.McuType = "STM32";
        s->DeviceInfo.Model = "KOVAN";
        s->FirmwareModel = "Q7303";
        s->LinkMode.store(10);
        SetImage(Join({DataLines(40), {"q"}}));
    }

    void SetImage(const std::vector<std::string>& lines) {
        image = lines;
        WriteImage(store, "RAZEncryptioninformation_KOVAN", lines);
    }

    // Starts a run and lets it go until the device has nothing more to say.
    void Run() {
        StartFirmwareUpdate(*s, FirmwareImages{store.Path(), {}});
        comm->Pump(*s);
    }

    // Commands of every frame written, in order.
    std::vector<uint8_t> Commands() const {
        std::vector<uint8_t> out;
        for (const auto& w : comm->Writes()) out.push_back(CommandOf(w));
        return out;
    }
    size_t CountSent(uint8_t command) const {
        size_t n = 0;
        for (uint8_t c : Commands()) n += c == command;
        return n;
    }
    bool Logged(const std::string& line) const {
        for (const auto& l : ui.Log()) {
            if (l == line) return true;
        }
        return false;
    }

    RecordingUi ui;
    TempFolder store;
    std::vector<std::string> image;
    std::unique_ptr<VirtualBreathalyser> device;
    std::unique_ptr<DeviceLoopComm> comm;
    std::unique_ptr<SharedState> s;
};

}  // namespace boottest
