#pragma once
#include "core/SystemPorts.h"

// The computer's local wall-clock time.
class SystemClock : public Clock {
public:
    std::tm Now() override;
};
