#pragma once
// The bootloader of a virtual breathalyser: a flash memory of the device's code
// area and the answers of the bootloader protocol (frames 00 FE LEN body SUM,
// replies command, status 0x91 done / 0x92 refused, then data).
//
//   0x8B device type text         0x8C boot code version      0x8D device number
//   0x80 start (write address = start of the code area)
//   0x81 erase user information
//   0x82 erase main flash: progress replies 82 91 + 4-byte address, then 82 91
//   0x83 blank check: progress as 0x82, then 83 91, or 83 92 + the first address
//        that is not blank
//   0x84 set write address (2-4 bytes, inside the code area)
//   0x85 write up to 236 bytes at the write address (flash bits only go from 1 to 0)
//   0x86 0x71 end of code
//   0x87 verify: the 16-bit sum of every byte programmed since the last erase
//   0x88 reset (back to the normal protocol)
//   0x8A read code: for every programmed stretch 8A 9A + 4-byte address and data
//        replies 8A 9B, then one 8A 9C
// Anything else is answered command 0x92.
//
// Not thread-safe; the virtual breathalyser holds its own lock around it.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// What the bootloader is and how it misbehaves.
struct SimBootConfig {
    std::string DeviceType = "410";  // 0x8B reply; the PC puts its MCU family in front
    std::string BootVersion = "BL1.02 2023-11-08";
    std::string DeviceNumber = "BV24000123";
    // Code area, inclusive (the STM32410 entry of the shipped model table).
    uint32_t FlashStart = 0x08003000;
    uint32_t FlashEnd = 0x0801FFFF;
    uint32_t EraseStep = 0x4000;    // bytes between two progress replies of erase and blank check
    uint32_t ReadChunk = 64;        // code bytes per read-code data reply
    bool StartsProgrammed = false;  // the flash holds old code (a blank check fails)
    bool AckReset = true;           // 0x88 is answered before the device resets
    // Software version the device reports after a reset that follows a complete
    // write (an end frame after data); empty: the version stays.
    std::string UpdatedSWVer;

    // --- faults; each fires once in the life of the device ---
    uint32_t RefuseDataFrame = 0;        // the k-th data frame of a run (from 1) is refused ...
    uint32_t RefuseTimes = 0;            // ... this many times in a row
    uint32_t CorruptReply = 0;           // the k-th reply of a run (from the 0x8B, 1) has a bad sum
    uint32_t CorruptDataReply = 0;       // the reply to the k-th data frame, written, has a bad sum
    uint32_t SilentAfterDataFrames = 0;  // after answering k data frames the device goes quiet
    bool WrongVerifySum = false;         // the verify reply is one off
    std::chrono::microseconds DataFrameTime{0};  // the device's time to program a data frame
};

class SimBootloader {
  public:
    struct Answer {
        std::vector<std::vector<uint8_t>> Frames;  // complete reply frames, in order
        bool Reset = false;                        // the device leaves its bootloader
        bool FallSilent = false;                   // the device stops answering
        std::chrono::microseconds Busy{0};         // time before the first reply can go
    };

    // One request body (command and data) whose frame sum was right.
    Answer Handle(const std::vector<uint8_t>& body, const SimBootConfig& config);

    // Code area as the device holds it (0xFF where erased).
    std::vector<uint8_t> Flash(const SimBootConfig& config);
    // Bytes programmed since the last erase, each with its address, in address order.
    std::vector<std::pair<uint32_t, uint8_t>> Programmed(const SimBootConfig& config);
    uint16_t CodeSum(const SimBootConfig& config);
    uint64_t DataFramesReceived() const { return dataFramesReceived_; }
    bool CodeComplete() const { return codeComplete_; }

  private:
    void Fit(const SimBootConfig& config);
    void Reply(Answer& answer, const SimBootConfig& config, uint8_t command, uint8_t status,
               const std::vector<uint8_t>& data = {}, bool corrupt = false);
    void Progress(Answer& answer, const SimBootConfig& config, uint8_t command, uint32_t upTo);
    void HandleWrite(Answer& answer, const SimBootConfig& config, const std::vector<uint8_t>& body);
    void HandleRead(Answer& answer, const SimBootConfig& config);

    uint32_t start_ = 0;
    uint32_t end_ = 0;
    bool fitted_ = false;
    std::vector<uint8_t> flash_;
    std::vector<bool> programmed_;
    uint32_t writeAddress_ = 0;
    bool codeWritten_ = false;   // data written in this run
    bool codeComplete_ = false;  // and the end frame followed
    uint32_t repliesInRun_ = 0;
    uint32_t dataFramesInRun_ = 0;
    uint64_t dataFramesReceived_ = 0;
    uint32_t refusalsGiven_ = 0;
    bool refuseDone_ = false;
    bool corruptReplyDone_ = false;
    bool corruptDataDone_ = false;
    bool silentDone_ = false;
};

// The code area of a device type from the lines of a model table: under the
// line "[" + family + "]", groups of three lines whose values (text after "=")
// are the device type (family + deviceType), the start and the end address in
// hex. False when there is no such entry.
bool SimCodeAreaFromModelTable(const std::vector<std::string>& lines, const std::string& family,
                               const std::string& deviceType, uint32_t& start, uint32_t& end);
