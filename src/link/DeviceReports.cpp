#include "link/DeviceReports.h"

#include <mutex>
#include <string>

#include "core/ServiceArea.h"
#include "core/SharedState.h"
#include "core/Ui.h"
#include "link/FrameCodec.h"
#include "link/LinkTexts.h"
#include "link/ReportFields.h"

namespace {

std::string T(const SharedState& s, const TextRef& ref) {
    return Text(s.Texts, ref);
}

std::string VoltageText(int32_t v) {
    return std::to_string(v / 100) + "." + std::to_string((v % 100) / 10) + std::to_string(v % 10) +
           " V";
}

std::string TemperatureText(int32_t t) {
    return t >= 25 ? std::to_string(t - 25) : "-" + std::to_string(25 - t);
}

TDate DateAt(const SharedState& s, int32_t p) {
    return TDate{PayloadWord(s, p), PayloadByte(s, p + 2), PayloadByte(s, p + 3)};
}

}  // namespace

void RunStatusReport(SharedState& s) {
    if (FrameLengthField(s) < 7) return;
    const uint8_t status = PayloadByte(s, 0);
    const int32_t calError = PayloadWord(s, 1);
    {
        std::lock_guard lock(s.InfoLock);
        s.DeviceInfo.Status = status;
        s.DeviceInfo.CalError = calError;
        s.DeviceInfo.BlowError = PayloadWord(s, 3);
    }
    s.ui.ServiceLine(kSeparatorLine);
    s.ui.LogLine(T(s, kRunStatusText) + std::to_string(status));
    s.ui.LogLine(T(s, kCalErrorNumberText) + std::to_string(calError));
    SendReply(s, 0x22);
    s.OperationState.store(0);
}

void DeviceInfoReport(SharedState& s) {
    const int32_t length = FrameLengthField(s);
    if (length < 56) {
        s.OperationState.store(0);
        s.ui.LogLine(T(s, kDeviceInfoErrorText) + std::to_string(length));
        return;
    }
    TAlcoholInformation info;
    info.SWVer = SoftwareVersionAt(s, 30);
    info.Model = ModelNameOf(PayloadChars(s, 0, 10), info.SWVer);
    info.ModelSN = PayloadChars(s, 10, 10);
    info.SensorSN = PayloadChars(s, 20, 10);
    info.HWVer = HardwareVersionAt(s, 36);
    info.Cal = TDate{PayloadWord(s, 40), PayloadByte(s, 42), PayloadByte(s, 43)};
    info.CalCycle = PayloadWord(s, 44);
    info.Language = PayloadByte(s, 46);
    info.CUnit = PayloadByte(s, 47);
    {
        std::lock_guard lock(s.InfoLock);
        auto& d = s.DeviceInfo;
        d.Model = info.Model;
        d.ModelSN = info.ModelSN;
        d.SensorSN = info.SensorSN;
        d.SWVer = info.SWVer;
        d.HWVer = info.HWVer;
        d.Cal = info.Cal;
        d.CalCycle = info.CalCycle;
        d.Language = info.Language;
        d.CUnit = info.CUnit;
        d.LEDGreenValue = PayloadWord(s, 48);
        d.LEDYellowValue = PayloadWord(s, 50);
        d.LEDRedValue = PayloadWord(s, 52);
    }
    Ui& ui = s.ui;
    ui.ServiceLine(kSeparatorLine);
    ui.LogLine(T(s, kModelNameText) + info.Model);
    ui.LogLine(T(s, kModelSNText) + info.ModelSN);
    ui.LogLine(T(s, kSoftwareVersionText) + info.SWVer);
    ui.LogLine(T(s, kHardwareVersionText) + info.HWVer);
    ui.LogLine(T(s, kLastCalibrationText) + DateText(info.Cal));
    ui.LogLine(T(s, kCalibrationCycleText) + std::to_string(info.CalCycle) + " Days");
    ui.LogLine(T(s, kCurrentLanguageText) + LanguageName(info.Language));
    ui.LogLine(T(s, kCurrentUnitText) + UnitName(info.CUnit));
    ui.SetServiceValue("ModelSN", info.ModelSN);
    ui.SetServiceValue("SensorSN", info.SensorSN);
    ui.SetServiceValue("SensorSN2", info.SensorSN);

    // The download step: only a KOVAN keeps records for us to fetch.
    if (s.OperationState.load() == 0xFF) {
        SendReply(s, 0x22);
        s.OperationState.store(0);
    } else if (info.Model == "KOVAN") {
        const uint8_t request[] = {0x11};
        SendFrame(s, 0x83, request, false);
    } else {
        SendReply(s, 0x22);
        s.OperationState.store(0);
        ui.LogLine(kSeparatorLine);
        ui.LogLine(T(s, kOnlyKovanText));
    }
}

void ClockReport(SharedState& s) {
    if (FrameLengthField(s) < 9) return;
    const TTime time{PayloadByte(s, 0), PayloadByte(s, 1), PayloadByte(s, 2)};
    const TDate date = DateAt(s, 3);
    {
        std::lock_guard lock(s.InfoLock);
        s.DeviceInfo.RTime = time;
        s.DeviceInfo.RDate = date;
    }
    s.ui.ServiceLine(kSeparatorLine);
    s.ui.LogLine(T(s, kDateText) + DateText(date));
    s.ui.LogLine(T(s, kTimeText) + TimeText(time));
    s.OperationState.store(0);
}

void FirmwareInfoReport(SharedState& s) {
    const int32_t length = FrameLengthField(s);
    if (length < 46) {
        s.OperationState.store(0);
        s.ui.ServiceLine(T(s, kFirmwareInfoErrorText) + std::to_string(length));
        return;
    }
    const std::string swVer = SoftwareVersionAt(s, 28);
    const std::string hwVer = HardwareVersionAt(s, 34);
    const std::string model = ModelNameOf(PayloadChars(s, 0, 10), swVer);
    {
        std::lock_guard lock(s.InfoLock);
        s.DeviceInfo.Model = model;
        s.DeviceInfo.SWVer = swVer;
        s.DeviceInfo.HWVer = hwVer;
    }
    Ui& ui = s.ui;
    ui.LogLine(kSeparatorLine);
    ui.LogLine(T(s, kFirmwareInfoTitleText));
    ui.LogLine(T(s, kBrevalonModelText) + model);
    ui.LogLine(T(s, kFirmwareVersionText) + swVer);
    ui.LogLine(T(s, kHardwareVersionText) + hwVer);
    ui.LogLine(kSeparatorLine);
    SendReply(s, 0x22);
    s.OperationState.store(0);
    // Last: the update conversation on the search thread reads the versions once
    // it sees this value.
    s.LinkMode.store(2);
}

void FullStatusReport(SharedState& s) {
    const int32_t length = FrameLengthField(s);
    if (length < 46) {
        s.OperationState.store(0);
        s.ui.ServiceLine(T(s, kFirmwareInfoErrorText) + std::to_string(length));
        return;
    }
    TAlcoholInformation info;
    info.SWVer = SoftwareVersionAt(s, 28);
    info.HWVer = HardwareVersionAt(s, 34);
    info.Model = ModelNameOf(PayloadChars(s, 0, 10), info.SWVer);
    info.RTime = TTime{PayloadByte(s, 10), PayloadByte(s, 11), PayloadByte(s, 12)};
    info.RDate = DateAt(s, 13);
    info.Cal = DateAt(s, 17);
    info.CalCycle = PayloadWord(s, 21);
    info.CalError = PayloadWord(s, 23);
    info.BlowError = PayloadWord(s, 25);
    info.Language = PayloadByte(s, 27);
    info.StatusMemory = PayloadByte(s, 38);
    info.Pressure = PayloadWord(s, 39);
    info.Voltage = PayloadWord(s, 41);
    info.Temperature = PayloadByte(s, 43);
    {
        std::lock_guard lock(s.InfoLock);
        auto& d = s.DeviceInfo;
        d.Model = info.Model;
        d.RTime = info.RTime;
        d.RDate = info.RDate;
        d.Cal = info.Cal;
        d.CalCycle = info.CalCycle;
        d.CalError = info.CalError;
        d.BlowError = info.BlowError;
        d.Language = info.Language;
        d.SWVer = info.SWVer;
        d.HWVer = info.HWVer;
        d.StatusMemory = info.StatusMemory;
        d.Pressure = info.Pressure;
        d.Voltage = info.Voltage;
        d.Temperature = info.Temperature;
    }
    const std::string modelLine = T(s, kModelNameText) + info.Model;
    const std::string calLine = T(s, kLastCalibrationText) + DateText(info.Cal);
    const std::string calErrorLine = T(s, kCalibrationErrorText) + std::to_string(info.CalError);
    const std::string swLine = T(s, kSoftwareVersionText) + info.SWVer;
    const std::string hwLine = T(s, kHardwareVersionText) + info.HWVer;
    const std::string memoryLine = T(s, kMemoryStatusText) + std::to_string(info.StatusMemory);
    const std::string pressureLine = T(s, kPressureText) + std::to_string(info.Pressure);
    const std::string voltageLine = T(s, kVoltageText) + VoltageText(info.Voltage);
    const std::string temperatureLine =
        T(s, kTemperatureText) + TemperatureText(info.Temperature) + T(s, kDegreeText);

    Ui& ui = s.ui;
    ui.LogLine(kSeparatorLine);
    ui.LogLine(modelLine);
    ui.LogLine(T(s, kDateText) + DateText(info.RDate));
    ui.LogLine(T(s, kTimeText) + TimeText(info.RTime));
    ui.LogLine(calLine);
    ui.LogLine(T(s, kCalibrationCycleText) + std::to_string(info.CalCycle));
    ui.LogLine(calErrorLine);
    ui.LogLine(T(s, kCurrentLanguageLowerText) + LanguageName(info.Language));
    ui.LogLine(swLine);
    ui.LogLine(hwLine);
    ui.LogLine(memoryLine);
    ui.LogLine(pressureLine);
    ui.LogLine(voltageLine);
    ui.LogLine(temperatureLine);

    // The status page of the hidden service area shows the same texts; the blow
    // error has no log line, so its label keeps its own caption before the value.
    ui.SetServiceValue("LabelModelName", modelLine);
    ui.SetServiceValue("LabelCalDate", calLine);
    ui.SetServiceValue("LabelCalError", calErrorLine);
    ui.SetServiceValue("LabelBolwError", "Blow Error:" + std::to_string(info.BlowError));
    ui.SetServiceValue("LabelSoftwareVersion", swLine);
    ui.SetServiceValue("LabelHardwareVersion", hwLine);
    ui.SetServiceValue("LabelMemorySatus", memoryLine);
    ui.SetServiceValue("LabelPressure", pressureLine);
    ui.SetServiceValue("LabelVoltage", voltageLine);
    ui.SetServiceValue("LabelTemperature", temperatureLine);

    SendReply(s, 0x22);
    s.OperationState.store(0);
}
