// Making code files, and the files made with it that the program ships: the
// worked example of docs/ and the demo firmware.

#include <gtest/gtest.h>

#include <cstdio>

#include "firmware/CodeFile.h"
#include "firmware/CodeFileMake.h"
#include "firmware/FirmwareFileIo.h"
#include "firmware/FirmwareFixture.h"

namespace {

std::vector<uint8_t> Pattern(size_t n, unsigned mul, unsigned add) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>((i * mul + add) & 0xFF);
    return bytes;
}

// The decoded image of bytes as the format defines it, 16 bytes to a line:
// lower-case pairs each followed by a blank, lines ended by CR LF.
std::string ExpectedImage(const std::vector<std::string>& addressLines,
                          const std::vector<std::vector<uint8_t>>& runs) {
    std::string text;
    for (size_t r = 0; r < runs.size(); ++r) {
        if (r < addressLines.size() && !addressLines[r].empty()) text += addressLines[r] + "\r\n";
        for (size_t at = 0; at < runs[r].size(); at += 16) {
            for (size_t k = at; k < std::min(at + 16, runs[r].size()); ++k) {
                char pair[4];
                std::snprintf(pair, sizeof pair, "%02x ", runs[r][k]);
                text += pair;
            }
            text += "\r\n";
        }
    }
    return text + "q\r\n";
}

CodeFileHeader Header(const std::string& model, const std::string& family) {
    return {model, "2.01.006", "1.000", "made by a test", family};
}

using CodeFileMaking = FirmwareFixture;

TEST_F(CodeFileMaking, TheImageOfAMadeFileIsTheCodeByteForByte) {
    const std::vector<uint8_t> code = Pattern(1000, 37, 11);
    for (const char* family : {"STM32", "MSP430", "AT24"}) {
        SCOPED_TRACE(family);
        std::vector<std::string> lines;
        std::string error;
        ASSERT_TRUE(
            MakeCodeFile(Header("Q7303", family), BinaryImage(code, 0x08003000), lines, error))
            << error;
        ASSERT_EQ(ReadCodeFile(s, lines, "made.txt"), CodeFileRead::Accepted);
        const bool stm32 = std::string(family) == "STM32";
        EXPECT_EQ(ReadFile(paths.DataFolder / "RAZEncryptioninformation_KOVAN"),
                  ExpectedImage({stm32 ? "" : "@08003000"}, {code}));
    }
}

TEST_F(CodeFileMaking, StoredBytesCarryTheFamilysOffsetAndTheSumsAreComputed) {
    std::vector<std::string> lines;
    std::string error;
    ASSERT_TRUE(MakeCodeFile(Header("Q7302", "MSP430"), BinaryImage({0x00, 0x5B, 0xFF}, 0x1100),
                             lines, error));
    // 00+A5=A5, 5B+A5=100 -> 00, FF+A5=1A4 -> A4.
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "Model:Q7302", "Firmware Version:2.01.006", "Minimum Hardware:1.000",
                         "Note:made by a test", "Code Sum:0000015A", "File Sum:00000149",
                         "Brevalon firmware code file", "MCU:MSP430", "@1100", "A5 00 A4", "q"}));
}

TEST_F(CodeFileMaking, IntelHexAndTiTxtGiveTheSameImageAsTheBinary) {
    const std::vector<std::string> hex = {
        ":020000040800F2",     ":10300000000102030405060708090A0B0C0D0E0F48",
        ":043010001011121376", ":0400000508003000BF",
        ":00000001FF",
    };
    const std::vector<std::string> ti = {
        "@08003000", "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F", "10 11 12 13", "q"};
    std::vector<uint8_t> bytes(20);
    for (size_t i = 0; i < 20; ++i) bytes[i] = static_cast<uint8_t>(i);

    std::vector<std::string> fromBinary, fromHex, fromTi;
    std::string error;
    ASSERT_TRUE(
        MakeCodeFile(Header("Q7302", "STM32"), BinaryImage(bytes, 0x08003000), fromBinary, error));
    CodeImage image;
    ASSERT_TRUE(ParseIntelHex(hex, image, error)) << error;
    ASSERT_TRUE(MakeCodeFile(Header("Q7302", "STM32"), image, fromHex, error));
    ASSERT_TRUE(ParseTiTxt(ti, image, error)) << error;
    ASSERT_TRUE(MakeCodeFile(Header("Q7302", "STM32"), image, fromTi, error));
    EXPECT_EQ(fromHex, fromBinary);
    EXPECT_EQ(fromTi, fromBinary);
}

TEST_F(CodeFileMaking, BadInputIsRefusedWithTheLine) {
    struct Bad {
        const char* what;
        std::vector<std::string> lines;
        bool hex;
        const char* error;
    } cases[] = {
        {"wrong checksum", {":0100000001FF", ":00000001FF"}, true, "line 1 has a wrong checksum"},
        {"no end record", {":0100000001FE"}, true, "the end-of-file record is missing"},
        {"not a record", {"0100000001FE"}, true, "line 1 is not an Intel HEX record"},
        {"overlap",
         {":0100000001FE", ":0100000002FD", ":00000001FF"},
         true,
         "the code overlaps itself at address 00000000"},
        {"data before address",
         {"12 34", "q"},
         false,
         "line 1: data before the first address line"},
        {"no terminator", {"@1100", "12"}, false, "the terminator line q is missing"},
        {"not a byte",
         {"@1100", "123", "q"},
         false,
         "line 2 holds something that is not a hexadecimal byte"},
    };
    for (const Bad& c : cases) {
        SCOPED_TRACE(c.what);
        CodeImage image;
        std::string error;
        EXPECT_FALSE(c.hex ? ParseIntelHex(c.lines, image, error)
                           : ParseTiTxt(c.lines, image, error));
        EXPECT_EQ(error, c.error);
    }
}

TEST_F(CodeFileMaking, AnStm32ImageWithGapsBecomesOneRunFilledWithErasedBytes) {
    CodeImage image;
    image.Segments = {{0x08003004, {0xAA}}, {0x08003000, {0x01, 0x02}}};
    std::vector<std::string> lines;
    std::string error;
    ASSERT_TRUE(MakeCodeFile(Header("Q7302", "STM32"), image, lines, error));
    ASSERT_EQ(ReadCodeFile(s, lines, "gaps.txt"), CodeFileRead::Accepted);
    EXPECT_EQ(ReadFile(paths.DataFolder / "RAZEncryptioninformation_ZET"),
              "01 02 ff ff aa \r\nq\r\n");
}

TEST_F(CodeFileMaking, AFileWithoutCodeStillStartsItsBodyWithAnAddressLine) {
    std::vector<std::string> lines;
    std::string error;
    ASSERT_TRUE(MakeCodeFile(Header("Q7302", "MSP430"), CodeImage{}, lines, error));
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[8], "@0000");
    EXPECT_EQ(ReadCodeFile(s, lines, "empty.txt"), CodeFileRead::Accepted);
}

TEST_F(CodeFileMaking, HeaderValuesWithLineBreaksAreRefused) {
    std::vector<std::string> lines;
    std::string error;
    CodeFileHeader header = Header("Q7302", "STM32");
    header.Note = "two\nlines";
    EXPECT_FALSE(MakeCodeFile(header, CodeImage{}, lines, error));
}

// The worked example of docs/firmware-code-file.md is a real file the reader accepts,
// its decoded image is the one the page shows, and both stand in the page verbatim.
TEST_F(CodeFileMaking, TheDocumentedWorkedExampleReadsAsDocumented) {
    const std::filesystem::path docs = std::filesystem::path(BREV_SOURCE_DIR) / "docs";
    std::vector<std::string> example;
    ASSERT_TRUE(ReadFirmwareLines(docs / "firmware-code-file-example.txt", example));
    ASSERT_EQ(ReadCodeFile(s, example, "example"), CodeFileRead::Accepted);
    const std::string decoded = ReadFile(docs / "firmware-code-file-example.decoded");
    EXPECT_EQ(ReadFile(paths.DataFolder / "RAZEncryptioninformation_ZET"), decoded);
    EXPECT_EQ(decoded, "12 34 ab cd 00 ff \r\nq\r\n");

    std::vector<std::string> made;
    std::string error;
    ASSERT_TRUE(MakeCodeFile({"Q7302", "2.01.006", "1.000", "Example", "STM32"},
                             BinaryImage({0x12, 0x34, 0xAB, 0xCD, 0x00, 0xFF}, 0x08003000), made,
                             error));
    EXPECT_EQ(made, example);

    const std::string page = ReadFile(docs / "firmware-code-file.md");
    std::string block = "```text\n";
    for (const auto& line : example) block += line + "\n";
    EXPECT_NE(page.find(block + "```"), std::string::npos) << "the page's example differs";
    EXPECT_NE(page.find("```text\n12 34 ab cd 00 ff \nq\n```"), std::string::npos);
    EXPECT_NE(page.find("| `STM32` | `0x5A` |"), std::string::npos);
    EXPECT_NE(page.find("| `MSP430` | `0xA5` |"), std::string::npos);
}

// The demo firmware shipped with the program: one accepted file per model, made
// from the documented patterns, so the demo store can always be rebuilt.
TEST_F(CodeFileMaking, TheShippedDemoFirmwareIsWhatTheMakerMakes) {
    const std::filesystem::path folder =
        std::filesystem::path(BREV_SOURCE_DIR) / "demo" / "firmware";
    const std::string note = "Demo firmware for the virtual breathalyser";
    const struct {
        const char* file;
        CodeFileHeader header;
        std::vector<uint8_t> code;
        uint32_t address;
    } demo[] = {
        {"SUGdefaultscf_MIRAX.txt",
         {"Q7301", "2.01.006", "1.000", note, "MSP430"},
         Pattern(2048, 13, 1),
         0x1100},
        {"SUGdefaultscf_ZET.txt",
         {"Q7302", "2.01.006", "1.000", note, "STM32"},
         Pattern(4096, 31, 7),
         0x08003000},
        {"SUGdefaultscf_KOVAN.txt",
         {"Q7303", "2.01.006", "1.000", note, "STM32"},
         Pattern(4096, 31, 10),
         0x08003000},
    };
    for (const auto& d : demo) {
        SCOPED_TRACE(d.file);
        std::vector<std::string> made;
        std::string error;
        ASSERT_TRUE(MakeCodeFile(d.header, BinaryImage(d.code, d.address), made, error));
        EXPECT_EQ(ReadFile(folder / d.file), Joined(made));
        EXPECT_EQ(ReadCodeFile(s, made, d.file), CodeFileRead::Accepted);
    }
}

}  // namespace
