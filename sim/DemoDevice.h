#pragma once
// The virtual breathalyser that --demo attaches: a KOVAN with a set of
// generated test records, on a port of its own name.

#include <cstddef>
#include <string>

#include "SimComm.h"

inline constexpr const char* kDemoPortName = "DEMO";
inline constexpr size_t kDemoRecordCount = 50;

VirtualBreathalyser& AddDemoDevice(SimComm& comm, size_t records = kDemoRecordCount);
