// Serial numbers, settings, sensor and LED thresholds, start logo, print header.

#include "LinkTestSupport.h"

namespace {

using ConfigReports = LinkTest;
const std::string kRule = "--------------------------------------------";

TEST_F(ConfigReports, SerialNumbersFillTheServiceArea) {
    s.OperationState = 2;
    FeedFrame(0x61, Text8("M000000001S000000002"));
    EXPECT_EQ(ui.Service(), (std::vector<std::string>{kRule, "Model SN:M000000001"}));
    EXPECT_TRUE(ui.Log().empty());
    EXPECT_EQ(ui.Value("ModelSN"), "M000000001");
    EXPECT_EQ(ui.Value("SensorSN"), "S000000002");
    EXPECT_EQ(ui.Value("SensorSN2"), "S000000002");
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 61 22 86"});
    EXPECT_EQ(s.OperationState, 0);
    EXPECT_EQ(s.InfoSnapshot().SensorSN, "S000000002");
}

TEST_F(ConfigReports, ShortReportsShowTheirLengthAndAreNotAcknowledged) {
    struct Case {
        uint8_t command;
        size_t payload;  // bytes, one short of the minimum
        std::vector<std::string> service;
    } cases[] = {
        {0x61, 19, {"error21"}}, {0x62, 26, {"Error28"}}, {0x63, 15, {}},
        {0x65, 7, {"Error9"}},   {0x9C, 3, {"error5"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Hex({c.command}));
        ui.Clear();
        comm.ClearWrites();
        s.OperationState = 2;
        FeedFrame(c.command, std::vector<uint8_t>(c.payload, 0x31));
        EXPECT_EQ(ui.Service(), c.service);
        EXPECT_TRUE(comm.Writes().empty());
        EXPECT_EQ(s.OperationState, 0);
    }
}

// Settings (0x62), 33 payload bytes.
std::vector<uint8_t> SettingsPayload() {
    return Bytes(
        "09 0C 05 07 E8 01 02 "  // 9:12:05, 02/01/2024
        "04 01 00 00 01 02 87 "  // brightness 4, key tone OFF, mg/L, English, Y/N, No Print, 1.35
        "00 C8 03 E8 64 08 FC "  // blow 200, flow 1000, slope 100, ratio 2300
        "20 10 0A 00 02 5F "     // RF address, 905MHz, channel 95
        "12 34 00 0A 03 02");    // passwords, OPEN, UK (Scot)
}

TEST_F(ConfigReports, SettingsAreDecodedIntoControlsAndLines) {
    FeedFrame(0x62, SettingsPayload());
    EXPECT_EQ(ui.Service(),
              (std::vector<std::string>{
                  kRule, "Date: 02/01/2024", "Time: 9:12:05", "Brightness: 4", "Key Tone: OFF",
                  "Current Unit: mg/L", "Current Language: English",
                  "Alcohol Limit Value: 1.35 mg/L", "Cal. Blow: 200", "Flow Threshold: 1000 ml",
                  "Cal. Slope: 100", "BrAC/BAC Ratio: 2300"}));
    const std::pair<const char*, const char*> values[] = {
        {"ComboBoxBrightness", "4"},
        {"ComboBoxKeytone", "OFF"},
        {"ComboBoxUnit", "mg/L"},
        {"ComboBoxLanguage", "English"},
        {"ComboBoxDisplayPrior", "Y/N Alcohol"},
        {"ComboBoxPrintSetting", "No Print"},
        {"EditPrintOver", "1.35"},
        {"EditBlowThreshold", "200"},
        {"EditFlowThreshold", "1000"},
        {"EditSlope", "100"},
        {"EditBrAC", "2300"},
        {"RFadr1", "20"},
        {"RFadr2", "10"},
        {"RFadr3", "0A"},
        {"RFadr4", "00"},
        {"ComboBoxRFFreq", "905MHz"},
        {"ComboBoxRFChannel", "CH-NO95\t"},
        {"ComboBox1", "OPEN"},
        {"ComboBox2", "UK (Scot)\t"},
        {"EditPassword", "1234"},
        {"EditFactoryPassword", "000A"},
    };
    for (const auto& [control, text] : values) EXPECT_EQ(ui.Value(control), text) << control;
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 62 22 87"});
    const auto info = s.InfoSnapshot();
    EXPECT_EQ(info.PrintOverVaule, 135);
    EXPECT_EQ(info.BrACRatio, 2300);
    EXPECT_EQ(info.RFChannel, 95);
    EXPECT_EQ(info.DefautPassword, 0x1234);
    EXPECT_EQ(info.Locale, 2);
}

TEST_F(ConfigReports, SettingsValuesAtTheEdgesOfTheirLists) {
    struct Case {
        size_t offset;
        uint8_t value;
        const char* control;
        const char* text;
    } cases[] = {
        {13, 5, "EditPrintOver", "0.05"},
        {13, 0, "EditPrintOver", "0.00"},
        {26, 79, "ComboBoxRFChannel", "CH-NO80\t"},  // below 80: the first entry
        {26, 80, "ComboBoxRFChannel", "CH-NO80\t"},
        {26, 110, "ComboBoxRFChannel", "CH-NO110"},
        {26, 111, "ComboBoxRFChannel", "111"},
        {7, 0, "ComboBoxBrightness", "0"},
        {7, 10, "ComboBoxBrightness", "10"},
        {7, 11, "ComboBoxBrightness", "11"},
        {9, 4, "ComboBoxUnit", "4"},
        {10, 1, "ComboBoxLanguage", "1"},
        {25, 3, "ComboBoxRFFreq", "2.4GHz"},
        {25, 4, "ComboBoxRFFreq", "4"},
        {32, 53, "ComboBox2", "UAE"},
        {32, 54, "ComboBox2", "54"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.control) + " " + std::to_string(c.value));
        auto payload = SettingsPayload();
        payload[c.offset] = c.value;
        FeedFrame(0x62, payload);
        EXPECT_EQ(ui.Value(c.control), c.text);
    }
    ui.Clear();
    auto payload = SettingsPayload();
    payload[13] = 5;
    FeedFrame(0x62, payload);
    EXPECT_EQ(ui.Service()[7], "Alcohol Limit Value: 0.05 mg/L");
}

TEST_F(ConfigReports, ShortSettingsReadMissingBytesAsZeroNotLeftovers) {
    FeedFrame(0x62, SettingsPayload());  // leaves passwords, standard and country in RxFrame
    auto shortPayload = SettingsPayload();
    shortPayload.resize(27);  // length 29: the least that is accepted
    FeedFrame(0x62, shortPayload);
    EXPECT_EQ(ui.Value("EditPassword"), "0000");
    EXPECT_EQ(ui.Value("EditFactoryPassword"), "0000");
    EXPECT_EQ(ui.Value("ComboBox1"), "EN16280");
    EXPECT_EQ(ui.Value("ComboBox2"), "UK (England)");
    EXPECT_EQ(Sent().back(), "AA FE 00 03 62 22 87");
}

TEST_F(ConfigReports, LedThresholdsShowAsBands) {
    FeedFrame(0x63, Cat({Text8("S000000003"), Bytes("00 C8 01 90 03 20")}));
    const std::pair<const char*, const char*> values[] = {
        {"EditGreen", "0.00"},      {"EditGreenH", "0.20"},      {"EditYellow", "0.21"},
        {"EditYellowH", "0.40"},    {"EditRed", "0.41"},         {"EditRedH", "0.80"},
        {"SensorSN", "S000000003"}, {"SensorSN2", "S000000003"},
    };
    for (const auto& [control, text] : values) EXPECT_EQ(ui.Value(control), text) << control;
    EXPECT_EQ(ui.Service(), std::vector<std::string>{kRule});
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 63 22 88"});
    EXPECT_EQ(s.InfoSnapshot().LEDRedValue, 800);
}

TEST_F(ConfigReports, LedThresholdsCutOffThousandths) {
    FeedFrame(0x63, Cat({Text8("S000000003"), Bytes("00 CF 04 D2 27 0F")}));  // 207, 1234, 9999
    EXPECT_EQ(ui.Value("EditGreenH"), "0.20");
    EXPECT_EQ(ui.Value("EditYellow"), "0.21");
    EXPECT_EQ(ui.Value("EditYellowH"), "1.23");
    EXPECT_EQ(ui.Value("EditRedH"), "9.99");
}

TEST_F(ConfigReports, StartLogoHasAFixedFirstLineAndAUtf8SecondLine) {
    FeedFrame(0x65, Cat({Text8("BREVALON"), Text8("Gr\xC3\xBC\xC3\x9F"
                                                  "e\tjunk")}));
    EXPECT_EQ(ui.Value("EditLogo1"), "BREVALON");
    EXPECT_EQ(ui.Value("EditLogo2"),
              "Gr\xC3\xBC\xC3\x9F"
              "e");
    EXPECT_EQ(ui.Service(), (std::vector<std::string>{kRule, "Start Logo text: BREVALON"}));
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 65 22 8A"});
    EXPECT_EQ(s.InfoSnapshot().StartLogo2,
              "Gr\xC3\xBC\xC3\x9F"
              "e");
}

TEST_F(ConfigReports, StartLogoOfLengthTenHasAnEmptySecondLine) {
    FeedFrame(0x65, Text8("BREVALON"));
    EXPECT_EQ(ui.Value("EditLogo1"), "BREVALON");
    EXPECT_EQ(ui.Value("EditLogo2"), "");
    EXPECT_EQ(s.InfoSnapshot().StartLogo2, "");
    EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 65 22 8A"});
}

TEST_F(ConfigReports, PrintHeaderFieldsAreSplitAtTabsWithoutTheLastByte) {
    struct Case {
        const char* payload;
        std::vector<std::string> fields;
    } cases[] = {
        {"41 09 42 09 43 09 44 00", {"A", "B", "C", "D"}},
        {"41 09 42 09 43 09 44", {"A", "B", "C", ""}},  // the last byte is never a field byte
        {"4E 61 6D 65 00", {"Name", "", "", ""}},
        {"41 09 09 43 00", {"A", "", "C", ""}},
        {"C3 A9 09 42 00", {"\xC3\xA9", "B", "", ""}},
        {"41 09 42 00", {"A", "B", "", ""}},  // length 6, the shortest taken
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.payload);
        ui.Clear();
        comm.ClearWrites();
        FeedFrame(0x9C, Bytes(c.payload));
        EXPECT_EQ(ui.Value("Edit_Print1"), c.fields[0]);
        EXPECT_EQ(ui.Value("Edit_Print2"), c.fields[1]);
        EXPECT_EQ(ui.Value("Edit_Print3"), c.fields[2]);
        EXPECT_EQ(ui.Value("Edit_Print4"), c.fields[3]);
        EXPECT_EQ(ui.Service(),
                  (std::vector<std::string>{
                      kRule, "Station:" + c.fields[0], "Location:" + c.fields[1],
                      "Test Location:" + c.fields[2], "Name of Tester:" + c.fields[3]}));
        EXPECT_EQ(Sent(), std::vector<std::string>{"AA FE 00 03 9C 22 C1"});
    }
}

}  // namespace
