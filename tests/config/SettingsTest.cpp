#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "config/Settings.h"
#include "core/SharedState.h"
#include "support/NullComm.h"
#include "support/RecordingUi.h"

namespace {

struct Switches {
    std::array<bool, 7> on;
    std::string mcuType;
};

Switches Read(const FlashSettings& f) {
    return {{f.EraseUserInformation, f.EraseMain, f.VerifyBlank, f.WriteCode, f.VerifyCode,
             f.ReadCode, f.AutomaticReset},
            f.McuType};
}

class SettingsFile : public ::testing::Test {
  protected:
    RecordingUi ui;
    NullComm port;
    SharedState s{ui, port};
    TempFolder folder;
};

TEST_F(SettingsFile, FirstStartWritesTheTwentyDefaultLinesAndReadsThem) {
    const auto dataFolder = folder.Path() / "Local" / "Deeper" / "BrevRec";
    s.DebugMode = true;
    ASSERT_TRUE(LoadSettings(s, dataFolder));

    const std::string expected =
        "[System]\r\n"
        "Project Name=Brevalon Zet&Kovan Update Utility Software\r\n"
        "Model Name=Brevalon Zet\r\n"
        "[COMM]\r\n"
        "Com_Buadrate=115200\r\n"
        "Com_Port=COM3\r\n"
        "[FLASHSUG]\r\n"
        "EraseUserInformation=false\r\n"
        "EraseMain=true\r\n"
        "VerifyBlank=flase\r\n"
        "WriteCode=true\r\n"
        "VerifyCode=true\r\n"
        "ReadCode=flase\r\n"
        "AutomaticReset=true\r\n"
        "MCU Type=STM32\r\n"
        "[CodePath]\r\n"
        "Path=D:\r\n"
        "[Debug]\r\n"
        "Debug Mode =true\r\n"
        "[END]\r\n";
    EXPECT_EQ(ReadBytes(dataFolder / "settings.ini"), expected);
    EXPECT_EQ(DefaultSettingsLines().size(), 20u);

    const Switches got = Read(s.Flash);
    EXPECT_EQ(got.on, (std::array<bool, 7>{false, true, false, true, true, false, true}));
    EXPECT_EQ(got.mcuType, "STM32");
    EXPECT_FALSE(s.DebugMode);  // the [Debug] line is never read
}

TEST_F(SettingsFile, AnExistingFileIsReadAndNotRewritten) {
    const std::string mine =
        "[FLASHSUG]\r\nA=true\r\nB=true\r\nC=true\r\nD=true\r\nE=true\r\n"
        "F=true\r\nG=true\r\nMCU Type=MSP430\r\n";
    folder.Write("settings.ini", mine);
    ASSERT_TRUE(LoadSettings(s, folder.Path()));
    EXPECT_EQ(ReadBytes(folder.Path() / "settings.ini"), mine);
    const Switches got = Read(s.Flash);
    EXPECT_EQ(got.on, (std::array<bool, 7>{true, true, true, true, true, true, true}));
    EXPECT_EQ(got.mcuType, "MSP430");
}

TEST_F(SettingsFile, SwitchesAreReadByPositionAndOnlyForExactlyTrue) {
    struct Case {
        const char* name;
        std::string file;
        std::array<bool, 7> on;
        std::string mcuType;
    };
    const std::vector<Case> cases = {
        {"keys in another order count by position",
         "[FLASHSUG]\nReadCode=true\nEraseMain=false\nVerifyBlank=false\nWriteCode=false\n"
         "VerifyCode=false\nEraseUserInformation=false\nAutomaticReset=false\nMCU Type=STM32\n",
         {true, false, false, false, false, false, false},
         "STM32"},
        {"TRUE, True, a leading or trailing blank, flase and empty are off",
         "[FLASHSUG]\nA=TRUE\nB=True\nC= true\nD=true \nE=flase\nF=\nG=true\nMCU Type=STM32\n",
         {false, false, false, false, false, false, true},
         "STM32"},
        {"a line without an equals sign is off",
         "[FLASHSUG]\ntrue\nB=true\nC\nD\nE\nF\nG\nMCU Type\n",
         {false, true, false, false, false, false, false},
         ""},
        {"fewer lines than needed leave the rest off and McuType empty",
         "[System]\n[FLASHSUG]\nA=true\nB=true\n",
         {true, true, false, false, false, false, false},
         ""},
        {"without the header the first eight lines are read",
         "A=true\nB=false\nC=true\nD=false\nE=true\nF=false\nG=true\nMCU Type=MSP430\nX=true\n",
         {true, false, true, false, true, false, true},
         "MSP430"},
        {"without the header and with fewer than eight lines nothing is read past the end",
         "A=true\nB=true\n",
         {true, true, false, false, false, false, false},
         ""},
        {"a header on the last line is not found",
         "[Other]\nA=true\n[FLASHSUG]\n",
         {false, true, false, false, false, false, false},
         ""},
        {"the later of two headers counts",
         "[FLASHSUG]\nA=false\n[FLASHSUG]\nA=true\nB=true\nC=true\nD=true\nE=true\nF=true\nG=true\n"
         "M=AT24\n",
         {true, true, true, true, true, true, true},
         "AT24"},
        {"McuType is the text after the first equals sign, unchanged",
         "[FLASHSUG]\nA=\nB=\nC=\nD=\nE=\nF=\nG=\nMCU Type= STM32=X \n",
         {false, false, false, false, false, false, false},
         " STM32=X "},
        {"an empty file leaves everything off",
         "",
         {false, false, false, false, false, false, false},
         ""},
    };
    for (const auto& c : cases) {
        s.Flash = FlashSettings{};
        s.Flash.McuType = "stale";
        folder.Write("settings.ini", c.file);
        ASSERT_TRUE(LoadSettings(s, folder.Path())) << c.name;
        const Switches got = Read(s.Flash);
        EXPECT_EQ(got.on, c.on) << c.name;
        EXPECT_EQ(got.mcuType, c.mcuType) << c.name;
    }
}

TEST_F(SettingsFile, AFileInUtf16IsReadLikeTheLanguageFile) {
    std::string bytes = "\xFF\xFE";
    for (char c :
         std::string("[FLASHSUG]\r\nA=true\r\nB=true\r\nC=\r\nD=\r\nE=\r\nF=\r\nG=\r\nM=STM32")) {
        bytes += c;
        bytes += '\0';
    }
    folder.Write("settings.ini", bytes);
    ASSERT_TRUE(LoadSettings(s, folder.Path()));
    EXPECT_TRUE(s.Flash.EraseUserInformation);
    EXPECT_TRUE(s.Flash.EraseMain);
    EXPECT_FALSE(s.Flash.VerifyBlank);
    EXPECT_EQ(s.Flash.McuType, "STM32");
}

TEST_F(SettingsFile, AFileThatCannotBeReadGivesTheDefaultsAndIsLeftAsItIs) {
    const std::filesystem::path path = folder.Path() / "settings.ini";
    struct Case {
        const char* name;
        std::function<bool()> make;  // false when the system cannot make this case
        std::function<bool()> unchanged;
    };
    const std::vector<Case> cases = {
        {"a folder", [&] { return std::filesystem::create_directories(path / "inside"); },
         [&] { return std::filesystem::is_directory(path / "inside"); }},
        {"a read that fails with an I/O error",
         [&] {
             if (!std::filesystem::exists("/proc/self/mem")) return false;
             std::filesystem::create_symlink("/proc/self/mem", path);
             return true;
         },
         [&] { return std::filesystem::read_symlink(path) == "/proc/self/mem"; }},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(path);
        if (!c.make()) continue;
        s.Flash = FlashSettings{};
        s.DebugMode = true;
        ASSERT_TRUE(LoadSettings(s, folder.Path())) << c.name;
        const Switches got = Read(s.Flash);
        EXPECT_EQ(got.on, (std::array<bool, 7>{false, true, false, true, true, false, true}))
            << c.name;
        EXPECT_EQ(got.mcuType, "STM32") << c.name;
        EXPECT_FALSE(s.DebugMode) << c.name;
        EXPECT_TRUE(c.unchanged()) << c.name;
    }
}

TEST_F(SettingsFile, AnUnwritableDataFolderStillGivesTheDefaults) {
    // A plain file where the data folder should be: nothing can be created there.
    folder.Write("blocked", "x");
    ASSERT_TRUE(LoadSettings(s, folder.Path() / "blocked" / "BrevRec"));
    const Switches got = Read(s.Flash);
    EXPECT_EQ(got.on, (std::array<bool, 7>{false, true, false, true, true, false, true}));
    EXPECT_EQ(got.mcuType, "STM32");
}

}  // namespace
