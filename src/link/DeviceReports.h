#pragma once
// The breathalyser's reports about itself: run status (0x80), device
// information (0x81, the first answer of a record download), date and time
// (0x82), and the two forms of 0x6A: firmware information while a version query
// is pending, full status otherwise. Each decodes RxFrame into DeviceInfo and
// writes its lines.

struct SharedState;

void RunStatusReport(SharedState& s);
// Also takes the download one step further: asks a KOVAN for its record memory,
// or acknowledges and ends the operation.
void DeviceInfoReport(SharedState& s);
void ClockReport(SharedState& s);
void FirmwareInfoReport(SharedState& s);
void FullStatusReport(SharedState& s);
