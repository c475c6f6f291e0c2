#pragma once
// A clock that always tells the same local time.

#include <ctime>

#include "core/SystemPorts.h"

class FixedClock : public Clock {
public:
    FixedClock(int year, int month, int day, int hour, int minute, int second) {
        time_.tm_year = year - 1900;
        time_.tm_mon = month - 1;
        time_.tm_mday = day;
        time_.tm_hour = hour;
        time_.tm_min = minute;
        time_.tm_sec = second;
    }
    std::tm Now() override { return time_; }

private:
    std::tm time_{};
};
