// The web access against a real HTTP server on the loopback address that each
// test starts and stops itself; the firmware download run over it.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <random>

#include "core/SharedState.h"
#include "firmware/CodeFile.h"
#include "firmware/CodeFileMake.h"
#include "firmware/FirmwareStore.h"
#include "platform/LoopbackHttpServer.h"
#include "platform/PlatformPaths.h"
#include "platform/QtWebAccess.h"
#include "support/FakeComm.h"
#include "support/RecordingUi.h"

namespace {

class TempRoot {
  public:
    TempRoot() {
        std::random_device rd;
        path = std::filesystem::temp_directory_path() /
               ("brev-web-" + std::to_string(rd()) + "-" + std::to_string(rd()));
        std::filesystem::create_directories(path);
    }
    ~TempRoot() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::recursive_directory_iterator(path))
            if (e.is_regular_file())
                names.push_back(std::filesystem::relative(e.path(), path).generic_string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::filesystem::path path;
};

std::string Read(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

QtWebAccess::Options Quick() {
    QtWebAccess::Options o;
    o.StallMs = 700;  // the program waits 30 s; the tests need not
    o.AskSystemForConnection = false;
    return o;
}

class WebDownload : public ::testing::Test {
  protected:
    LoopbackHttpServer server;
    TempRoot dir;
    QtWebAccess web{Quick()};
    std::filesystem::path target() const { return dir.path / "file.txt"; }
};

TEST_F(WebDownload, AWholeBodyArrivesUnderTheTargetName) {
    const QByteArray body(100000, 'x');
    server.Route("/fw.txt", {HttpAnswer::Whole, body});
    ASSERT_TRUE(web.DownloadUrlToFile(server.Url("/fw.txt"), target()));
    EXPECT_EQ(Read(target()), body.toStdString());
    EXPECT_EQ(dir.Files(), std::vector<std::string>{"file.txt"});
}

TEST_F(WebDownload, ARedirectIsFollowed) {
    server.Route("/old",
                 {HttpAnswer::Redirect, {}, 302, QByteArray::fromStdString(server.Url("/new"))});
    server.Route("/new", {HttpAnswer::Whole, "moved here"});
    ASSERT_TRUE(web.DownloadUrlToFile(server.Url("/old"), target()));
    EXPECT_EQ(Read(target()), "moved here");
    EXPECT_EQ(server.Requests(), (QStringList{"/old", "/new"}));
}

TEST_F(WebDownload, AnErrorStatusFailsAndLeavesAnOlderFileAsItWas) {
    std::ofstream(target()) << "older";
    for (int status : {404, 500}) {
        SCOPED_TRACE(status);
        server.Route("/e", {HttpAnswer::Status, "error page", status});
        EXPECT_FALSE(web.DownloadUrlToFile(server.Url("/e"), target()));
        EXPECT_EQ(Read(target()), "older");
        EXPECT_EQ(dir.Files(), std::vector<std::string>{"file.txt"});
    }
}

TEST_F(WebDownload, AStalledTransferFailsAfterTheStallTimeAndLeavesNoFile) {
    server.Route("/slow", {HttpAnswer::Stall, QByteArray(1000, 's')});
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(web.DownloadUrlToFile(server.Url("/slow"), target()));
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_TRUE(dir.Files().empty());
}

TEST_F(WebDownload, ABodyCutShortFailsAndLeavesNoFile) {
    server.Route("/cut", {HttpAnswer::Cut, QByteArray(1000, 'c')});
    EXPECT_FALSE(web.DownloadUrlToFile(server.Url("/cut"), target()));
    EXPECT_TRUE(dir.Files().empty());
}

TEST_F(WebDownload, ABodyLargerThanTheLimitIsRefused) {
    server.Route("/huge", {HttpAnswer::ClaimHuge, QByteArray(10, 'h')});
    EXPECT_FALSE(QtWebAccess(Quick()).DownloadUrlToFile(server.Url("/huge"), target()));
    QtWebAccess::Options small = Quick();
    small.MaxBytes = 1000;
    server.Route("/long", {HttpAnswer::NoLength, QByteArray(5000, 'l')});
    EXPECT_FALSE(QtWebAccess(small).DownloadUrlToFile(server.Url("/long"), target()));
    server.Route("/fits", {HttpAnswer::NoLength, QByteArray(1000, 'f')});
    EXPECT_TRUE(QtWebAccess(small).DownloadUrlToFile(server.Url("/fits"), target()));
    EXPECT_EQ(dir.Files(), std::vector<std::string>{"file.txt"});
}

TEST_F(WebDownload, FileAddressesAreCopiedAndOtherSchemesRefused) {
    std::ofstream(dir.path / "source.txt") << "from a file";
    const std::string url =
        QUrl::fromLocalFile(FromPath(dir.path / "source.txt")).toString().toStdString();
    ASSERT_TRUE(web.DownloadUrlToFile(url, target()));
    EXPECT_EQ(Read(target()), "from a file");
    EXPECT_FALSE(web.DownloadUrlToFile(url + ".missing", dir.path / "other.txt"));
    EXPECT_FALSE(web.DownloadUrlToFile("ftp://127.0.0.1/x", dir.path / "other.txt"));
    EXPECT_FALSE(web.DownloadUrlToFile("not an address", dir.path / "other.txt"));
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"file.txt", "source.txt"}));
}

TEST_F(WebDownload, AClosedPortFailsAtOnce) {
    quint16 port;
    {
        LoopbackHttpServer gone;
        port = gone.Port();
    }
    EXPECT_FALSE(
        web.DownloadUrlToFile("http://127.0.0.1:" + std::to_string(port) + "/x", target()));
}

// The firmware download run end to end over the loopback server.
class FirmwareRunOverHttp : public WebDownload {
  protected:
    FirmwareRunOverHttp() {
        std::filesystem::create_directories(dir.path / "program" / "settings");
        s.Firmware = {dir.path / "data", dir.path / "program" / "settings" / "website.ini",
                      dir.path / "program" / "settings"};
        s.web = &web;
    }
    void WriteList(const std::string& entries) {
        std::ofstream(s.Firmware.ListFile, std::ios::binary)
            << "[MAINWEBSITE]\r\nServer=" << server.Url("/") << "\r\n"
            << entries << "[end]\r\n";
    }
    static QByteArray CodeFileOf(const char* model) {
        std::vector<std::string> lines;
        std::string error;
        MakeCodeFile({model, "2.01.006", "1.000", "over http", "STM32"},
                     BinaryImage({1, 2, 3, 4}, 0x08003000), lines, error);
        QByteArray text;
        for (const auto& l : lines) text += QByteArray::fromStdString(l) + "\r\n";
        return text;
    }
    RecordingUi ui;
    FakeComm comm;
    SharedState s{ui, comm};
};

TEST_F(FirmwareRunOverHttp, ThreeEntriesWithTheSecondMissingNeverAskForTheThird) {
    server.Route("/mirax", {HttpAnswer::Whole, CodeFileOf("Q7301")});
    server.Route("/kovan", {HttpAnswer::Whole, CodeFileOf("Q7303")});
    WriteList("a.txt=" + server.Url("/mirax") + "\r\nb.txt=" + server.Url("/zet") +
              "\r\nc.txt=" + server.Url("/kovan") + "\r\n");
    EXPECT_FALSE(UpdateBrevalonfirmwareFromWebsite(s));
    EXPECT_EQ(server.Requests(), (QStringList{"/mirax", "/zet"}));
    EXPECT_EQ(ui.Log().back(), "Unable to access the BREVALON server\uFF01");
    EXPECT_EQ(dir.Files(),
              (std::vector<std::string>{"data/RAZEncryptioninformation_MIRAX",
                                        "data/SUGdefaultscf_MIRAX.txt", "data/updates/a.txt",
                                        "program/settings/website.ini"}));
}

TEST_F(FirmwareRunOverHttp, UnsafeNamesNeverReachTheServerOrLeaveTheDownloadFolder) {
    server.Route("/zet", {HttpAnswer::Whole, CodeFileOf("Q7302")});
    for (const char* name : {"../../escaped.txt", "..", "", "C:escaped.txt", "AUX.txt"}) {
        SCOPED_TRACE(name);
        WriteList(std::string(name) + "=" + server.Url("/zet") + "\r\n");
        EXPECT_FALSE(UpdateBrevalonfirmwareFromWebsite(s));
        EXPECT_TRUE(server.Requests().isEmpty());
        EXPECT_EQ(dir.Files(), std::vector<std::string>{"program/settings/website.ini"});
    }
}

TEST_F(FirmwareRunOverHttp, AllFilesFetchedAndFiledEndWithTheSuccessLine) {
    server.Route("/zet", {HttpAnswer::Whole, CodeFileOf("Q7302")});
    server.Route("/old-kovan",
                 {HttpAnswer::Redirect, {}, 302, QByteArray::fromStdString(server.Url("/kovan"))});
    server.Route("/kovan", {HttpAnswer::Whole, CodeFileOf("Q7303")});
    WriteList("z.txt=" + server.Url("/zet") + "\r\nk.txt=" + server.Url("/old-kovan") + "\r\n");
    EXPECT_TRUE(UpdateBrevalonfirmwareFromWebsite(s));
    EXPECT_EQ(ui.Log(), (std::vector<std::string>{
                            "Checking for updates, please waiting......",
                            "Successfully download all fimrwares on the BREVALON server!"}));
    EXPECT_EQ(Read(dir.path / "data" / "SUGdefaultscf_KOVAN.txt"),
              CodeFileOf("Q7303").toStdString());
}

}  // namespace
