#pragma once
// Payloads of the reports a virtual breathalyser sends, built from its configuration.
// Numbers are big-endian; texts go one byte per character.

#include <cstdint>
#include <vector>

#include "SimDeviceConfig.h"

// 0x80 run status (5 bytes): status, calibration errors, blow errors.
std::vector<uint8_t> RunStatusPayload(const SimDeviceConfig& config);
// 0x81 device information (54 bytes).
std::vector<uint8_t> DeviceInfoPayload(const SimDeviceConfig& config);
// 0x82 date and time (7 bytes): hour, minute, second, year, month, day.
std::vector<uint8_t> ClockPayload(const SimDeviceConfig& config);
// 0x83 record memory (10 bytes).
std::vector<uint8_t> RecordMemoryPayload(const SimDeviceConfig& config);
// 0x6A firmware information / full status (46 bytes, the last two zero).
std::vector<uint8_t> FullStatusPayload(const SimDeviceConfig& config);
// 0x61 serial numbers (20 bytes).
std::vector<uint8_t> SerialNumberPayload(const SimDeviceConfig& config);
// 0x62 settings (33 bytes).
std::vector<uint8_t> SettingsPayload(const SimDeviceConfig& config);
// 0x63 sensor serial number and LED thresholds (16 bytes).
std::vector<uint8_t> SensorLedPayload(const SimDeviceConfig& config);
// 0x65 start logo: 8 bytes of line 1, line 2 as UTF-8, then a TAB.
std::vector<uint8_t> StartLogoPayload(const SimDeviceConfig& config);
// 0x9C print header: the four fields separated by TAB, then a closing 0x00 (the
// last payload byte is never part of a field).
std::vector<uint8_t> PrintHeaderPayload(const SimDeviceConfig& config);
// Number of records the device reports (TotalNumRec or the size of Records).
uint16_t ReportedRecordCount(const SimDeviceConfig& config);
