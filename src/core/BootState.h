#pragma once
// Variables of a programming run through the device's bootloader. They live in
// the shared state because a run is started on the search thread and driven by
// the replies on the dispatcher thread, and because CodeChecksum has to survive
// from one run to the next.
//
// Lock serialises the start of a run (search thread) with the handling of the
// received bytes (dispatcher thread): whoever touches the fields without an
// atomic type holds it. Never call into a blocking Ui method while holding it.

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

struct BootState {
    std::mutex Lock;

    // --- receive machine ---
    uint8_t BootRxState = 0;
    uint8_t BootRxSum = 0;
    int32_t BootRxIndex = 0;  // up to LEN + 1 = 256, beyond a byte
    uint8_t BootRxLength = 0;
    // [0] LEN, [1] command, [2] status, [3 .. LEN] data, [LEN + 1] checksum; one byte
    // more than the protocol needs so that even a frame announcing LEN 255 fits.
    std::array<uint8_t, 257> BootRxFrame{};

    // --- the request outstanding ---
    std::array<uint8_t, 256> BootTxFrame{};
    int32_t BootTxLength = 0;

    // --- code area and progress ---
    uint32_t FlashAddress = 0;
    uint32_t FlashStart = 0;
    uint32_t FlashEnd = 0;
    uint32_t FlashSpan = 1;

    // --- code written ---
    std::vector<std::string> CodeImage;
    int32_t CodeLineIndex = 0;
    int32_t CodeLineCount = 0;
    uint16_t CodeChecksum = 0;  // kept between runs; reset when a write step starts
    uint8_t WriteRetries = 0;

    // --- code read back ---
    std::vector<std::string> ReadBackLines;
    std::string ReadBackLine;
    uint8_t ReadBackCount = 0;

    std::string DeviceTypeName;

    // --- taken at the start of a run ---
    std::string McuType;              // MCU family the device type is looked up under
    std::filesystem::path ImagePath;  // decoded code image of the device's model
    uint8_t ModelType = 0;            // model type of that image

    // --- safeguards of this program ---
    // The run has ended (result set or reset acknowledged): later replies change nothing.
    bool RunEnded = true;
    // A data frame went out again after a transmission error, so the device may have
    // written it twice; the run then ends only through a matching verify.
    bool DataFrameRepeated = false;

    // Read by the search thread.
    // Set when a run starts, cleared when it has ended well: the next run on a device
    // still in its bootloader is started only after the user has agreed.
    std::atomic<bool> LastRunUnfinished{false};
    // The reset request has gone out after a matching verify; if its acknowledgement
    // is lost the update has still succeeded.
    std::atomic<bool> ResetSentAfterVerify{false};
};
