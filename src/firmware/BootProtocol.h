#pragma once
// The PC side of the bootloader protocol. A programming run is a strict
// request-reply exchange: StartFirmwareUpdate sends the first request, and every
// accepted reply that BootReceiveByte completes makes it send the next one at
// once, on the dispatcher thread. Like the frame parser it takes bytes in and
// hands bytes to the port; it owns no port and no thread.
//
// Order of a run: device type (0x8B), boot code version (0x8C), device number
// (0x8D), start (0x80), then the steps switched on in [FLASHSUG], in this order:
// erase user information (0x81), erase main flash (0x82), verify blank (0x83),
// write code (0x84/0x85 frames, then 0x86), verify code (0x87), then read code
// (0x8A) or the reset (0x88). The run ends with FlashResult (0xFF finished, any
// other value the command of the step that failed) or, after an acknowledged
// reset, with LinkMode 11.
//
// Beyond the bare exchange, a run keeps these promises:
// - a reply whose command is not that of the request outstanding (late or
//   repeated) is not acted on;
// - once the run has ended, nothing received changes its outcome;
// - when a data frame had to be sent again after a transmission error, the device
//   may hold it twice: the run then ends only through a matching verify, which
//   runs even when VerifyCode is off.

#include <cstdint>
#include <filesystem>
#include <functional>

struct SharedState;

// Starts a programming run on a device connected in its bootloader (LinkMode 10,
// dispatcher running): checks the device's model against the current firmware,
// logs the image size and sends ESC ESC ESC and the device-type request. When the
// model is unknown or no image can be had, FlashResult = 0x44 and nothing is sent.
// The images are those of the firmware store (s.Firmware); a missing one is
// rebuilt from the model's firmware code file. Search thread.
void StartFirmwareUpdate(SharedState& s);

// Where the decoded code images are, and how a missing one is rebuilt from the
// model's firmware code file (true when it was; it also makes that file the
// current firmware).
struct FirmwareImages {
    std::filesystem::path FirmwareStore;
    std::function<bool(uint8_t modelType)> LoadModelFirmware;
};

// The same start with the images taken from elsewhere (tests, benchmarks).
void StartFirmwareUpdate(SharedState& s, const FirmwareImages& images);

// One received byte while LinkMode is 10 or more. Dispatcher thread.
void BootReceiveByte(SharedState& s, uint8_t byte);

// Device-type lookup for DeviceTypeName in the model table, under the section of
// the run's MCU family: sets FlashStart, FlashEnd, FlashSpan and FlashAddress.
// True when an entry with a code area (not both addresses 0) was found.
// Caller holds s.Boot.Lock.
bool LookUpDeviceType(SharedState& s);

// Progress bar from FlashAddress: (FlashAddress - FlashStart) * 100 / FlashSpan,
// unchanged while FlashAddress lies below FlashStart. Caller holds s.Boot.Lock.
void ShowFlashProgress(SharedState& s);
