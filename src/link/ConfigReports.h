#pragma once
// The breathalyser's configuration reports, which it sends on its own: serial
// numbers (0x61), settings (0x62), sensor serial number and LED thresholds
// (0x63), start-up logo (0x65) and printout header (0x9C). Each fills DeviceInfo
// and the service area of the main window and writes to the service memo.

struct SharedState;

void SerialNumberReport(SharedState& s);
void SettingsReport(SharedState& s);
void SensorLedReport(SharedState& s);
void StartLogoReport(SharedState& s);
void PrintHeaderReport(SharedState& s);
