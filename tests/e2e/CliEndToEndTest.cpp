// brevalon-cli as a user runs it: against brevsim on a pseudo-terminal and
// against its built-in virtual breathalyser.

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "SimRecords.h"
#include "e2e/Brevsim.h"

namespace {

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

CliRun RunCli(const QStringList& arguments, const QString& dataFolder) {
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LOCALAPPDATA"), dataFolder);
    cli.setProcessEnvironment(env);
    cli.start(QStringLiteral(BREV_BIN_DIR "/brevalon-cli"), arguments);
    CliRun run;
    if (!cli.waitForFinished(120000)) {
        cli.kill();
        cli.waitForFinished();
        return run;
    }
    run.exitCode = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    run.out = cli.readAllStandardOutput().toStdString();
    run.err = cli.readAllStandardError().toStdString();
    return run;
}

// The grid lines of a results file: every line after the marker, titles first.
std::vector<std::string> GridLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    bool inGrid = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (inGrid) lines.push_back(line);
        if (line == "[Start to Write Datum Records]") inGrid = true;
    }
    return lines;
}

std::string TwoDigits(int v) { return (v < 10 ? "0" : "") + std::to_string(v); }

TEST(CliEndToEnd, DownloadFromBrevsimOnAPseudoTerminalWritesEveryRecord) {
    Brevsim sim({"--records", "50", "--set", "11"});
    ASSERT_FALSE(sim.Port().isEmpty());
    QTemporaryDir dir;
    const QString out = dir.filePath("out.csv");

    const CliRun run =
        RunCli({"--port", sim.Port(), "--timeout", "20", "download", "-o", out}, dir.path());

    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Breathalyser successfully connected."), std::string::npos);
    const auto lines = GridLines(out.toStdString());
    const auto records = GenerateRecords(11, 50);
    ASSERT_EQ(lines.size(), records.size() + 1);
    EXPECT_EQ(lines[0], "Counter ,Measure Mode ,Measure Result ,Measure Date ,Measure Time ,");
    for (size_t i = 0; i < records.size(); ++i) {
        const SimRecord& r = records[i];
        std::istringstream fields(lines[i + 1]);
        std::string counter, mode, result, date, time;
        std::getline(fields, counter, ',');
        std::getline(fields, mode, ',');
        std::getline(fields, result, ',');
        std::getline(fields, date, ',');
        std::getline(fields, time, ',');
        EXPECT_EQ(counter, std::to_string(r.Counter) + " ") << "record " << i + 1;
        EXPECT_EQ(date, TwoDigits(r.Day) + "/" + TwoDigits(r.Month) + "/" + std::to_string(r.Year) + " ");
        EXPECT_EQ(time, TwoDigits(r.Hour) + ":" + TwoDigits(r.Minute) + ":" + TwoDigits(r.Second) + " ");
    }
}

TEST(CliEndToEnd, NoDeviceOnTheNamedPortEndsWithAnErrorAfterTheTimeout) {
    QTemporaryDir dir;
    const CliRun run = RunCli({"--port", "/dev/brev-no-such-port", "--timeout", "2", "download",
                               "-o", dir.filePath("out")},
                              dir.path());
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.err.find("No breathalyser found within 2 s."), std::string::npos);
}

TEST(CliEndToEnd, DemoDownloadNeedsNoHardware) {
    QTemporaryDir dir;
    const QString out = dir.filePath("demo");
    const CliRun run = RunCli({"--demo", "download", "-o", out}, dir.path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(GridLines(dir.filePath("demo.csv").toStdString()).size(), 51u);
}

TEST(CliEndToEnd, BadArgumentsShowTheUsage) {
    QTemporaryDir dir;
    const CliRun run = RunCli({"--timeout", "soon", "download"}, dir.path());
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("Usage: brevalon-cli"), std::string::npos);
}

}  // namespace
