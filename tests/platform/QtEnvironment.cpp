// Qt needs its application object before any thread or serial port is made.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <memory>

namespace {

class QtCoreEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "test_platform";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QCoreApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QCoreApplication> app_;
};

[[maybe_unused]] auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtCoreEnvironment);

}  // namespace
