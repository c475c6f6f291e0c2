#include "SimRecords.h"

#include <algorithm>
#include <array>

namespace {

// splitmix64: tiny, fast and fully specified, so generated records do not depend on
// the standard library's distributions (which differ between implementations).
class SplitMix {
  public:
    explicit SplitMix(uint64_t start) : state_(start) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform enough for test data: value in [low, high].
    uint32_t Between(uint32_t low, uint32_t high) {
        return low + static_cast<uint32_t>(Next() % (uint64_t{high} - low + 1));
    }

  private:
    uint64_t state_;
};

void PutWord(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value & 0xFF));
}

uint8_t DaysIn(uint16_t year, uint8_t month) {
    static constexpr std::array<uint8_t, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

uint8_t RecordModeByte(const SimRecord& record) {
    return static_cast<uint8_t>((record.TestType & 0x03) | ((record.ResultKind & 0x03) << 2) |
                                ((record.UnitCode & 0x0F) << 4));
}

std::vector<uint8_t> RecordPayload(const SimRecord& record) {
    std::vector<uint8_t> out;
    out.reserve(16 + record.Text.size());
    PutWord(out, record.Counter);
    out.push_back(RecordModeByte(record));
    PutWord(out, record.Reading);
    out.push_back(record.Hour);
    out.push_back(record.Minute);
    out.push_back(record.Second);
    PutWord(out, record.Year);
    out.push_back(record.Month);
    out.push_back(record.Day);
    PutWord(out, record.SecondReading);
    out.push_back(record.Temperature);
    out.push_back(record.Slope);
    out.insert(out.end(), record.Text.begin(), record.Text.end());
    return out;
}

std::vector<SimRecord> GenerateRecords(uint32_t recordSet, size_t count) {
    static constexpr std::array<uint8_t, 6> kUnits{0, 1, 2, 3, 4, 9};
    static constexpr std::array<const char*, 6> kNames{"Driver",  "Officer", "Müller",
                                                       "Øystein", "Guest",   "Test"};
    count = std::min<size_t>(count, 0xFFFF);
    SplitMix random(0xB4E7A10ULL ^ (uint64_t{recordSet} << 1));
    std::vector<SimRecord> records;
    records.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        SimRecord r;
        r.Counter = static_cast<uint16_t>(i + 1);
        r.TestType = static_cast<uint8_t>(random.Between(0, 3));
        const bool yesNoPossible = r.TestType == 1 || r.TestType == 2;
        r.ResultKind = yesNoPossible && random.Between(0, 2) == 0 ? 1 : 0;
        r.UnitCode = kUnits[random.Between(0, kUnits.size() - 1)];
        // About a third of the tests find no alcohol at all.
        switch (random.Between(0, 5)) {
            case 0:
            case 1:
                r.Reading = 0;
                break;
            case 2:
                r.Reading = static_cast<uint16_t>(random.Between(1, 9));
                break;
            default:
                r.Reading = static_cast<uint16_t>(random.Between(10, 2500));
                break;
        }
        r.Year = static_cast<uint16_t>(random.Between(2015, 2026));
        r.Month = static_cast<uint8_t>(random.Between(1, 12));
        r.Day = static_cast<uint8_t>(random.Between(1, DaysIn(r.Year, r.Month)));
        r.Hour = static_cast<uint8_t>(random.Between(0, 23));
        r.Minute = static_cast<uint8_t>(random.Between(0, 59));
        r.Second = static_cast<uint8_t>(random.Between(0, 59));
        r.SecondReading = static_cast<uint16_t>(r.Reading == 0 ? 0 : random.Between(0, 5000));
        r.Temperature = static_cast<uint8_t>(random.Between(15, 65));
        r.Slope = static_cast<uint8_t>(random.Between(60, 140));
        const uint32_t name = random.Between(0, kNames.size());  // one past the end: no text
        if (name < kNames.size()) {
            r.Text = std::string(kNames[name]) + " " + std::to_string(random.Between(1, 99));
        }
        records.push_back(std::move(r));
    }
    return records;
}
