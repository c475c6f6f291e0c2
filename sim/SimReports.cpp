#include "SimReports.h"

#include <algorithm>
#include <string>

namespace {

void PutWord(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value & 0xFF));
}

// Exactly width bytes of text: cut, or padded with pad.
void PutFixed(std::vector<uint8_t>& out, const std::string& text, size_t width, char pad) {
    for (size_t i = 0; i < width; ++i) {
        out.push_back(static_cast<uint8_t>(i < text.size() ? text[i] : pad));
    }
}

void PutText(std::vector<uint8_t>& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

uint16_t CountOrDefault(const std::optional<uint16_t>& value, const SimDeviceConfig& config) {
    return value.value_or(static_cast<uint16_t>(std::min<size_t>(config.Records.size(), 0xFFFF)));
}

}  // namespace

uint16_t ReportedRecordCount(const SimDeviceConfig& config) {
    return CountOrDefault(config.TotalNumRec, config);
}

std::vector<uint8_t> RunStatusPayload(const SimDeviceConfig& config) {
    std::vector<uint8_t> out{config.RunStatus};
    PutWord(out, config.CalError);
    PutWord(out, config.BlowError);
    return out;
}

std::vector<uint8_t> DeviceInfoPayload(const SimDeviceConfig& config) {
    std::vector<uint8_t> out;
    PutFixed(out, config.ModelCode, 10, ' ');
    PutFixed(out, config.ModelSN, 10, ' ');
    PutFixed(out, config.SensorSN, 10, ' ');
    PutFixed(out, config.SWVer, 6, '0');
    PutFixed(out, config.HWVer, 4, '0');
    PutWord(out, config.CalYear);
    out.push_back(config.CalMonth);
    out.push_back(config.CalDay);
    PutWord(out, config.CalCycle);
    out.push_back(config.Language);
    out.push_back(config.Unit);
    PutWord(out, config.LEDGreen);
    PutWord(out, config.LEDYellow);
    PutWord(out, config.LEDRed);
    return out;
}

std::vector<uint8_t> ClockPayload(const SimDeviceConfig& config) {
    const SimClock& c = config.Clock;
    std::vector<uint8_t> out{c.Hour, c.Minute, c.Second};
    PutWord(out, c.Year);
    out.push_back(c.Month);
    out.push_back(c.Day);
    return out;
}

std::vector<uint8_t> RecordMemoryPayload(const SimDeviceConfig& config) {
    std::vector<uint8_t> out;
    PutWord(out, config.AdrLastRec);
    PutWord(out, CountOrDefault(config.TotalNumRec, config));
    PutWord(out, CountOrDefault(config.IndexLastRec, config));
    PutWord(out, config.NumDeleteRec);
    PutWord(out, config.StatusMemory);
    return out;
}

std::vector<uint8_t> FullStatusPayload(const SimDeviceConfig& config) {
    const SimClock& c = config.Clock;
    std::vector<uint8_t> out;
    PutFixed(out, config.ModelCode, 10, ' ');
    out.insert(out.end(), {c.Hour, c.Minute, c.Second});
    PutWord(out, c.Year);
    out.insert(out.end(), {c.Month, c.Day});
    PutWord(out, config.CalYear);
    out.insert(out.end(), {config.CalMonth, config.CalDay});
    PutWord(out, config.CalCycle);
    PutWord(out, config.CalError);
    PutWord(out, config.BlowError);
    out.push_back(config.Language);
    PutFixed(out, config.SWVer, 6, '0');  // payload 28-33
    PutFixed(out, config.HWVer, 4, '0');  // payload 34-37
    out.push_back(static_cast<uint8_t>(std::min<uint16_t>(config.StatusMemory, 0xFF)));
    PutWord(out, config.Pressure);
    PutWord(out, config.Voltage);
    out.push_back(config.Temperature);
    out.insert(out.end(), {0x00, 0x00});  // reserved
    return out;
}

std::vector<uint8_t> SerialNumberPayload(const SimDeviceConfig& config) {
    std::vector<uint8_t> out;
    PutFixed(out, config.ModelSN, 10, ' ');
    PutFixed(out, config.SensorSN, 10, ' ');
    return out;
}

std::vector<uint8_t> SettingsPayload(const SimDeviceConfig& config) {
    const SimClock& c = config.Clock;
    const SimSettings& s = config.Settings;
    std::vector<uint8_t> out{c.Hour, c.Minute, c.Second};
    PutWord(out, c.Year);
    out.insert(out.end(), {c.Month, c.Day, s.Brightness, s.KeyTone, config.Unit, config.Language,
                           s.DisplayPrior, s.PrintSetting, s.PrintOverValue});
    PutWord(out, s.BlowValue);
    PutWord(out, s.FlowThreshold);
    out.push_back(s.Slope);
    PutWord(out, s.BrACRatio);
    out.insert(out.end(), s.RFAdr.begin(), s.RFAdr.end());
    out.insert(out.end(), {s.RFFreq, s.RFChannel});
    PutWord(out, s.DefaultPassword);
    PutWord(out, s.FactoryPassword);
    out.insert(out.end(), {s.Standard, s.Locale});
    return out;
}

std::vector<uint8_t> SensorLedPayload(const SimDeviceConfig& config) {
    std::vector<uint8_t> out;
    PutFixed(out, config.SensorSN, 10, ' ');
    PutWord(out, config.LEDGreen);
    PutWord(out, config.LEDYellow);
    PutWord(out, config.LEDRed);
    return out;
}

std::vector<uint8_t> StartLogoPayload(const SimDeviceConfig& config) {
    std::vector<uint8_t> out;
    PutFixed(out, config.StartLogo1, 8, ' ');
    PutText(out, config.StartLogo2);
    out.push_back(0x09);
    return out;
}

std::vector<uint8_t> PrintHeaderPayload(const SimDeviceConfig& config) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < config.PrintHeader.size(); ++i) {
        if (i > 0) out.push_back(0x09);
        PutText(out, config.PrintHeader[i]);
    }
    out.push_back(0x00);
    return out;
}
