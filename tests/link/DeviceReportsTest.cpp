// Device information, clock, run status, firmware information and full status.

#include "LinkTestSupport.h"

namespace {

using DeviceReports = LinkTest;

// Device information (0x81), 54 payload bytes (length 56).
std::vector<uint8_t> DeviceInfoPayload(const std::string& modelCode, const std::string& swVersion,
                                       uint8_t language = 0, uint8_t unit = 3) {
    return Cat({Text8(modelCode),
                Text8("A123456789"),
                Text8("S000000042"),
                Text8(swVersion),
                Text8("1003"),
                Bytes("07 E0 03 09"),
                Bytes("00 B6"),
                {language, unit},
                Bytes("00 C8 01 90 03 20")});
}

TEST_F(DeviceReports, DeviceInformationIsDecodedAndPrinted) {
    s.OperationState = 2;
    FeedFrame(0x81, DeviceInfoPayload("Q7302A0001", "201005"));
    EXPECT_EQ(ui.Log(),
              (std::vector<std::string>{"Model Name:KOVAN", "Model SN:A123456789",
                                        "Software Version:2.01.005", "Hardware Version:1.003",
                                        "Last Calibration:09/03/2016", "Calibration Cycle:182 Days",
                                        "Current Language:English", "Current Unit:Per mille"}));
    EXPECT_EQ(ui.Service(),
              std::vector<std::string>{"--------------------------------------------"});
    EXPECT_EQ(ui.Value("ModelSN"), "A123456789");
    EXPECT_EQ(ui.Value("SensorSN"), "S000000042");
    EXPECT_EQ(ui.Value("SensorSN2"), "S000000042");
    const auto info = s.InfoSnapshot();
    EXPECT_EQ(info.Model, "KOVAN");
    EXPECT_EQ(info.SWVer, "2.01.005");
    EXPECT_EQ(info.HWVer, "1.003");
    EXPECT_EQ(info.Cal.Year, 2016);
    EXPECT_EQ(info.Cal.Month, 3);
    EXPECT_EQ(info.Cal.Day, 9);
    EXPECT_EQ(info.CalCycle, 182);
    EXPECT_EQ(info.CUnit, 3);
    EXPECT_EQ(info.LEDGreenValue, 200);
    EXPECT_EQ(info.LEDYellowValue, 400);
    EXPECT_EQ(info.LEDRedValue, 800);
    // A KOVAN during a download: the record memory is asked for, the 0x81 frame
    // itself is not acknowledged and the download goes on.
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 83 11 97"});
    EXPECT_EQ(s.OperationState, 2);
}

TEST_F(DeviceReports, ModelNameFollowsTheModelClassAndSoftwareVersion) {
    struct Case {
        const char* code;
        const char* version;
        const char* model;
    } cases[] = {
        {"Q7302A0001", "201005", "KOVAN"},  // class 2 with a version starting with 2
        {"Q7302A0001", "101005", "ZET"},
        {"Q7303B0001", "101005", "KOVAN"},
        {"Q7301C0001", "201005", "MIRAX"},
        {"XYZ1234567", "201005", "XYZ1234567"},  // unknown code: shown as it is
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code + std::string(" ") + c.version);
        ui.Clear();
        FeedFrame(0x81, DeviceInfoPayload(c.code, c.version));
        EXPECT_EQ(s.InfoSnapshot().Model, c.model);
        ASSERT_FALSE(ui.Log().empty());
        EXPECT_EQ(ui.Log()[0], std::string("Model Name:") + c.model);
    }
}

TEST_F(DeviceReports, LanguageAndUnitOutsideTheirListsAreShownAsNumbers) {
    FeedFrame(0x81, DeviceInfoPayload("Q7303B0001", "101005", 1, 4));
    const auto log = ui.Log();
    ASSERT_GE(log.size(), 8u);
    EXPECT_EQ(log[6], "Current Language:1");
    EXPECT_EQ(log[7], "Current Unit:4");
}

TEST_F(DeviceReports, ShortDeviceInformationEndsTheOperationWithoutReply) {
    s.OperationState = 2;
    auto payload = DeviceInfoPayload("Q7303B0001", "201005");
    payload.pop_back();  // length 55
    FeedFrame(0x81, payload);
    EXPECT_EQ(ui.Log(), std::vector<std::string>{"Error55"});
    EXPECT_TRUE(comm.Writes().empty());
    EXPECT_EQ(s.OperationState, 0);
    EXPECT_EQ(s.InfoSnapshot().Model, "");
}

TEST_F(DeviceReports, DeviceInformationDuringVersionQueryIsAcknowledgedAndClosesIt) {
    s.OperationState = 0xFF;
    FeedFrame(0x81, DeviceInfoPayload("Q7303B0001", "201005"));
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 81 22 A6"});
    EXPECT_EQ(s.OperationState, 0);
    EXPECT_EQ(ui.Log().size(), 8u);  // no "only support" message
}

TEST_F(DeviceReports, RunStatusIsPrintedAndAcknowledged) {
    s.OperationState = 2;
    FeedFrame(0x80, Bytes("05 00 07 00 09"));
    EXPECT_EQ(ui.Log(), (std::vector<std::string>{"Run Status:5", "Calibration error number:7"}));
    EXPECT_EQ(ui.Service(),
              std::vector<std::string>{"--------------------------------------------"});
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 80 22 A5"});
    EXPECT_EQ(s.InfoSnapshot().BlowError, 9);
    EXPECT_EQ(s.OperationState, 0);
}

TEST_F(DeviceReports, ShortRunStatusIsIgnoredButClosesTheOperation) {
    s.OperationState = 2;
    FeedFrame(0x80, Bytes("05 00 07 00"));
    EXPECT_TRUE(ui.Events().empty());
    EXPECT_TRUE(comm.Writes().empty());
    EXPECT_EQ(s.OperationState, 0);
}

TEST_F(DeviceReports, ClockIsPrintedAndAcknowledged) {
    FeedFrame(0x82, Bytes("0E 0C 05 07 E8 02 1D"));
    EXPECT_EQ(ui.Log(), (std::vector<std::string>{"Date: 29/02/2024", "Time: 14:12:05"}));
    EXPECT_EQ(ui.Service(),
              std::vector<std::string>{"--------------------------------------------"});
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 82 22 A7"});
    const auto info = s.InfoSnapshot();
    EXPECT_EQ(info.RDate.Year, 2024);
    EXPECT_EQ(info.RTime.Second, 5);
}

TEST_F(DeviceReports, ShortClockIsStillAcknowledgedButPrintsNothing) {
    FeedFrame(0x82, Bytes("0E 0C 05 07 E8 02"));  // length 8
    EXPECT_TRUE(ui.Events().empty());
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 82 22 A7"});
    EXPECT_EQ(s.InfoSnapshot().RDate.Year, 0);
}

// 0x6A, 44 payload bytes (length 46).
std::vector<uint8_t> StatusPayload(const std::string& swVersion, int voltage, uint8_t temperature) {
    return Cat({Text8("Q7302A0001"),
                Bytes("08 05 09 07 E7 0C 1F 07 E0 03 09 01 6D 00 02 00 04 00"),
                Text8(swVersion),
                Text8("1003"),
                Bytes("00 03 E8"),
                {static_cast<uint8_t>(voltage >> 8), static_cast<uint8_t>(voltage & 0xFF)},
                {temperature}});
}

TEST_F(DeviceReports, FullStatusIsPrintedAndAcknowledged) {
    s.OperationState = 0xFF;
    FeedFrame(0x6A, StatusPayload("101005", 405, 0));
    EXPECT_EQ(ui.Log(),
              (std::vector<std::string>{
                  "--------------------------------------------", "Model Name:ZET",
                  "Date: 31/12/2023", "Time: 8:05:09", "Last Calibration:09/03/2016",
                  "Calibration Cycle:365", "Calibration Error:2", "Current language:English",
                  "Software Version:1.01.005", "Hardware Version:1.003", "Memory Status:0",
                  "Pressure:1000", "Voltage:4.05 V", "Temperature: -25 Degree"}));
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 6A 22 8F"});
    EXPECT_EQ(s.OperationState, 0);
    EXPECT_EQ(s.LinkMode, 0);
    EXPECT_EQ(ui.Value("LabelVoltage"), "Voltage:4.05 V");
    EXPECT_EQ(ui.Value("LabelModelName"), "Model Name:ZET");
    const auto info = s.InfoSnapshot();
    EXPECT_EQ(info.BlowError, 4);
    EXPECT_EQ(info.Temperature, 0);
    EXPECT_EQ(info.Voltage, 405);
}

TEST_F(DeviceReports, VoltageAndTemperatureFormats) {
    struct Case {
        int voltage;
        uint8_t temperature;
        const char* voltageLine;
        const char* temperatureLine;
    } cases[] = {
        {405, 0, "Voltage:4.05 V", "Temperature: -25 Degree"},
        {400, 45, "Voltage:4.00 V", "Temperature: 20 Degree"},
        {372, 20, "Voltage:3.72 V", "Temperature: -5 Degree"},
        {5, 25, "Voltage:0.05 V", "Temperature: 0 Degree"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.voltageLine);
        ui.Clear();
        FeedFrame(0x6A, StatusPayload("101005", c.voltage, c.temperature));
        const auto log = ui.Log();
        ASSERT_EQ(log.size(), 14u);
        EXPECT_EQ(log[12], c.voltageLine);
        EXPECT_EQ(log[13], c.temperatureLine);
    }
}

TEST_F(DeviceReports, ShortFullStatusShowsErrorWithoutReply) {
    auto payload = StatusPayload("101005", 405, 0);
    payload.pop_back();
    s.OperationState = 0xFF;
    FeedFrame(0x6A, payload);
    EXPECT_EQ(ui.Service(), std::vector<std::string>{"Error45"});
    EXPECT_TRUE(ui.Log().empty());
    EXPECT_TRUE(comm.Writes().empty());
    EXPECT_EQ(s.OperationState, 0);
}

TEST_F(DeviceReports, FirmwareInformationStoresVersionsAndMovesTheUpdateOn) {
    s.LinkMode = 1;
    s.OperationState = 0xFF;
    FeedFrame(0x6A, StatusPayload("201005", 405, 0));
    EXPECT_EQ(ui.Log(),
              (std::vector<std::string>{"--------------------------------------------",
                                        "Information on Brevalon Model>>", "Brevalon Model:KOVAN",
                                        "Firmware Version:2.01.005", "Hardware Version:1.003",
                                        "--------------------------------------------"}));
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 6A 22 8F"});
    EXPECT_EQ(s.OperationState, 0);
    EXPECT_EQ(s.LinkMode, 2);
    const auto info = s.InfoSnapshot();
    EXPECT_EQ(info.Model, "KOVAN");
    EXPECT_EQ(info.SWVer, "2.01.005");
    EXPECT_EQ(info.HWVer, "1.003");
    EXPECT_EQ(info.Voltage, 0);  // the firmware report carries no status
}

TEST_F(DeviceReports, FirmwareInformationNeedsALengthOf46) {
    struct Case {
        size_t payload;  // bytes; the length field is two more
        bool accepted;
    } cases[] = {{43, false}, {44, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.payload + 2);
        ui.Clear();
        comm.ClearWrites();
        s.LinkMode = 1;
        s.OperationState = 0xFF;
        auto payload = StatusPayload("201005", 405, 0);
        payload.resize(c.payload);
        FeedFrame(0x6A, payload);
        EXPECT_EQ(s.OperationState, 0);
        if (c.accepted) {
            EXPECT_EQ(s.LinkMode, 2);
            EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 6A 22 8F"});
            EXPECT_TRUE(ui.Service().empty());
        } else {
            EXPECT_EQ(s.LinkMode, 1);
            EXPECT_TRUE(comm.Writes().empty());
            EXPECT_EQ(ui.Service(), std::vector<std::string>{"Error45"});
            EXPECT_TRUE(ui.Log().empty());
        }
    }
}

TEST_F(DeviceReports, ShortFirmwareInformationKeepsTheQueryMode) {
    s.LinkMode = 1;
    s.OperationState = 0xFF;
    auto payload = StatusPayload("201005", 405, 0);
    payload.resize(40);
    FeedFrame(0x6A, payload);
    EXPECT_EQ(ui.Service(), std::vector<std::string>{"Error42"});
    EXPECT_TRUE(comm.Writes().empty());
    EXPECT_EQ(s.LinkMode, 1);
    EXPECT_EQ(s.OperationState, 0);
}

}  // namespace
