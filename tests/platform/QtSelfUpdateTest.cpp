// The program's own update check: the information file and its outcomes, over
// a loopback HTTP server the test starts.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "core/SelfUpdate.h"
#include "platform/LoopbackHttpServer.h"
#include "platform/QtSelfUpdate.h"

namespace {

struct Events : SelfUpdateEvents {
    int none = 0;
    std::vector<UpdateInformation> offers;
    void NoUpdateAvailable() override { ++none; }
    void UpdateAvailable(const UpdateInformation& info) override { offers.push_back(info); }
};

// Runs the event loop until the check has ended (bounded).
void WaitForEnd(const QtSelfUpdate& check) {
    QElapsedTimer clock;
    clock.start();
    while (check.Checking() && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

QByteArray Info(const char* version) {
    return QByteArray("[BrevalonDataManager]\r\nVersion=") + version +
           "\r\nDate=02/03/2018\r\nDownload=https://updates.brevalon.example/new.exe\r\n";
}

class SelfUpdateCheck : public ::testing::Test {
  protected:
    void Check(const std::string& url) {
        QtSelfUpdate check(url, "1.0.2.24", 5000);
        check.SetEvents(&events);
        check.CheckUpdate(true);
        EXPECT_TRUE(check.Checking());  // never waits for the host
        WaitForEnd(check);
        EXPECT_FALSE(check.Checking());
    }
    LoopbackHttpServer server;
    Events events;
};

TEST_F(SelfUpdateCheck, ANewerVersionIsOfferedWithItsAddress) {
    server.Route("/Brevalon/updatebrevalon.inf", {HttpAnswer::Whole, Info("1.0.2.25")});
    Check(server.Url("/Brevalon/updatebrevalon.inf"));
    ASSERT_EQ(events.offers.size(), 1u);
    EXPECT_EQ(events.offers[0].Version, "1.0.2.25");
    EXPECT_EQ(events.offers[0].Date, "02/03/2018");
    EXPECT_EQ(events.offers[0].Download, "https://updates.brevalon.example/new.exe");
    EXPECT_EQ(events.none, 0);
}

TEST_F(SelfUpdateCheck, TheSameOrAnOlderVersionRaisesTheNoUpdateEvent) {
    for (const char* version : {"1.0.2.24", "1.0.2", "0.9.9.99"}) {
        server.Route("/inf", {HttpAnswer::Whole, Info(version)});
        Check(server.Url("/inf"));
    }
    EXPECT_EQ(events.none, 3);
    EXPECT_TRUE(events.offers.empty());
}

TEST_F(SelfUpdateCheck, AnUnreachableHostOrAnInvalidFileShowsNothing) {
    server.Route("/bad", {HttpAnswer::Whole, "Version=9.9\r\n"});
    Check(server.Url("/bad"));
    Check(server.Url("/missing"));  // 404
    quint16 port;
    {
        LoopbackHttpServer gone;
        port = gone.Port();
    }
    Check("http://127.0.0.1:" + std::to_string(port) + "/inf");
    EXPECT_EQ(events.none, 0);
    EXPECT_TRUE(events.offers.empty());
}

TEST(UpdateInformationFile, IsReadByItsLayoutOnly) {
    const struct {
        std::vector<std::string> lines;
        bool valid;
    } cases[] = {
        {{"[BrevalonDataManager]", "Version=1.2", "Date=12/31/2020", "Download=http://h/x"}, true},
        {{"junk", "[BrevalonDataManager]", "Version=1.2.3.4", "Date=01/01/2021",
          "Download=https://h/x", ""},
         true},
        {{"[BrevalonDataManager]", "Version=1.2", "Date=12/31/2020"}, false},
        {{"[brevalondatamanager]", "Version=1.2", "Date=12/31/2020", "Download=http://h/x"}, false},
        {{"[BrevalonDataManager]", "Date=12/31/2020", "Version=1.2", "Download=http://h/x"}, false},
        {{"[BrevalonDataManager]", "Version=1.2a", "Date=12/31/2020", "Download=http://h/x"},
         false},
        {{"[BrevalonDataManager]", "Version=1.2.3.4.5", "Date=12/31/2020", "Download=http://h/x"},
         false},
        {{"[BrevalonDataManager]", "Version=1.2", "Date=31/12/2020", "Download=http://h/x"}, false},
        {{"[BrevalonDataManager]", "Version=1.2", "Date=12/31/2020", "Download=file:///x"}, false},
        {{"[BrevalonDataManager]", "Version=1.2", "Date=12/31/2020", "Download=http://h/a b"},
         false},
    };
    for (const auto& c : cases) {
        UpdateInformation info;
        EXPECT_EQ(ParseUpdateInformation(c.lines, info), c.valid) << c.lines.size();
    }
    EXPECT_GT(CompareVersionNumbers("1.0.10", "1.0.9.99"), 0);
    EXPECT_EQ(CompareVersionNumbers("1.0", "1.0.0.0"), 0);
    EXPECT_LT(CompareVersionNumbers("1.0.2.24", "1.0.2.25"), 0);
}

}  // namespace
