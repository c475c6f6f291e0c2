#pragma once
// Texts of the device link: frame handling, the record download and the report
// handlers. Some offsets carry different fallbacks in different reports (for
// example [Hint] 23 is "Error!", "Error" or "error"); each use is listed as it is
// shown.

#include "core/TextTable.h"

// Frame codec
inline constexpr TextRef kSendDatumText{"[Hint]", 3, "Send Datum: "};
inline constexpr TextRef kTxErrorText{"[Hint]", 4, "TX Error!"};
inline constexpr TextRef kChecksumErrorText{"[Hint]", 23, "Error!"};

// Record download
inline constexpr TextRef kSystemBusyText{"[Warning]", 2, "System is busy!"};
inline constexpr TextRef kOnlyKovanText{
    "[Hint]", 62,
    "This function only support the \"KOVAN\" model, please check this is the \"KOVAN\" model as "
    "your breathalyser."};

// Device information and status reports
inline constexpr TextRef kRunStatusText{"[Hint]", 10, "Run Status:"};
inline constexpr TextRef kCalErrorNumberText{"[Hint]", 11, "Calibration error number:"};
inline constexpr TextRef kDeviceInfoErrorText{"[Hint]", 23, "Error"};
inline constexpr TextRef kModelNameText{"[Hint]", 13, "Model Name:"};
inline constexpr TextRef kModelSNText{"[Hint]", 5, "Model SN:"};
inline constexpr TextRef kSoftwareVersionText{"[Hint]", 14, "Software Version:"};
inline constexpr TextRef kHardwareVersionText{"[Hint]", 15, "Hardware Version:"};
inline constexpr TextRef kLastCalibrationText{"[Hint]", 16, "Last Calibration:"};
inline constexpr TextRef kCalibrationCycleText{"[Hint]", 17, "Calibration Cycle:"};
inline constexpr TextRef kCurrentLanguageText{"[Hint]", 18, "Current Language:"};
inline constexpr TextRef kCurrentUnitText{"[Hint]", 19, "Current Unit:"};
inline constexpr TextRef kDateText{"[Hint]", 8, "Date: "};
inline constexpr TextRef kTimeText{"[Hint]", 9, "Time: "};
inline constexpr TextRef kFirmwareInfoErrorText{"[Hint]", 32, "Error"};
inline constexpr TextRef kFirmwareInfoTitleText{"[Hint]", 61, "Information on Brevalon Model>>"};
inline constexpr TextRef kBrevalonModelText{"[Hint]", 13, "Brevalon Model:"};
inline constexpr TextRef kFirmwareVersionText{"[Hint]", 14, "Firmware Version:"};
inline constexpr TextRef kCalibrationErrorText{"[Hint]", 24, "Calibration Error:"};
inline constexpr TextRef kCurrentLanguageLowerText{"[Hint]", 18, "Current language:"};
inline constexpr TextRef kMemoryStatusText{"[Hint]", 26, "Memory Status:"};
inline constexpr TextRef kPressureText{"[Hint]", 29, "Pressure:"};
inline constexpr TextRef kVoltageText{"[Hint]", 30, "Voltage:"};
inline constexpr TextRef kTemperatureText{"[Hint]", 31, "Temperature: "};
inline constexpr TextRef kDegreeText{"[Hint]", 32, " Degree"};

// Configuration reports
inline constexpr TextRef kConfigErrorLowerText{"[Hint]", 23, "error"};
inline constexpr TextRef kConfigErrorText{"[Hint]", 23, "Error"};
inline constexpr TextRef kBrightnessText{"[Hint]", 34, "Brightness: "};
inline constexpr TextRef kKeyToneText{"[Hint]", 35, "Key Tone: "};
inline constexpr TextRef kSettingsUnitText{"[Hint]", 19, "Current Unit: "};
inline constexpr TextRef kSettingsLanguageText{"[Hint]", 18, "Current Language: "};
inline constexpr TextRef kAlcoholLimitText{"[Hint]", 38, "Alcohol Limit Value: "};
inline constexpr TextRef kCalBlowText{"[Hint]", 39, "Cal. Blow: "};
inline constexpr TextRef kFlowThresholdText{"[Hint]", 40, "Flow Threshold: "};
inline constexpr TextRef kCalSlopeText{"[Hint]", 41, "Cal. Slope: "};
inline constexpr TextRef kBrACRatioText{"[Hint]", 42, "BrAC/BAC Ratio: "};
inline constexpr TextRef kStartLogoText{"[Hint]", 7, "Start Logo text: "};

// Record memory and deletion
inline constexpr TextRef kTotalRecordsText{"[Hint]", 49, "Total Number of Records: "};
inline constexpr TextRef kLastRecordIndexText{"[Hint]", 50, "Index of Last Records: "};
inline constexpr TextRef kMemoryReadyText{"[Hint]", 27, "Status of memory: Ready"};
inline constexpr TextRef kMemoryFullText{"[Hint]", 28, "Status of memory: Memory full"};
inline constexpr TextRef kNoRecordText{"[Hint]", 52, "No found any record!"};
inline constexpr TextRef kDeleteDoneText{"[Hint]", 58, "Successful Delete!"};
inline constexpr TextRef kFactoryResetText{"[Hint]", 60,
                                           "Successfully reset to the factory defaults!"};

inline constexpr TextRef kLinkTexts[] = {
    kSendDatumText,
    kTxErrorText,
    kChecksumErrorText,
    kSystemBusyText,
    kOnlyKovanText,
    kRunStatusText,
    kCalErrorNumberText,
    kDeviceInfoErrorText,
    kModelNameText,
    kModelSNText,
    kSoftwareVersionText,
    kHardwareVersionText,
    kLastCalibrationText,
    kCalibrationCycleText,
    kCurrentLanguageText,
    kCurrentUnitText,
    kDateText,
    kTimeText,
    kFirmwareInfoErrorText,
    kFirmwareInfoTitleText,
    kBrevalonModelText,
    kFirmwareVersionText,
    kCalibrationErrorText,
    kCurrentLanguageLowerText,
    kMemoryStatusText,
    kPressureText,
    kVoltageText,
    kTemperatureText,
    kDegreeText,
    kConfigErrorLowerText,
    kConfigErrorText,
    kBrightnessText,
    kKeyToneText,
    kSettingsUnitText,
    kSettingsLanguageText,
    kAlcoholLimitText,
    kCalBlowText,
    kFlowThresholdText,
    kCalSlopeText,
    kBrACRatioText,
    kStartLogoText,
    kTotalRecordsText,
    kLastRecordIndexText,
    kMemoryReadyText,
    kMemoryFullText,
    kNoRecordText,
    kDeleteDoneText,
    kFactoryResetText,
};
