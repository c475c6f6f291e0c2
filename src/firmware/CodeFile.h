#pragma once
// The firmware code file and its reader. A code file carries the firmware of
// one breathalyser model: eight header lines (model, version, minimum hardware,
// a note, the two sums, a free line, the MCU family), then a body of address
// lines ("@..."), data lines of hexadecimal byte pairs and a terminator ("q").
// Every code byte is stored with a byte offset of its MCU family added. The
// reader removes the offset, checks both sums and writes the plain code as the
// decoded code image that the flash programming sends to the device.
// docs/firmware-code-file.md describes the format for firmware makers.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct SharedState;

// Byte offsets by MCU family (line 7, compared exactly). Part of the file
// format: every code file is made with them.
inline constexpr uint8_t kStm32Offset = 0x5A;
inline constexpr uint8_t kMsp430Offset = 0xA5;
uint8_t FamilyOffset(std::string_view family);

// The text after the first ':' of a line ("" without one).
std::string ColonValue(std::string_view line);

// A byte pair of a data line: blanks around it removed, letters upper-cased,
// each character 0-9 / A-F worth its digit and any other character 0; the low
// 8 bits of the number.
uint8_t PairByte(std::string_view pair);

// The bytes of a data line: pairs at character positions 1-2, 4-5, 7-8, ...
void ReadDataLine(std::string_view line, std::vector<uint8_t>& bytes);

// A whole 32-bit hexadecimal number (digits 0-9, A-F in either case, no blanks,
// leading zeros allowed). False when the text is not one.
bool HexValue32(std::string_view text, uint32_t& value);

// The outcome of decoding a code file, without touching anything.
struct CodeFileDecoding {
    enum class Verdict {
        Accepted,
        TooShort,        // fewer than 10 lines
        NoAddressLine,   // line 8 holds no '@'
        NotHexadecimal,  // line 4 or 5 is not a hexadecimal number (BadLine tells which)
        SumMismatch,     // either sum differs
    };
    Verdict Result = Verdict::TooShort;
    int BadLine = -1;                 // NotHexadecimal: 4 or 5
    uint32_t ExpectedDecodedSum = 0;  // line 4
    uint32_t ExpectedStoredSum = 0;   // line 5
    uint32_t DecodedSum = 0;          // of the decoded code bytes
    uint32_t StoredSum = 0;           // of the bytes as stored
    std::string Family;               // line 7 value
    uint8_t Offset = 0;
    std::vector<std::string> Image;  // the decoded code image (Accepted only)
    uint64_t CodeBytes = 0;          // number of code bytes in the body

    bool Accepted() const { return Result == Verdict::Accepted; }
};

// Decodes the lines of a code file (rules in docs/firmware-code-file.md). The
// progress callback, when given, gets (i + 1) * 100 / lines for every body
// line i, as the settings window's bar shows it; it is called only when that
// value changes.
CodeFileDecoding DecodeCodeFile(const std::vector<std::string>& lines,
                                const std::function<void(uint8_t)>& progress = {});

// One clear sentence for a rejection, naming the file (and the line where
// there is one), for the headless check.
std::string RejectionText(const CodeFileDecoding& d, const std::string& fileName);

// Result of ReadCodeFile.
enum class CodeFileRead {
    Accepted,  // image written, current-firmware values set, Code File page updated
    Rejected,  // too short, no '@' on line 8, or a sum differs: nothing changed
    Stopped,   // a sum on line 4 or 5 is not hexadecimal: nothing changed, the user has been told
};

// Reads the lines of a code file. On acceptance it writes the decoded code
// image into the firmware store (replacing an older one only once the new one
// is complete), sets FirmwareModel, FirmwareVersion, FirmwareMinHardware,
// McuType and FirmwareModelType, and fills the Code File page through the Ui:
// progress 0, the list cleared, the header lines, the MCU type box. When the
// image cannot be written the file counts as rejected and nothing else
// changes. fileName names the file in the message of a Stopped reading.
CodeFileRead ReadCodeFile(SharedState& s, const std::vector<std::string>& lines,
                          const std::string& fileName);

// The decoded code image's file name for a model type:
// RAZEncryptioninformation_MIRAX / _ZET / _KOVAN, or RAZEncryptioninformation.
std::string DecodedImageName(int modelType);
// The firmware code file's name for a model type: SUGdefaultscf_MIRAX.txt / ...
std::string CodeFileName(int modelType);
// "MIRAX", "ZET", "KOVAN" for 1, 2, 3; "" otherwise.
std::string_view ModelName(int modelType);

// The current firmware, as a reading left it: for the update conversation and
// the flash programming (read under the shared state's lock).
struct CurrentFirmware {
    std::string Model;            // FirmwareModel (line 0 value)
    std::string Version;          // FirmwareVersion (line 1 value)
    std::string MinHardware;      // FirmwareMinHardware (line 2 value)
    std::string McuType;          // line 7 value, or settings.ini's until a file is read
    uint8_t ModelType = 0;        // FirmwareModelType
    std::filesystem::path Image;  // the decoded code image of ModelType in the store
};
CurrentFirmware CurrentFirmwareOf(const SharedState& s);
