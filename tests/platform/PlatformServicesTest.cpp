#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "platform/PlatformPaths.h"
#include "platform/QtPortLister.h"
#include "platform/SystemClock.h"

namespace {

TEST(QtPortLister, NamedPortsAreTheWholeCandidateList) {
    QtPortLister lister({"/dev/pts/7", "COM9", "/dev/ttyUSB0"});
    EXPECT_EQ(lister.GetComPortList(),
              (std::vector<std::string>{"/dev/pts/7", "COM9", "/dev/ttyUSB0"}));
}

TEST(QtPortLister, SystemPortsAreOpenableDevicePaths) {
    QtPortLister lister;
    for (const std::string& port : lister.GetComPortList()) {
#ifdef _WIN32
        EXPECT_EQ(port.rfind("COM", 0), 0u) << port;
#else
        EXPECT_EQ(port.rfind("/dev/", 0), 0u) << port;
#endif
    }
}

// Restores an environment variable when the test ends.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old, had_ = true;
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    ~ScopedEnv() {
        if (had_) setenv(name_, old_.c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

TEST(PlatformPaths, DataFolderFollowsLocalAppData) {
    ScopedEnv env("LOCALAPPDATA", "/tmp/brev-local");
    const ProgramPaths paths = PlatformPaths();
    EXPECT_EQ(paths.DataFolder, std::filesystem::path("/tmp/brev-local") / "BrevRec");
    EXPECT_EQ(paths.ProgramFolder, ToPath(QCoreApplication::applicationDirPath()));
}

TEST(PlatformPaths, WithoutLocalAppDataTheUsersDataLocationHoldsBrevRec) {
    ScopedEnv env("LOCALAPPDATA", nullptr);
    const ProgramPaths paths = PlatformPaths();
    EXPECT_EQ(paths.DataFolder.filename(), "BrevRec");
    EXPECT_TRUE(paths.DataFolder.is_absolute());
}

TEST(PlatformPaths, PathTextsSurviveTheRoundTrip) {
    const QString text = QString::fromUtf8("/tmp/Brevalon Däta/ünits");
    EXPECT_EQ(FromPath(ToPath(text)), text);
}

TEST(SystemClock, TellsTheLocalTime) {
    SystemClock clock;
    std::tm now = clock.Now();
    const std::time_t told = std::mktime(&now);
    const std::time_t actual = std::time(nullptr);
    EXPECT_LE(std::abs(static_cast<long>(actual - told)), 2L);
}

}  // namespace
