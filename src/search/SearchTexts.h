#pragma once
#include "core/TextTable.h"

inline constexpr TextRef kSearchingText{"[Warning]", 37, "Searching the Zet&Kovan device ......"};
inline constexpr TextRef kConnectedText{"[Warning]", 39, "Breathalyser successfully connected."};
inline constexpr TextRef kStartUpdateText{"[Warning]", 16, "Start to update the device firmware......"};
inline constexpr TextRef kDeviceLostText{"[Warning]", 14, "No found the device!"};
// After a device was lost mid-download; a format text: records received, records held.
inline constexpr TextRef kRecordsArrivedText{"[Warning]", 45,
                                             "Download interrupted: %d of %d records had arrived."};

inline constexpr TextRef kSearchTexts[] = {kSearchingText, kConnectedText, kStartUpdateText,
                                           kDeviceLostText, kRecordsArrivedText};
