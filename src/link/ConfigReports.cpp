#include "link/ConfigReports.h"

#include <array>
#include <cstdio>
#include <mutex>
#include <string>

#include "core/ServiceArea.h"
#include "core/SharedState.h"
#include "core/Ui.h"
#include "link/ByteText.h"
#include "link/FrameCodec.h"
#include "link/LinkTexts.h"
#include "link/ReportFields.h"

namespace {

std::string T(const SharedState& s, const TextRef& ref) {
    return Text(s.Texts, ref);
}

// An LED band limit in thousandths, shown with two decimals (thousandths cut off).
std::string LedText(int32_t value) {
    const int32_t t = value / 10;
    return std::to_string(t / 100) + "." + std::to_string((t % 100) / 10) + std::to_string(t % 10);
}

// At least four upper-case hex digits.
std::string PasswordText(int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
    return text;
}

}  // namespace

void SerialNumberReport(SharedState& s) {
    const int32_t length = FrameLengthField(s);
    if (length < 22) {
        s.ui.ServiceLine(T(s, kConfigErrorLowerText) + std::to_string(length));
        s.OperationState.store(0);
        return;
    }
    const std::string modelSN = PayloadChars(s, 0, 10);
    const std::string sensorSN = PayloadChars(s, 10, 10);
    {
        std::lock_guard lock(s.InfoLock);
        s.DeviceInfo.ModelSN = modelSN;
        s.DeviceInfo.SensorSN = sensorSN;
    }
    s.ui.ServiceLine(kSeparatorLine);
    s.ui.ServiceLine(T(s, kModelSNText) + modelSN);
    s.ui.SetServiceValue("ModelSN", modelSN);
    s.ui.SetServiceValue("SensorSN", sensorSN);
    s.ui.SetServiceValue("SensorSN2", sensorSN);
    SendReply(s, 0x22);
    s.OperationState.store(0);
}

void SettingsReport(SharedState& s) {
    const int32_t length = FrameLengthField(s);
    if (length < 29) {
        s.ui.ServiceLine(T(s, kConfigErrorText) + std::to_string(length));
        s.OperationState.store(0);
        return;
    }
    // A payload shorter than the 33 bytes decoded here reads the missing ones as 0.
    TAlcoholInformation v;
    v.RTime = TTime{PayloadByte(s, 0), PayloadByte(s, 1), PayloadByte(s, 2)};
    v.RDate = TDate{PayloadWord(s, 3), PayloadByte(s, 5), PayloadByte(s, 6)};
    v.Brightness = PayloadByte(s, 7);
    v.KeyTone = PayloadByte(s, 8);
    v.CUnit = PayloadByte(s, 9);
    v.Language = PayloadByte(s, 10);
    v.DisplayPrior = PayloadByte(s, 11);
    v.PrintSetting = PayloadByte(s, 12);
    v.PrintOverVaule = PayloadByte(s, 13);
    v.BolwValue = PayloadWord(s, 14);
    v.FlowThreshold = PayloadWord(s, 16);
    v.Slope = PayloadByte(s, 18);
    v.BrACRatio = PayloadWord(s, 19);
    for (int i = 0; i < 4; ++i) v.RFAdr[i] = PayloadByte(s, 21 + i);
    v.RFFreq = PayloadByte(s, 25);
    v.RFChannel = PayloadByte(s, 26);
    v.DefautPassword = PayloadWord(s, 27);
    v.FactoryPassword = PayloadWord(s, 29);
    v.Standard = PayloadByte(s, 31);
    v.Locale = PayloadByte(s, 32);
    {
        std::lock_guard lock(s.InfoLock);
        auto& d = s.DeviceInfo;
        d.RTime = v.RTime;
        d.RDate = v.RDate;
        d.Brightness = v.Brightness;
        d.KeyTone = v.KeyTone;
        d.CUnit = v.CUnit;
        d.Language = v.Language;
        d.DisplayPrior = v.DisplayPrior;
        d.PrintSetting = v.PrintSetting;
        d.PrintOverVaule = v.PrintOverVaule;
        d.BolwValue = v.BolwValue;
        d.FlowThreshold = v.FlowThreshold;
        d.Slope = v.Slope;
        d.BrACRatio = v.BrACRatio;
        d.RFAdr = v.RFAdr;
        d.RFFreq = v.RFFreq;
        d.RFChannel = v.RFChannel;
        d.DefautPassword = v.DefautPassword;
        d.FactoryPassword = v.FactoryPassword;
        d.Standard = v.Standard;
        d.Locale = v.Locale;
    }

    // Brightness 1-10 is entry Brightness - 1 of "1".."10", i.e. the value itself;
    // other values are shown as they are.
    const std::string brightness = std::to_string(v.Brightness);
    const std::string keyTone = ItemOrIndex(kKeytoneItems, v.KeyTone);
    const std::string unit = UnitName(v.CUnit);
    const std::string language = LanguageName(v.Language);
    const std::string limit = HundredthsText(v.PrintOverVaule);

    Ui& ui = s.ui;
    ui.SetServiceValue("ComboBoxBrightness", brightness);
    ui.SetServiceValue("ComboBoxKeytone", keyTone);
    ui.SetServiceValue("ComboBoxUnit", unit);
    ui.SetServiceValue("ComboBoxLanguage", language);
    ui.SetServiceValue("ComboBoxDisplayPrior", ItemOrIndex(kDisplayPriorItems, v.DisplayPrior));
    ui.SetServiceValue("ComboBoxPrintSetting", ItemOrIndex(kPrintSettingItems, v.PrintSetting));
    ui.SetServiceValue("EditPrintOver", limit);
    ui.SetServiceValue("EditBlowThreshold", std::to_string(v.BolwValue));
    ui.SetServiceValue("EditFlowThreshold", std::to_string(v.FlowThreshold));
    ui.SetServiceValue("EditSlope", std::to_string(v.Slope));
    ui.SetServiceValue("EditBrAC", std::to_string(v.BrACRatio));
    ui.SetServiceValue("RFadr1", HexPair(v.RFAdr[0]));
    ui.SetServiceValue("RFadr2", HexPair(v.RFAdr[1]));
    ui.SetServiceValue("RFadr3", HexPair(v.RFAdr[2]));
    ui.SetServiceValue("RFadr4", HexPair(v.RFAdr[3]));
    ui.SetServiceValue("ComboBoxRFFreq", ItemOrIndex(kRFFreqItems, v.RFFreq));
    ui.SetServiceValue("ComboBoxRFChannel",
                       RFChannelItem(v.RFChannel < 80 ? 0u : v.RFChannel - 80u));
    ui.SetServiceValue("ComboBox1", ItemOrIndex(kStandardItems, v.Standard));
    ui.SetServiceValue("ComboBox2", ItemOrIndex(kCountryItems, v.Locale));

    ui.ServiceLine(kSeparatorLine);
    ui.ServiceLine(T(s, kDateText) + DateText(v.RDate));
    ui.ServiceLine(T(s, kTimeText) + TimeText(v.RTime));
    ui.ServiceLine(T(s, kBrightnessText) + brightness);
    ui.ServiceLine(T(s, kKeyToneText) + keyTone);
    ui.ServiceLine(T(s, kSettingsUnitText) + unit);
    ui.ServiceLine(T(s, kSettingsLanguageText) + language);
    ui.ServiceLine(T(s, kAlcoholLimitText) + limit + " mg/L");
    ui.ServiceLine(T(s, kCalBlowText) + std::to_string(v.BolwValue));
    ui.ServiceLine(T(s, kFlowThresholdText) + std::to_string(v.FlowThreshold) + " ml");
    ui.ServiceLine(T(s, kCalSlopeText) + std::to_string(v.Slope));
    ui.ServiceLine(T(s, kBrACRatioText) + std::to_string(v.BrACRatio));

    ui.SetServiceValue("EditPassword", PasswordText(v.DefautPassword));
    ui.SetServiceValue("EditFactoryPassword", PasswordText(v.FactoryPassword));
    SendReply(s, 0x22);
    s.OperationState.store(0);
}

void SensorLedReport(SharedState& s) {
    if (FrameLengthField(s) < 18) {
        s.OperationState.store(0);
        return;
    }
    const std::string sensorSN = PayloadChars(s, 0, 10);
    const int32_t green = PayloadWord(s, 10);
    const int32_t yellow = PayloadWord(s, 12);
    const int32_t red = PayloadWord(s, 14);
    {
        std::lock_guard lock(s.InfoLock);
        s.DeviceInfo.SensorSN = sensorSN;
        s.DeviceInfo.LEDGreenValue = green;
        s.DeviceInfo.LEDYellowValue = yellow;
        s.DeviceInfo.LEDRedValue = red;
    }
    Ui& ui = s.ui;
    ui.ServiceLine(kSeparatorLine);
    ui.SetServiceValue("SensorSN", sensorSN);
    ui.SetServiceValue("SensorSN2", sensorSN);
    // Each band starts one hundredth above the one below it.
    ui.SetServiceValue("EditGreen", "0.00");
    ui.SetServiceValue("EditGreenH", LedText(green));
    ui.SetServiceValue("EditYellow", LedText(green + 10));
    ui.SetServiceValue("EditYellowH", LedText(yellow));
    ui.SetServiceValue("EditRed", LedText(yellow + 10));
    ui.SetServiceValue("EditRedH", LedText(red));
    SendReply(s, 0x22);
    s.OperationState.store(0);
}

void StartLogoReport(SharedState& s) {
    const int32_t length = FrameLengthField(s);
    if (length < 10) {
        s.ui.ServiceLine(T(s, kConfigErrorText) + std::to_string(length));
        s.OperationState.store(0);
        return;
    }
    s.ui.ServiceLine(kSeparatorLine);
    const std::string logo1 = PayloadChars(s, 0, 8);
    // The second line runs from byte 8 to the first TAB or the end of the payload.
    const int32_t size = PayloadSize(s);
    int32_t end = 8;
    while (end < size && s.RxFrame[3 + end] != 0x09) ++end;
    const std::string logo2 =
        end > 8 ? DecodeUtf8(&s.RxFrame[3 + 8], static_cast<size_t>(end - 8)) : std::string();
    {
        std::lock_guard lock(s.InfoLock);
        s.DeviceInfo.StartLogo1 = logo1;
        s.DeviceInfo.StartLogo2 = logo2;
    }
    s.ui.SetServiceValue("EditLogo1", logo1);
    s.ui.SetServiceValue("EditLogo2", logo2);
    s.ui.ServiceLine(T(s, kStartLogoText) + logo1);
    SendReply(s, 0x22);
    s.OperationState.store(0);
}

void PrintHeaderReport(SharedState& s) {
    const int32_t length = FrameLengthField(s);
    if (length < 6) {
        s.ui.ServiceLine(T(s, kConfigErrorLowerText) + std::to_string(length));
        s.OperationState.store(0);
        return;
    }
    // The fields lie in the payload without its last byte, separated by TABs.
    const int32_t end = PayloadSize(s) - 1;
    const uint8_t* payload = &s.RxFrame[3];
    std::array<std::string, 4> fields;
    int32_t pos = 0;
    for (size_t k = 0; k < fields.size(); ++k) {
        if (k > 0 && pos >= end) break;  // nothing after the TAB: the rest stay empty
        const int32_t start = pos;
        while (pos < end && payload[pos] != 0x09) ++pos;
        fields[k] = DecodeUtf8(payload + start, static_cast<size_t>(pos - start));
        if (pos < end) ++pos;  // past the TAB
    }
    Ui& ui = s.ui;
    ui.SetServiceValue("Edit_Print1", fields[0]);
    ui.SetServiceValue("Edit_Print2", fields[1]);
    ui.SetServiceValue("Edit_Print3", fields[2]);
    ui.SetServiceValue("Edit_Print4", fields[3]);
    ui.ServiceLine(kSeparatorLine);
    ui.ServiceLine("Station:" + fields[0]);
    ui.ServiceLine("Location:" + fields[1]);
    ui.ServiceLine("Test Location:" + fields[2]);
    ui.ServiceLine("Name of Tester:" + fields[3]);
    SendReply(s, 0x22);
    s.OperationState.store(0);
}
