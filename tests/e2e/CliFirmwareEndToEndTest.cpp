// brevalon-cli's firmware commands as a user runs them: making and checking
// code files, and fetching the demo firmware into the demo store.

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <fstream>
#include <string>

namespace {

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

CliResult Cli(const QStringList& arguments, const QString& dataFolder) {
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LOCALAPPDATA"), dataFolder);
    cli.setProcessEnvironment(env);
    cli.start(QStringLiteral(BREV_BIN_DIR "/brevalon-cli"), arguments);
    CliResult run;
    if (!cli.waitForFinished(60000)) {
        cli.kill();
        cli.waitForFinished();
        return run;
    }
    run.exitCode = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    run.out = cli.readAllStandardOutput().toStdString();
    run.err = cli.readAllStandardError().toStdString();
    return run;
}

std::string Read(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Write(const QString& path, const std::string& bytes) {
    std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

TEST(CliFirmware, MakeThenCheckAnIntelHexImage) {
    QTemporaryDir dir;
    Write(dir.filePath("fw.hex"), ":020000040800F2\n:0430000001020304C2\n:00000001FF\n");
    const QString file = dir.filePath("SUGdefaultscf_ZET.txt");
    const CliResult made =
        Cli({"codefile", "make", "--model", "Q7302", "--version", "2.01.007", "--min-hardware",
             "1.000", "--family", "STM32", "--note", "cli", dir.filePath("fw.hex"), "-o", file},
            dir.path());
    ASSERT_EQ(made.exitCode, 0) << made.err;
    // 01 02 03 04 plus the STM32 offset 5A each.
    EXPECT_EQ(Read(file),
              "Model:Q7302\r\nFirmware Version:2.01.007\r\nMinimum Hardware:1.000\r\nNote:cli\r\n"
              "Code Sum:0000000A\r\nFile Sum:00000172\r\nBrevalon firmware code file\r\n"
              "MCU:STM32\r\n@08003000\r\n5B 5C 5D 5E\r\nq\r\n");

    const CliResult checked = Cli({"codefile", "check", file}, dir.path());
    EXPECT_EQ(checked.exitCode, 0) << checked.err;
    EXPECT_NE(checked.out.find("Model type: 2 (ZET)"), std::string::npos) << checked.out;
    EXPECT_NE(checked.out.find("MCU family: STM32, offset 0x5A"), std::string::npos);
    EXPECT_NE(checked.out.find("Decoded sum: 0000000A"), std::string::npos);
    EXPECT_NE(checked.out.find("Accepted."), std::string::npos);

    const CliResult again =
        Cli({"codefile", "make", "--model", "Q7302", "--version", "2", "--min-hardware", "1",
             "--family", "STM32", dir.filePath("fw.hex"), "-o", file},
            dir.path());
    EXPECT_EQ(again.exitCode, 5);  // exists, no --force
}

TEST(CliFirmware, CheckRejectsADamagedFileWithTheReason) {
    QTemporaryDir dir;
    const QString file = dir.filePath("bad.txt");
    Write(file,
          "Model:Q7302\nV:1\nH:1\nN:\nSum:0000000A\nSum:00000173\n-\nMCU:STM32\n@0\n"
          "5B 5C 5D 5E\nq\n");
    const CliResult run = Cli({"codefile", "check", file}, dir.path());
    EXPECT_EQ(run.exitCode, 8);
    EXPECT_NE(run.err.find("the sums do not match"), std::string::npos) << run.err;
    Write(file, "Model:Q7302\nV:1\nH:1\nN:\nSum:0G\nSum:0\n-\nMCU:STM32\n@0\nq\n");
    const CliResult notHex = Cli({"codefile", "check", file}, dir.path());
    EXPECT_EQ(notHex.exitCode, 8);
    EXPECT_NE(notHex.err.find("line 5 is not a hexadecimal number"), std::string::npos);
}

TEST(CliFirmware, TheDemoFetchFillsTheDemoStoreAndNeverTheUsersStore) {
    QTemporaryDir dir;
    const CliResult run = Cli({"--demo", "firmware", "fetch"}, dir.path());
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("Checking for updates, please waiting......"), std::string::npos);
    EXPECT_NE(run.out.find("Successfully download all fimrwares on the BREVALON server!"),
              std::string::npos);
    const QDir demo(dir.filePath("BrevRecDemo"));
    for (const char* name :
         {"SUGdefaultscf_MIRAX.txt", "SUGdefaultscf_ZET.txt", "SUGdefaultscf_KOVAN.txt",
          "RAZEncryptioninformation_KOVAN", "updates/SUGdefaultscf_ZET.txt"}) {
        EXPECT_TRUE(demo.exists(QString::fromLatin1(name))) << name;
    }
    EXPECT_EQ(Read(demo.filePath("SUGdefaultscf_ZET.txt")),
              Read(QStringLiteral(BREV_BIN_DIR "/demo/firmware/SUGdefaultscf_ZET.txt")));
    const QDir real(dir.filePath("BrevRec"));
    const QStringList realFiles = real.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    EXPECT_EQ(realFiles, QStringList{"settings.ini"});  // the settings file, no firmware
}

}  // namespace
