#pragma once
// A program folder and a data folder of their own for each firmware test, the
// shared state with a recording Ui, and a web access that serves files from a
// table instead of a network.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/SharedState.h"
#include "core/WebAccess.h"
#include "support/FakeComm.h"
#include "support/RecordingUi.h"

// Serves each address from a table: content, or no entry for a failed download.
struct TableWebAccess : WebAccess {
    bool connected = true;
    bool network = true;
    std::map<std::string, std::string> files;
    std::vector<std::string> requested;
    std::vector<std::filesystem::path> targets;

    bool InternetConnected() override { return connected; }
    bool NetworkPresent() override { return network; }
    bool DownloadUrlToFile(const std::string& url, const std::filesystem::path& target) override {
        requested.push_back(url);
        targets.push_back(target);
        const auto it = files.find(url);
        if (it == files.end()) return false;
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        out << it->second;
        return static_cast<bool>(out);
    }
};

class FirmwareFixture : public ::testing::Test {
  protected:
    FirmwareFixture() {
        std::random_device rd;
        root = std::filesystem::temp_directory_path() /
               ("brev-fw-" + std::to_string(rd()) + "-" + std::to_string(rd()));
        std::filesystem::create_directories(root / "program" / "settings");
        paths.ProgramFolder = root / "program";
        paths.DataFolder = root / "data";
        s.Firmware = InstalledFirmwarePlaces(paths);
        s.web = &web;
    }
    ~FirmwareFixture() override {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }

    static void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    static std::string ReadFile(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    static std::string Joined(const std::vector<std::string>& lines, const char* end = "\r\n") {
        std::string text;
        for (const auto& line : lines) text += line + end;
        return text;
    }
    std::vector<std::string> FilesUnder(const std::filesystem::path& folder) const {
        std::vector<std::string> names;
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
             it != std::filesystem::recursive_directory_iterator(); ++it) {
            if (it->is_regular_file()) {
                names.push_back(std::filesystem::relative(it->path(), folder).generic_string());
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::filesystem::path root;
    ProgramPaths paths;
    RecordingUi ui;
    FakeComm comm;
    TableWebAccess web;
    SharedState s{ui, comm};
};

// A code file: the eight header lines with the given model code, sums and
// family, then the body.
inline std::vector<std::string> CodeFile(const std::string& model, const std::string& decodedSum,
                                         const std::string& storedSum, const std::string& family,
                                         const std::vector<std::string>& body) {
    std::vector<std::string> lines = {"Model:" + model,
                                      "Firmware Version:2.01.006",
                                      "Minimum Hardware:1.000",
                                      "Note:test",
                                      "Code Sum:" + decodedSum,
                                      "File Sum:" + storedSum,
                                      "free line",
                                      "MCU:" + family};
    lines.insert(lines.end(), body.begin(), body.end());
    return lines;
}
