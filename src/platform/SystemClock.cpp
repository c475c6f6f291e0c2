#include "platform/SystemClock.h"

#include <QDateTime>

std::tm SystemClock::Now() {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    std::tm tm{};
    tm.tm_year = date.year() - 1900;
    tm.tm_mon = date.month() - 1;
    tm.tm_mday = date.day();
    tm.tm_hour = time.hour();
    tm.tm_min = time.minute();
    tm.tm_sec = time.second();
    tm.tm_wday = date.dayOfWeek() % 7;  // Qt counts Monday as 1 and Sunday as 7
    tm.tm_yday = date.dayOfYear() - 1;
    tm.tm_isdst = now.isDaylightTime() ? 1 : 0;
    return tm;
}
