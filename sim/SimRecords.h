#pragma once
// The test records a virtual breathalyser keeps, their 16-byte wire layout, and a
// deterministic generator for realistic record sets.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One stored breath test, as the device holds it.
struct SimRecord {
    uint16_t Counter = 0;    // the device's own record number
    uint8_t TestType = 0;    // 1 quick, 2 passive, 0 or 3 active (2 bits)
    uint8_t ResultKind = 0;  // 1 yes/no, other numeric (2 bits)
    uint8_t UnitCode = 0;    // 0 mg/l, 1 ug/100ml, 2 %, 3 per mille, 4-15 mg/100ml (4 bits)
    uint16_t Reading = 0;    // raw reading; scale depends on UnitCode
    uint8_t Hour = 0;
    uint8_t Minute = 0;
    uint8_t Second = 0;
    uint16_t Year = 2024;
    uint8_t Month = 1;
    uint8_t Day = 1;
    uint16_t SecondReading = 0;  // tenths of mg/100ml
    uint8_t Temperature = 25;    // degrees + 25
    uint8_t Slope = 0;
    std::string Text;  // free UTF-8 text after the fixed bytes (may be empty)
};

// Mode byte: bits 0-1 test type, 2-3 result kind, 4-7 unit code.
uint8_t RecordModeByte(const SimRecord& record);

// Payload of a record packet: the 16 fixed bytes (numbers big-endian) then Text.
std::vector<uint8_t> RecordPayload(const SimRecord& record);

// count records (at most 65535) of numbered set recordSet: the same set gives the same records
// on every platform. They mix all test types, yes/no and numeric results, every unit
// family, zero and non-zero readings, and texts with and without non-ASCII letters;
// dates and times are valid. Counter runs 1, 2, 3, ...
std::vector<SimRecord> GenerateRecords(uint32_t recordSet, size_t count);
