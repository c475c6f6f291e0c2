#pragma once
#include <string>
#include <vector>

#include "core/AlcoholInformation.h"
#include "core/TextTable.h"
#include "core/ResultsGrid.h"

// One decoded test record.
struct TestRecord {
    int Counter = 0;
    unsigned TestType = 0;
    unsigned ResultKind = 0;
    unsigned UnitCode = 0;
    int Reading = 0;
    TDate Date;
    TTime Time;
    int SecondReading = 0;
    uint8_t Temperature = 0;
    uint8_t Slope = 0;
};

// Decodes the record lines of a download into a fresh results grid (title row,
// one row per record line of 57 characters or more, colour marks).
ResultsGrid ShowRecords(const std::vector<std::string>& recordLines, const TextTable& texts,
                        bool debugMode);

// Grows the grid by one row and writes record into row (1-based).
void FormatRecordRow(ResultsGrid& grid, int row, const TestRecord& record, const TextTable& texts,
                     bool debugMode);
