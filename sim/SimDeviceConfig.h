#pragma once
// Everything a virtual breathalyser reports about itself. Texts are sent one byte
// per character; fixed-width texts are padded with blanks (versions with '0') or cut.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "SimBootloader.h"
#include "SimRecords.h"

struct SimClock {
    uint8_t Hour = 10;
    uint8_t Minute = 30;
    uint8_t Second = 0;
    uint16_t Year = 2024;
    uint8_t Month = 5;
    uint8_t Day = 17;
};

// User and factory settings of the 0x62 report (unit, language and clock come from
// SimDeviceConfig).
struct SimSettings {
    uint8_t Brightness = 5;  // 1-10
    uint8_t KeyTone = 0;     // 0 on, 1 off
    uint8_t DisplayPrior = 0;
    uint8_t PrintSetting = 0;
    uint8_t PrintOverValue = 25;  // hundredths of mg/L
    uint16_t BlowValue = 1200;
    uint16_t FlowThreshold = 300;  // ml
    uint8_t Slope = 100;
    uint16_t BrACRatio = 2100;
    std::array<uint8_t, 4> RFAdr{0x12, 0x34, 0x56, 0x78};
    uint8_t RFFreq = 0;
    uint8_t RFChannel = 95;  // 80-110
    uint16_t DefaultPassword = 0x1234;
    uint16_t FactoryPassword = 0xABCD;
    uint8_t Standard = 0;
    uint8_t Locale = 0;
};

struct SimDeviceConfig {
    // Identity and versions.
    std::string ModelCode = "Q7303";  // 10 bytes on the wire: Q7301 MIRAX, Q7302 ZET, Q7303 KOVAN
    std::string ModelSN = "KV24000123";
    std::string SensorSN = "SE24000456";
    std::string SWVer = "201005";  // six characters, shown as 2.01.005
    std::string HWVer = "1001";    // four characters, shown as 1.001

    // Calibration and display.
    uint16_t CalYear = 2024;
    uint8_t CalMonth = 3;
    uint8_t CalDay = 9;
    uint16_t CalCycle = 365;  // days
    uint8_t Language = 0;
    uint8_t Unit = 0;
    uint16_t LEDGreen = 200;  // thousandths
    uint16_t LEDYellow = 400;
    uint16_t LEDRed = 800;

    SimClock Clock;

    // Record memory (0x83). Unset counts follow the number of records.
    uint16_t AdrLastRec = 5;               // raw value as sent
    std::optional<uint16_t> TotalNumRec;   // reported count; default Records.size()
    std::optional<uint16_t> IndexLastRec;  // default Records.size()
    uint16_t NumDeleteRec = 0;
    uint16_t StatusMemory = 0;  // 0 ready, other full

    // Run and full status (0x80, 0x6A).
    uint8_t RunStatus = 0;
    uint16_t CalError = 0;
    uint16_t BlowError = 0;
    uint16_t Pressure = 1013;
    uint16_t Voltage = 372;    // hundredths of a volt
    uint8_t Temperature = 45;  // degrees + 25

    // Configuration reports (0x62, 0x65, 0x9C).
    SimSettings Settings;
    std::string StartLogo1 = "BREVALON";    // 8 bytes on the wire
    std::string StartLogo2 = "Drive safe";  // UTF-8, ended by a TAB
    std::array<std::string, 4> PrintHeader{"Station 7", "Harbour Road", "Checkpoint B", "J. Smith"};

    // Stored tests; record number n (1-based) is Records[n - 1].
    std::vector<SimRecord> Records;

    // Bootloader behaviour.
    bool InBootloader = false;  // start in the bootloader ("Update" mode)
    // The reset request 0xA0 "ResetMCU": Accept answers A0 [22] and switches into
    // the bootloader, Silent answers nothing and stays, Refuse answers A0 [33] and stays.
    enum class ResetReply { Accept, Silent, Refuse };
    ResetReply ResetRequest = ResetReply::Accept;
    SimBootConfig Boot;
};
