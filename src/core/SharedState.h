#pragma once
// The variables through which the parts of the program cooperate: receive ring,
// send buffer, link and operation state, device information, firmware state and
// the loaded configuration. One instance per program (and per test); everything
// receives it by reference.
//
// Threads: the serial I/O thread stores received bytes; the dispatcher thread
// parses them and runs the report handlers; the search thread probes ports and
// supervises the link; the GUI thread runs the buttons. Byte and word variables
// touched by several threads are atomics. TxPayload is filled and sent under
// TxLock. The texts and lists (DeviceInfo, RecordLines, the firmware texts) are
// guarded by InfoLock; never hold it while calling the Ui.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/AlcoholInformation.h"
#include "core/BootState.h"
#include "core/FirmwarePlaces.h"
#include "core/TextTable.h"

class Ui;
class Comm;
class WebAccess;

inline constexpr uint16_t kRingSize = 4000;  // positions 0-3999 of RxRing are used

// Step switches of the flash programming and the MCU family, from settings.ini.
struct FlashSettings {
    bool EraseUserInformation = false;
    bool EraseMain = false;
    bool VerifyBlank = false;
    bool WriteCode = false;
    bool VerifyCode = false;
    bool ReadCode = false;
    bool AutomaticReset = false;
    std::string McuType;
};

// States of the frame parser.
enum RxParserState : uint8_t { Hunt = 0, GotAA = 1, LengthHigh = 2, LengthLow = 3, Command = 4, Body = 5 };

struct SharedState {
    SharedState(Ui& ui, Comm& comm) : ui(ui), comm(comm) {}
    SharedState(const SharedState&) = delete;
    SharedState& operator=(const SharedState&) = delete;

    Ui& ui;
    Comm& comm;

    // --- receive ring and send buffer ---
    // The ring has one writer, the serial component's receive handler: only it
    // stores into RxRing and moves RxWritePos while a port is open. Everyone
    // else who wants the ring started again at position 0 asks for it
    // (RxResetAsked), and the writer applies the reset before its next block
    // (RxResetDone); see link/ReceiveRing.h.
    std::array<uint8_t, 4096> RxRing{};
    std::atomic<uint16_t> RxWritePos{0};  // published with release after the bytes are stored
    std::atomic<uint16_t> RxReadPos{0};
    std::atomic<uint32_t> RxSignal{0};  // bumped after every stored block; the dispatcher waits on it
    std::atomic<uint32_t> RxResetAsked{0};  // number of the latest reset asked for
    std::atomic<uint32_t> RxResetDone{0};   // number of the latest reset applied
    std::atomic<uint16_t> RxResetClear{0};  // bytes from position 0 the next reset zeroes
    std::mutex TxLock;
    std::array<uint8_t, 513> TxPayload{};
    std::array<uint8_t, 2049> RxFrame{};

    // --- frame parser (dispatcher thread only) ---
    uint8_t RxState = Hunt;
    int32_t RxExpected = 0;
    int32_t RxCount = 0;
    uint8_t RxSum = 0;
    std::atomic<bool> DebugMode{false};

    // --- link and search ---
    std::atomic<uint8_t> Connected{0};
    std::atomic<int32_t> PortBaudRate{115200};
    std::atomic<uint8_t> LinkMode{0};
    std::atomic<uint8_t> SearchTrigger{0};
    std::atomic<int32_t> SearchProgress{0};
    std::atomic<int32_t> BootTicks{0};

    // --- device operation ---
    std::atomic<uint8_t> OperationState{0};
    std::atomic<uint8_t> OperationTicks{0};
    std::atomic<int32_t> ProgressCount{0};

    // --- guarded by InfoLock ---
    mutable std::mutex InfoLock;
    std::shared_ptr<std::vector<std::string>> RecordLines;  // absent until the first record request
    TAlcoholInformation DeviceInfo;
    std::string FirmwareModel;
    std::string FirmwareVersion;
    std::string FirmwareMinHardware;
    // Flash.McuType is also written by the code file reader, under this lock.

    // --- firmware update ---
    std::atomic<bool> FirmwareFetched{false};
    std::atomic<uint8_t> FlashResult{0};
    // Model type of the firmware read last (1 MIRAX, 2 ZET, 3 KOVAN, 0 other).
    std::atomic<uint8_t> FirmwareModelType{0};
    BootState Boot;  // the programming run

    // --- configuration, loaded at start-up before any worker thread runs ---
    TextTable Texts;
    std::vector<std::string> ModelTable;
    FlashSettings Flash;
    FirmwarePlaces Firmware;     // set by the composition root before any window is made
    WebAccess* web = nullptr;    // the network; without it every download run fails as offline

    // Copies of the guarded values, for readers on other threads.
    TAlcoholInformation InfoSnapshot() const {
        std::lock_guard lock(InfoLock);
        return DeviceInfo;
    }
};

// Start-up reset of the port state: Connected 0, PortBaudRate 115200, both ring
// positions 0, RxRing[0..1024] and TxPayload[0..512] zeroed. Applied at once:
// it runs before any port is open, so nothing stores into the ring meanwhile.
void ResetPortState(SharedState& s);

// Counter of search passes without an accepted bootloader reply.
int32_t StepBootTicks(SharedState& s, bool advance);
int32_t ReadBootTicks(const SharedState& s);
