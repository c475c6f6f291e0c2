// The firmware store: the web download run over the list file, the loads from
// the store and the factory copies, and the settings window's two actions.

#include <gtest/gtest.h>

#include "firmware/CodeFile.h"
#include "firmware/FirmwareFileIo.h"
#include "firmware/FirmwareFixture.h"
#include "firmware/FirmwareStore.h"

namespace {

// Good code files of each model (family without offset), told apart by version.
std::string GoodFile(const std::string& model, const std::string& version = "2.01.006") {
    auto lines = CodeFile(model, "46", "46", "AT24", {"@1100", "12 34", "q"});
    lines[1] = "Firmware Version:" + version;
    std::string text;
    for (const auto& l : lines) text += l + "\r\n";
    return text;
}
std::string BadSumFile(const std::string& model) {
    std::string text;
    for (const auto& l : CodeFile(model, "46", "47", "AT24", {"@1100", "12 34", "q"}))
        text += l + "\r\n";
    return text;
}

const char* kChecking = "Checking for updates, please waiting......";
const char* kNoInternet =
    "Unable to connect to Internet, or cannot access a BREVALON web site\uFF01";
const char* kListMissing = "System file not found.";
const char* kServerUnreachable = "Unable to access the BREVALON server\uFF01";
const char* kAllDownloaded = "Successfully download all fimrwares on the BREVALON server!";

class WebDownloadRun : public FirmwareFixture {
  protected:
    void WriteList(const std::string& text) {
        WriteFile(paths.ProgramFolder / "settings" / "website.ini", text);
    }
    std::filesystem::path Updates() const { return paths.DataFolder / "updates"; }
    std::filesystem::path Store(const char* name) const { return paths.DataFolder / name; }
};

TEST_F(WebDownloadRun, FetchesChecksAndFilesEveryEntryByItsOwnModel) {
    WriteList(
        "[MAINWEBSITE]\nServer=http://fw.test/\na.txt=http://fw.test/a\n"
        "b.txt=http://fw.test/b\n[end]\n");
    web.files = {{"http://fw.test/a", GoodFile("Q7303")}, {"http://fw.test/b", GoodFile("Q7301")}};
    EXPECT_TRUE(UpdateBrevalonfirmwareFromWebsite(s));
    EXPECT_EQ(ui.Log(), (std::vector<std::string>{kChecking, kAllDownloaded}));
    EXPECT_EQ(web.targets.front(), Updates() / "a.txt");
    EXPECT_EQ(ReadFile(Store("SUGdefaultscf_KOVAN.txt")), GoodFile("Q7303"));
    EXPECT_EQ(ReadFile(Store("SUGdefaultscf_MIRAX.txt")), GoodFile("Q7301"));
    EXPECT_EQ(CurrentFirmwareOf(s).ModelType, 1);  // the last file of the list is current
}

TEST_F(WebDownloadRun, TheLineRightAfterTheHeaderIsNeverRead) {
    WriteList("[MAINWEBSITE]\na.txt=http://fw.test/a\nb.txt=http://fw.test/b\n[end]\n");
    web.files = {{"http://fw.test/a", GoodFile("Q7303")}, {"http://fw.test/b", GoodFile("Q7301")}};
    EXPECT_TRUE(UpdateBrevalonfirmwareFromWebsite(s));
    EXPECT_EQ(web.requested, (std::vector<std::string>{"http://fw.test/b"}));
}

TEST_F(WebDownloadRun, WithoutAHeaderEntriesAreReadFromTheSecondLine) {
    WriteList("a.txt=http://fw.test/a\nb.txt=http://fw.test/b\n[end]\n");
    web.files = {{"http://fw.test/b", GoodFile("Q7301")}};
    EXPECT_TRUE(UpdateBrevalonfirmwareFromWebsite(s));
    EXPECT_EQ(web.requested, (std::vector<std::string>{"http://fw.test/b"}));
}

TEST_F(WebDownloadRun, TheFirstFailedDownloadEndsTheRunAndLaterEntriesAreNotTried) {
    WriteList(
        "[MAINWEBSITE]\nx\na.txt=http://fw.test/a\nb.txt=http://fw.test/missing\n"
        "c.txt=http://fw.test/c\n[end]\n");
    web.files = {{"http://fw.test/a", GoodFile("Q7303")}, {"http://fw.test/c", GoodFile("Q7301")}};
    EXPECT_FALSE(UpdateBrevalonfirmwareFromWebsite(s));
    EXPECT_EQ(ui.Log(), (std::vector<std::string>{kChecking, kServerUnreachable}));
    EXPECT_EQ(web.requested,
              (std::vector<std::string>{"http://fw.test/a", "http://fw.test/missing"}));
    EXPECT_EQ(ReadFile(Store("SUGdefaultscf_KOVAN.txt")), GoodFile("Q7303"));  // stays filed
}

TEST_F(WebDownloadRun, AFileWithBadSumsStaysInUpdatesAndIsNotFiled) {
    WriteFile(Store("SUGdefaultscf_ZET.txt"), GoodFile("Q7302", "1.00.001"));
    WriteList("[MAINWEBSITE]\nx\nz.txt=http://fw.test/z\nk.txt=http://fw.test/k\n[end]\n");
    web.files = {{"http://fw.test/z", BadSumFile("Q7302")},
                 {"http://fw.test/k", GoodFile("Q7303")}};
    EXPECT_FALSE(UpdateBrevalonfirmwareFromWebsite(s));
    EXPECT_EQ(ui.Log(), (std::vector<std::string>{kChecking}));  // no message for it
    EXPECT_EQ(ReadFile(Updates() / "z.txt"), BadSumFile("Q7302"));
    EXPECT_EQ(ReadFile(Store("SUGdefaultscf_ZET.txt")), GoodFile("Q7302", "1.00.001"));
    EXPECT_EQ(web.requested.size(), 1u);
}

TEST_F(WebDownloadRun, OfTwoEntriesForOneModelTheSecondIsFiled) {
    WriteList("[MAINWEBSITE]\nx\nz1.txt=http://fw.test/1\nz2.txt=http://fw.test/2\n[end]\n");
    web.files = {{"http://fw.test/1", GoodFile("Q7302", "2.00.001")},
                 {"http://fw.test/2", GoodFile("ZET", "2.00.002")}};
    EXPECT_TRUE(UpdateBrevalonfirmwareFromWebsite(s));
    EXPECT_EQ(ReadFile(Store("SUGdefaultscf_ZET.txt")), GoodFile("ZET", "2.00.002"));
}

TEST_F(WebDownloadRun, OfflineTheRunStopsBeforeReadingTheList) {
    WriteList("[MAINWEBSITE]\nx\na.txt=http://fw.test/a\n[end]\n");
    for (auto [internet, network] : {std::pair{false, true}, {true, false}}) {
        ui.Clear();
        web.connected = internet;
        web.network = network;
        EXPECT_FALSE(UpdateBrevalonfirmwareFromWebsite(s));
        EXPECT_EQ(ui.Log(), (std::vector<std::string>{kChecking, kNoInternet}));
    }
    s.web = nullptr;
    EXPECT_FALSE(UpdateBrevalonfirmwareFromWebsite(s));
    EXPECT_TRUE(web.requested.empty());
}

TEST_F(WebDownloadRun, AMissingListIsReported) {
    EXPECT_FALSE(UpdateBrevalonfirmwareFromWebsite(s));
    EXPECT_EQ(ui.Log(), (std::vector<std::string>{kChecking, kListMissing}));
}

TEST_F(WebDownloadRun, AListWithNoEntryOrNoEndGivesTheLastEntrysResult) {
    WriteList("[MAINWEBSITE]\nx\n[end]\n");
    EXPECT_FALSE(UpdateBrevalonfirmwareFromWebsite(s));
    WriteList("[MAINWEBSITE]\nx\na.txt=http://fw.test/a\n");
    web.files = {{"http://fw.test/a", GoodFile("Q7303")}};
    ui.Clear();
    EXPECT_TRUE(UpdateBrevalonfirmwareFromWebsite(s));
    EXPECT_EQ(ui.Log(), (std::vector<std::string>{kChecking}));  // no [end], no success line
}

TEST_F(WebDownloadRun, TheAddressIsEverythingAfterTheFirstEqualsSign) {
    WriteList("[MAINWEBSITE]\nx\na.txt=http://fw.test/get?f=a&v=2\n[end]\n");
    web.files = {{"http://fw.test/get?f=a&v=2", GoodFile("Q7303")}};
    EXPECT_TRUE(UpdateBrevalonfirmwareFromWebsite(s));
}

TEST_F(WebDownloadRun, NamesThatAreNotPlainFileNamesFailLikeAFailedDownload) {
    const char* names[] = {"",           "../SUGdefaultscf_ZET.txt",
                           "sub/a.txt",  "sub\\a.txt",
                           "..",         ".",
                           "C:a.txt",    "C:\\a.txt",
                           "/tmp/a.txt", "CON",
                           "nul.txt",    "Com1.txt",
                           "LPT9",       "a.txt.",
                           "a.txt ",     "a\tb.txt",
                           "a?.txt"};
    for (const char* name : names) {
        SCOPED_TRACE(std::string("name '") + name + "'");
        ui.Clear();
        web.requested.clear();
        WriteList(std::string("[MAINWEBSITE]\nx\n") + name + "=http://fw.test/a\n[end]\n");
        web.files = {{"http://fw.test/a", GoodFile("Q7302")}};
        EXPECT_FALSE(UpdateBrevalonfirmwareFromWebsite(s));
        EXPECT_EQ(ui.Log(), (std::vector<std::string>{kChecking, kServerUnreachable}));
        EXPECT_TRUE(web.requested.empty());
        EXPECT_EQ(FilesUnder(root), (std::vector<std::string>{"program/settings/website.ini"}));
    }
    EXPECT_FALSE(IsPlainFileName("\x7F"));
    EXPECT_TRUE(IsPlainFileName("SUGdefaultscf_ZET.txt"));
    EXPECT_TRUE(IsPlainFileName("a..b.txt"));
    EXPECT_TRUE(IsPlainFileName("CONSOLE.txt"));
    EXPECT_TRUE(IsPlainFileName("COM10.txt"));
}

class FirmwareLoads : public FirmwareFixture {
  protected:
    std::filesystem::path Factory(const char* name) const {
        return paths.ProgramFolder / "settings" / name;
    }
    std::filesystem::path Store(const char* name) const { return paths.DataFolder / name; }
};

TEST_F(FirmwareLoads, AFreshStoreGetsTheFactoryCopyWhichIsUsedFromThenOn) {
    WriteFile(Factory("SUGdefaultscf_ZET.txt"), GoodFile("Q7302", "1.00.001"));
    EXPECT_EQ(LoadModelFirmware(s, 2), FirmwareLoad::Loaded);
    EXPECT_EQ(ReadFile(Store("SUGdefaultscf_ZET.txt")), GoodFile("Q7302", "1.00.001"));
    WriteFile(Factory("SUGdefaultscf_ZET.txt"), GoodFile("Q7302", "9.00.009"));
    EXPECT_EQ(LoadModelFirmware(s, 2), FirmwareLoad::Loaded);
    EXPECT_EQ(CurrentFirmwareOf(s).Version, "1.00.001");
}

TEST_F(FirmwareLoads, WithNeitherCopyTheLoadIsMissingAndWithABadOneRejected) {
    EXPECT_EQ(LoadModelFirmware(s, 3), FirmwareLoad::Missing);
    WriteFile(Store("SUGdefaultscf_KOVAN.txt"), BadSumFile("Q7303"));
    EXPECT_EQ(LoadModelFirmware(s, 3), FirmwareLoad::Rejected);
    s.Firmware = {};
    EXPECT_EQ(LoadModelFirmware(s, 3), FirmwareLoad::Missing);  // places not set: nothing read
}

TEST_F(FirmwareLoads, AStoreCopyKeepsEveryLine) {
    const std::string text = "Model:Q7302\r\n\r\n  trailing blanks  \r\nna\xC3\xAFve\r\nlast";
    WriteFile(root / "source.txt", text);
    ASSERT_TRUE(StoreModelFirmware(s, root / "source.txt", 2));
    std::vector<std::string> source, copy;
    ASSERT_TRUE(ReadFirmwareLines(root / "source.txt", source));
    ASSERT_TRUE(ReadFirmwareLines(Store("SUGdefaultscf_ZET.txt"), copy));
    EXPECT_EQ(copy, source);
    EXPECT_EQ(copy.size(), 5u);
    EXPECT_FALSE(StoreModelFirmware(s, root / "no-such-file.txt", 2));
}

TEST_F(FirmwareLoads, AtTheSettingsWindowsCreationAMissingFileIsOnlyLogged) {
    LoadFirmwareAtCreation(s);
    EXPECT_EQ(ui.Log(), (std::vector<std::string>{"The Copy Code file is missing!"}));
    EXPECT_TRUE(ui.Of("beep").empty());
    EXPECT_TRUE(ui.Of("box").empty());
}

TEST_F(FirmwareLoads, AtTheSettingsWindowsCreationARejectedFileBeepsAndShowsTheBox) {
    WriteFile(Factory("SUGdefaultscf_ZET.txt"), BadSumFile("Q7302"));
    LoadFirmwareAtCreation(s);
    EXPECT_EQ(ui.Of("beep").size(), 1u);
    EXPECT_EQ(ui.Of("box"), (std::vector<std::string>{"The Copy Code file is missing!"}));
}

TEST_F(FirmwareLoads, AtTheSettingsWindowsCreationTheZetFirmwareBecomesCurrent) {
    WriteFile(Factory("SUGdefaultscf_ZET.txt"), GoodFile("Q7302"));
    LoadFirmwareAtCreation(s);
    EXPECT_TRUE(ui.Events().size() > 0);
    EXPECT_TRUE(ui.Of("box").empty());
    EXPECT_EQ(ui.CodeFileList().front(), "Model:ZET");
    EXPECT_EQ(s.FirmwareModelType.load(), 2);
}

TEST_F(FirmwareLoads, ReloadFilesAnotherModelsFileAsThatModelsFirmware) {
    WriteFile(root / "picked.txt", GoodFile("Q7303"));
    std::string shown;
    EXPECT_TRUE(ReloadCopyCode(s, root / "picked.txt", [&](const std::string& p) { shown = p; }));
    EXPECT_EQ(shown, Utf8FromPath(root / "picked.txt"));
    EXPECT_EQ(ReadFile(Store("SUGdefaultscf_KOVAN.txt")), GoodFile("Q7303"));
    EXPECT_FALSE(std::filesystem::exists(Store("SUGdefaultscf_ZET.txt")));
    EXPECT_EQ(ui.CodeFileList(),
              (std::vector<std::string>{"Model:KOVAN", "Firmware Version:2.01.006",
                                        "Minimum Hardware:1.000", "Note:test",
                                        "The Copy Code file had been loaded successful!"}));
}

TEST_F(FirmwareLoads, ReloadOfAShortFileListsOnlyTheFailure) {
    WriteFile(root / "short.txt", "Model:Q7302\r\n@1100\r\nq\r\n");
    EXPECT_FALSE(ReloadCopyCode(s, root / "short.txt"));
    EXPECT_EQ(ui.CodeFileList(), (std::vector<std::string>{"Failed to load the copy code file!"}));
    EXPECT_TRUE(FilesUnder(paths.DataFolder).empty());
}

TEST_F(FirmwareLoads, ReloadOfAFileThatIsNotThereBeepsAndShowsFileError) {
    std::string shown = "untouched";
    EXPECT_FALSE(ReloadCopyCode(s, root / "gone.txt", [&](const std::string& p) { shown = p; }));
    EXPECT_EQ(ui.Of("beep").size(), 1u);
    EXPECT_EQ(ui.Of("box"), (std::vector<std::string>{"File error!"}));
    EXPECT_EQ(shown, "untouched");
    EXPECT_TRUE(ui.Of("code-clear").empty());
}

TEST_F(FirmwareLoads, ReloadOfAFileWithANonHexadecimalSumTellsItOnce) {
    auto lines = CodeFile("Q7302", "zz", "0", "AT24", {"@1100", "q"});
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    WriteFile(root / "nothex.txt", text);
    EXPECT_FALSE(ReloadCopyCode(s, root / "nothex.txt"));
    EXPECT_EQ(ui.Of("box").size(), 1u);
    EXPECT_TRUE(ui.CodeFileList().empty());
    EXPECT_TRUE(FilesUnder(paths.DataFolder).empty());
}

}  // namespace
