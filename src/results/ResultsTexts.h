#pragma once
// Every text the results grid and the results files show, as (section, offset,
// fallback) lookups in the language file.

#include "core/TextTable.h"

// Column titles of the results grid.
inline constexpr TextRef kTitleNumber{"[RecordTitle]", 0, "Number"};
inline constexpr TextRef kTitleCounter{"[RecordTitle]", 1, "Counter"};
inline constexpr TextRef kTitleMeasureMode{"[RecordTitle]", 2, "Measure Mode"};
inline constexpr TextRef kTitleMeasureResult{"[RecordTitle]", 3, "Measure Result"};
inline constexpr TextRef kTitleMeasureDate{"[RecordTitle]", 4, "Measure Date"};
inline constexpr TextRef kTitleMeasureTime{"[RecordTitle]", 5, "Measure Time"};
inline constexpr TextRef kTitleAlcohol2{"[RecordTitle]", 6, "Alcohol 2"};
inline constexpr TextRef kTitleTemperature{"[RecordTitle]", 7, "Temperature(Degree)"};
inline constexpr TextRef kTitleSlope{"[RecordTitle]", 8, "Slope"};

// Test modes, yes/no words and unit labels of a record row. The unit labels carry
// their own leading blank; they are appended to the number as they stand.
inline constexpr TextRef kContentQuickTest{"[RecordContent]", 0, "Quick Test"};
inline constexpr TextRef kContentPassiveTest{"[RecordContent]", 1, "Passive Test"};
inline constexpr TextRef kContentActiveTest{"[RecordContent]", 2, "Active Test"};
inline constexpr TextRef kContentAlcohol{"[RecordContent]", 3, "Alcohol"};
inline constexpr TextRef kContentNoAlcohol{"[RecordContent]", 4, "No Alcohol"};
inline constexpr TextRef kUnitMg100ml{"[RecordContent]", 5, " mg/100ml"};
inline constexpr TextRef kUnitPerMille{"[RecordContent]", 6, " Per mille"};
inline constexpr TextRef kUnitMgL{"[RecordContent]", 7, " mg/l"};
inline constexpr TextRef kUnitPercent{"[RecordContent]", 8, " %"};
inline constexpr TextRef kUnitUg100ml{"[RecordContent]", 10, " ug/100ml"};

// Results file messages. The overwrite question is a format text with one "%s".
inline constexpr TextRef kWarningFileMissing{"[Warning]", 0, "File error!"};
inline constexpr TextRef kWarningOverwrite{"[Warning]", 5, "Whether overwrite this file?%s"};
inline constexpr TextRef kWarningSaveFailed{"[Warning]", 6, "File error!"};

inline constexpr TextRef kResultsTexts[] = {
    kTitleNumber,        kTitleCounter,      kTitleMeasureMode,   kTitleMeasureResult,
    kTitleMeasureDate,   kTitleMeasureTime,  kTitleAlcohol2,      kTitleTemperature,
    kTitleSlope,         kContentQuickTest,  kContentPassiveTest, kContentActiveTest,
    kContentAlcohol,     kContentNoAlcohol,  kUnitMg100ml,        kUnitPerMille,
    kUnitMgL,            kUnitPercent,       kUnitUg100ml,        kWarningFileMissing,
    kWarningOverwrite,   kWarningSaveFailed,
};
