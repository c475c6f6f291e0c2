#pragma once
// A program folder of its own for each window test, with the language and
// model files the test asks for, and the shared state the windows run on.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/SharedState.h"
#include "core/SystemPorts.h"
#include "support/FakeComm.h"
#include "support/RecordingUi.h"

struct ListedPorts : PortLister {
    std::vector<std::string> names;
    std::vector<std::string> GetComPortList() override { return names; }
};

// A language file with every section the windows read.
inline const char* kTestLanguage =
    "[Language]\n"
    "L0=Testish\n"
    "[Menu]\n"
    "M0=Test Manager\n"
    "M1=Update Now\n"
    "M2=Fetch Results\n"
    "[ViewFormMenu]\n"
    "V0=Open File\n"
    "V1=Save File\n"
    "V2=Test Results\n"
    "[Form2Menu]\n"
    "F0=General\n"
    "F1=Firmware\n"
    "F2=About\n"
    "F3=Fine\n"
    "F4=Back\n"
    "F5=Port\n"
    "F6=Speed\n"
    "F7=Chip\n"
    "F8=Reset Mode\n"
    "F9=Copy Code\n"
    "F10=Load\n"
    "F11=Options\n"
    "F12=Tongue\n"
    "[Help]\n"
    "H0=help zero\n"
    "H1=help one\n"
    "H2=help two\n"
    "H3=help three\n"
    "H4=Version \n"
    "H5=help five\n"
    "[MAINWEBSITE]\n"
    "W0=unused\n"
    "W1=https://home.test/\n"
    "W2=x\nW3=x\nW4=x\nW5=x\nW6=x\nW7=x\nW8=x\nW9=x\n"
    "W10=https://home.test/support\n"
    "[END]\n";

class WindowFixture : public ::testing::Test {
protected:
    WindowFixture() {
        std::random_device rd;
        root_ = std::filesystem::temp_directory_path() /
                ("brev-gui-" + std::to_string(rd()) + "-" + std::to_string(rd()));
        std::filesystem::create_directories(root_ / "program" / "settings");
        paths.ProgramFolder = root_ / "program";
        paths.DataFolder = root_ / "data";
    }
    ~WindowFixture() override {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    void WriteProgramFile(const std::string& name, const std::string& content) {
        std::ofstream out(paths.ProgramFolder / "settings" / name, std::ios::binary);
        out << content;
    }
    void InstallFiles(const std::string& language = kTestLanguage) {
        WriteProgramFile("languages.ini", language);
        WriteProgramFile("model.ini", "[STM32]\nT0=STM32F103\nS0=08002000\nE0=0801FFFF\n");
    }

    ProgramPaths paths;
    RecordingUi ui;
    FakeComm comm;
    SharedState s{ui, comm};
    ListedPorts ports;

private:
    std::filesystem::path root_;
};
