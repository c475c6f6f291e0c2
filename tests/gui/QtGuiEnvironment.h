#pragma once
// One QApplication for every window test of a test program. CTest runs them on
// the offscreen platform; a direct run gets it too unless a platform was chosen.

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

class QtGuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "brevalon-tests";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};
