// Frames the PC builds for the bootloader, byte for byte.

#include <gtest/gtest.h>

#include <numeric>

#include "BootTestSupport.h"
#include "firmware/BootFrames.h"

using namespace boottest;

namespace {

class BootFrames : public ::testing::Test {
  protected:
    RecordingUi ui;
    WriteRecordingComm comm;
    SharedState s{ui, comm};

    void SetImage(std::vector<std::string> lines) {
        s.Boot.CodeImage = std::move(lines);
        s.Boot.CodeLineCount = static_cast<int32_t>(s.Boot.CodeImage.size());
        s.Boot.CodeChecksum = 0;
    }
    std::string Built() const {
        return HexText(
            Bytes(s.Boot.BootTxFrame.begin(), s.Boot.BootTxFrame.begin() + s.Boot.BootTxLength));
    }
};

TEST_F(BootFrames, CommandWithoutDataCarriesLengthOneAndTheCommandPlusOneAsItsSum) {
    BuildBootCommand(s, 0x87);
    EXPECT_EQ(Built(), "00 FE 01 87 88");
    BuildBootCommand(s, 0xFF);  // the sum wraps
    EXPECT_EQ(Built(), "00 FE 01 FF 00");
    ASSERT_TRUE(SendBootFrame(s));
    ASSERT_EQ(comm.Writes().size(), 1u);
    EXPECT_EQ(HexText(comm.Writes()[0]), "00 FE 01 FF 00");
}

TEST_F(BootFrames, AddressFramesCarryTwoThreeOrFourAddressBytesInTheirLengthAndSum) {
    const struct {
        const char* line;
        const char* frame;
    } cases[] = {
        {"@8000", "00 FE 03 84 80 00 07"},          {"@FFFF", "00 FE 03 84 FF FF 85"},
        {"@10000", "00 FE 04 84 01 00 00 89"},      {"@ffffff", "00 FE 04 84 FF FF FF 85"},
        {"@1000000", "00 FE 05 84 01 00 00 00 8A"}, {"@08003000", "00 FE 05 84 08 00 30 00 C1"},
    };
    for (const auto& c : cases) {
        SetImage({c.line, "00 ", "q"});
        ASSERT_TRUE(BuildWriteFrame(s, 0)) << c.line;
        EXPECT_EQ(Built(), c.frame) << c.line;
        EXPECT_EQ(s.Boot.CodeLineIndex, 1) << c.line;
        EXPECT_EQ(s.Boot.CodeChecksum, 0) << "an address is not code: " << c.line;
    }
}

TEST_F(BootFrames, EndFrameIsTheLetterQWithItsSum) {
    SetImage({"q"});
    ASSERT_TRUE(BuildWriteFrame(s, 0));
    EXPECT_EQ(Built(), "00 FE 02 86 71 F9");

    SetImage({});  // past the end of the image is the end as well
    ASSERT_TRUE(BuildWriteFrame(s, 0));
    EXPECT_EQ(Built(), "00 FE 02 86 71 F9");
}

TEST_F(BootFrames, DataFrameTakesFourteenWholeLinesAndTheFifteenthStartsTheNextFrame) {
    const auto lines = Join({DataLines(15), {"q"}});
    SetImage(lines);

    ASSERT_TRUE(BuildWriteFrame(s, 0));
    const Bytes first(s.Boot.BootTxFrame.begin(), s.Boot.BootTxFrame.begin() + s.Boot.BootTxLength);
    ASSERT_EQ(first.size(), 5u + 224u);
    EXPECT_EQ(first[0], 0x00);
    EXPECT_EQ(first[1], 0xFE);
    EXPECT_EQ(first[2], 225);  // command and 224 code bytes
    EXPECT_EQ(first[3], 0x85);
    for (int k = 0; k < 224; ++k) ASSERT_EQ(first[4 + k], k) << k;
    const unsigned sum = std::accumulate(first.begin() + 2, first.end() - 1, 0u);
    EXPECT_EQ(first.back(), sum & 0xFF);
    EXPECT_EQ(s.Boot.CodeLineIndex, 14);

    ASSERT_TRUE(BuildWriteFrame(s, s.Boot.CodeLineIndex));
    const Bytes second(s.Boot.BootTxFrame.begin(),
                       s.Boot.BootTxFrame.begin() + s.Boot.BootTxLength);
    ASSERT_EQ(second.size(), 5u + 16u);
    EXPECT_EQ(second[2], 17);
    EXPECT_EQ(second[4], 224);            // the 15th line, whole
    EXPECT_EQ(s.Boot.CodeLineIndex, 16);  // its 'q' closes this frame

    ASSERT_TRUE(BuildWriteFrame(s, s.Boot.CodeLineIndex));
    EXPECT_EQ(Built(), "00 FE 02 86 71 F9");

    // The file checksum is the 16-bit sum of every code byte sent: 0 + 1 + ... + 239.
    EXPECT_EQ(s.Boot.CodeChecksum, 239 * 240 / 2);
}

TEST_F(BootFrames, AnAddressLineEndsTheDataFrameBeforeIt) {
    SetImage({"@3100", "01 02 ", "03 ", "@4000", "04 ", "q"});
    std::vector<std::string> frames;
    int32_t i = 0;
    for (int n = 0; n < 5; ++n) {
        ASSERT_TRUE(BuildWriteFrame(s, i));
        frames.push_back(Built());
        i = s.Boot.CodeLineIndex;
    }
    EXPECT_EQ(frames, (std::vector<std::string>{"00 FE 03 84 31 00 B8", "00 FE 04 85 01 02 03 8F",
                                                "00 FE 03 84 40 00 C7", "00 FE 02 85 04 8B",
                                                "00 FE 02 86 71 F9"}));
}

TEST_F(BootFrames, LinesWithoutTheirTrailingBlankStillNeverPassTwoHundredThirtySixBytes) {
    // 14 full lines and a 15th written without its last blank: it holds 16 bytes,
    // not the 15 its length suggests, so it cannot join the first 221 bytes.
    std::string tight;
    for (int k = 0; k < 16; ++k) tight += (k ? " " : "") + std::string("aa");
    auto lines = DataLines(13);
    lines.push_back("00 01 02 03 04 05 06 07 08 09 0a 0b 0c ");  // 13 bytes: 221 in all
    lines.push_back(tight);
    lines.push_back("q");
    SetImage(lines);
    ASSERT_TRUE(BuildWriteFrame(s, 0));
    EXPECT_EQ(s.Boot.BootTxFrame[2], 1 + 221);
    EXPECT_EQ(s.Boot.CodeLineIndex, 14);
}

TEST_F(BootFrames, ALineOfSixHundredNinetyOneCharactersBuildsNoFrame) {
    std::string line;
    for (int k = 0; k < 230; ++k) line += "01 ";  // 690 characters, 230 bytes
    SetImage({line, "q"});
    ASSERT_TRUE(BuildWriteFrame(s, 0));
    EXPECT_EQ(s.Boot.BootTxFrame[2], 231);

    SetImage({line + "0", "q"});
    s.Boot.BootTxLength = 0;
    EXPECT_FALSE(BuildWriteFrame(s, 0));
}

TEST_F(BootFrames, AnAddressLineWithAnythingBeforeItsAtSignBuildsNoFrame) {
    SetImage({" @8000", "00 ", "q"});
    EXPECT_FALSE(BuildWriteFrame(s, 0));
}

TEST_F(BootFrames, ProgressFollowsTheLinesUsedAndStopsAtFull) {
    SetImage(Join({DataLines(28), {"q"}}));
    ASSERT_TRUE(BuildWriteFrame(s, 0));   // lines 0-13 of 29
    ASSERT_TRUE(BuildWriteFrame(s, 14));  // 14-27, and the 'q' that closes the frame
    ASSERT_EQ(s.Boot.CodeLineIndex, 29);
    ASSERT_TRUE(BuildWriteFrame(s, 29));  // the end frame moves one past the end: 103 %
    EXPECT_EQ(s.Boot.CodeLineIndex, 30);
    EXPECT_EQ(ui.Progress(), (std::vector<int>{48, 100, 100}));
}

}  // namespace
