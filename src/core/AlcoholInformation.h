#pragma once
// Everything the breathalyser has told us about itself, plus the small date and
// time records used by the reports and by the decoded test records.

#include <array>
#include <cstdint>
#include <string>

struct TDate {
    int32_t Year = 0;
    uint8_t Month = 0;
    uint8_t Day = 0;
};

struct TTime {
    uint8_t Hour = 0;
    uint8_t Mintue = 0;
    uint8_t Second = 0;
};

struct TAlcoholInformation {
    uint8_t Status = 0;
    int32_t CalError = 0;
    int32_t BlowError = 0;
    int32_t Pressure = 0;
    int32_t Voltage = 0;      // hundredths of a volt
    int32_t Temperature = 0;  // degrees + 25, as sent
    std::string Model;
    std::string ModelSN;
    std::string SensorSN;
    std::string SWVer;
    std::string HWVer;
    TDate Cal;
    int32_t CalCycle = 0;
    int32_t CalLeftDays = 0;
    uint8_t Language = 0;
    uint8_t CUnit = 0;
    int32_t LEDGreenValue = 0;
    int32_t LEDYellowValue = 0;
    int32_t LEDRedValue = 0;
    std::string StartLogo1;
    std::string StartLogo2;
    int32_t AdrLastRec = 0;
    int32_t TotalNumRec = 0;
    int32_t IndexLastRec = 0;
    int32_t NumDeleteRec = 0;
    int32_t StatusMemory = 0;
    int32_t ReadyDeleteRecNum = 0;
    TDate RDate;
    TTime RTime;
    // device settings (configuration reports)
    uint8_t Brightness = 0;
    uint8_t KeyTone = 0;
    uint8_t DisplayPrior = 0;
    uint8_t PrintSetting = 0;
    uint8_t PrintOverVaule = 0;
    int32_t BolwValue = 0;
    int32_t FlowThreshold = 0;
    uint8_t Slope = 0;
    int32_t BrACRatio = 0;
    std::array<uint8_t, 4> RFAdr{};
    uint8_t RFFreq = 0;
    uint8_t RFChannel = 0;
    int32_t DefautPassword = 0;
    int32_t FactoryPassword = 0;
    uint8_t Standard = 0;
    uint8_t Locale = 0;
};
