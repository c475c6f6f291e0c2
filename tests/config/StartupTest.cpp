#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "support/NullComm.h"
#include "TempFolder.h"
#include "app/AppTexts.h"
#include "core/Paths.h"
#include "core/SharedState.h"
#include "config/Startup.h"
#include "support/RecordingUi.h"

namespace {

class Startup : public ::testing::Test {
  protected:
    RecordingUi ui;
    NullComm port;
    SharedState s{ui, port};
    TempFolder folder;
};

TEST_F(Startup, BootTicksCountUpAndResetToZero) {
    EXPECT_EQ(ReadBootTicks(s), 0);
    EXPECT_EQ(StepBootTicks(s, true), 1);
    EXPECT_EQ(StepBootTicks(s, true), 2);
    EXPECT_EQ(StepBootTicks(s, true), 3);
    EXPECT_EQ(ReadBootTicks(s), 3);
    EXPECT_EQ(StepBootTicks(s, false), 0);
    EXPECT_EQ(ReadBootTicks(s), 0);
}

TEST_F(Startup, MissingLanguageAndModelFilesAreBothReportedAndTheStateIsStillReset) {
    const ProgramPaths paths{folder.Path() / "program", folder.Path() / "data" / "BrevRec"};
    s.FirmwareFetched = true;
    s.Connected = 1;
    s.PortBaudRate = 9600;
    s.LinkMode = 11;
    s.SearchTrigger = 1;
    s.RxWritePos = 17;
    s.RxRing[1024] = 0x55;
    s.RxRing[1025] = 0x66;
    s.TxPayload[512] = 0x77;

    const StartupResult result = LoadConfiguration(s, paths);

    EXPECT_FALSE(result.LanguageLoaded);
    EXPECT_FALSE(result.ModelLoaded);
    EXPECT_FALSE(s.Texts.Exists);
    EXPECT_TRUE(s.ModelTable.empty());
    EXPECT_FALSE(s.FirmwareFetched);
    EXPECT_EQ(s.Connected, 0);
    EXPECT_EQ(s.PortBaudRate, 115200);
    EXPECT_EQ(s.LinkMode, 0);
    EXPECT_EQ(s.SearchTrigger, 0xFF);
    EXPECT_EQ(s.RxWritePos, 0);
    EXPECT_EQ(s.RxRing[1024], 0);
    EXPECT_EQ(s.RxRing[1025], 0x66);  // only the first 1025 bytes are cleared
    EXPECT_EQ(s.TxPayload[512], 0);
    // The settings are read first, whatever happens to the other files.
    EXPECT_TRUE(std::filesystem::exists(paths.DataFolder / "settings.ini"));
    EXPECT_EQ(s.Flash.McuType, "STM32");
    // Lookups without a table still work.
    EXPECT_EQ(Text(s.Texts, kUpdateCheckFailed), "Failed to check for updates.");
    EXPECT_EQ(Text(s.Texts, kMainCaption), "");
}

TEST_F(Startup, FoldersInPlaceOfTheFilesAreReportedAsMissingFiles) {
    const ProgramPaths paths{folder.Path() / "program", folder.Path() / "data" / "BrevRec"};
    for (const auto& p :
         {paths.DataFolder / "settings.ini", paths.ProgramFolder / "settings" / "languages.ini",
          paths.ProgramFolder / "settings" / "model.ini"}) {
        std::filesystem::create_directories(p / "inside");
    }
    const StartupResult result = LoadConfiguration(s, paths);
    EXPECT_FALSE(result.LanguageLoaded);
    EXPECT_FALSE(result.ModelLoaded);
    EXPECT_EQ(result.LanguageFailure.Problem, TextReadProblem::IsFolder);
    EXPECT_EQ(result.ModelFailure.Problem, TextReadProblem::IsFolder);
    EXPECT_EQ(s.Flash.McuType, "STM32");  // the defaults, as for a missing settings file
    EXPECT_TRUE(s.Flash.EraseMain);
    EXPECT_EQ(s.SearchTrigger, 0xFF);
}

TEST_F(Startup, TheInstalledFilesLoad) {
    const ProgramPaths paths{BREV_SOURCE_DIR, folder.Path() / "BrevRec"};
    const StartupResult result = LoadConfiguration(s, paths);
    EXPECT_TRUE(result.LanguageLoaded);
    EXPECT_TRUE(result.ModelLoaded);
    EXPECT_TRUE(s.Texts.Exists);
    EXPECT_FALSE(s.ModelTable.empty());
    EXPECT_EQ(Text(s.Texts, kMainCaption), "Brevalon\u00AE Data Manager");
}

TEST(DataFolder, LocalAppDataIsUsedOnlyWhenSetAndNotEmpty) {
    const std::filesystem::path fallback = "/home/user/.local/share/BrevRec";
    EXPECT_EQ(DataFolderFrom(nullptr, fallback), fallback);
    EXPECT_EQ(DataFolderFrom("", fallback), fallback);
    EXPECT_EQ(DataFolderFrom("/tmp/Local", fallback), std::filesystem::path("/tmp/Local/BrevRec"));
}

}  // namespace
