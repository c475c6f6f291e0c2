// The writer every file of the program goes through: what it reports, and how
// it writes what is not an ordinary file.

#ifndef _WIN32

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "core/SafeFileWrite.h"
#include "results/ChildProcess.h"

namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

size_t EntryCount(const fs::path& folder) {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

class SafeFileWriteTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("brev-write-" + std::to_string(std::random_device{}()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::permissions(dir, fs::perms(0755));
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path dir;
};

TEST_F(SafeFileWriteTest, TheContentIsWrittenByteForByte) {
    std::string content = "line\r\nbare\nnul:";
    content += '\0';
    content += "\xC3\xBC\xFF";
    const FileWriteResult result = WriteFileSafely(dir / "bytes.bin", content);
    EXPECT_TRUE(result.Written);
    EXPECT_FALSE(result.InPlace);
    EXPECT_EQ(result.Failure, "");
    EXPECT_EQ(ReadBytes(dir / "bytes.bin"), content);

    EXPECT_TRUE(WriteFileSafely(dir / "bytes.bin", ""));
    EXPECT_EQ(ReadBytes(dir / "bytes.bin"), "");
    EXPECT_EQ(EntryCount(dir), 1u);
}

TEST_F(SafeFileWriteTest, ANewFileGetsTheUsualPermissions) {
    const mode_t before = ::umask(027);
    const bool written = static_cast<bool>(WriteFileSafely(dir / "new.txt", "x"));
    ::umask(before);
    ASSERT_TRUE(written);
    struct stat st {};
    ASSERT_EQ(::stat((dir / "new.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u) << "0666 less the umask";
}

TEST_F(SafeFileWriteTest, AFailureSaysWhyAndChangesNothing) {
    fs::create_directory(dir / "folder");
    WriteBytes(dir / "locked", "locked");
    fs::permissions(dir / "locked", fs::perms(0444));
    WriteBytes(dir / "plain", "plain");
    fs::create_symlink("loop-b", dir / "loop-a");
    fs::create_symlink("loop-a", dir / "loop-b");
    const struct {
        fs::path target;
        const char* failure;
    } cases[] = {
        {dir / "folder", "A folder has this name"},
        {dir / "locked", "The file is read-only"},
        {dir / "absent" / "file", "No such file or directory"},
        {dir / "plain" / "file", "Not a directory"},
        {dir / "loop-a", "Too many levels of symbolic links"},
        {"/dev/full", "No space left on device"},
    };
    for (const auto& c : cases) {
        if (c.target == "/dev/full" && !fs::exists("/dev/full")) continue;
        const FileWriteResult result = WriteFileSafely(c.target, "new");
        EXPECT_FALSE(result.Written) << c.target;
        EXPECT_EQ(result.Failure, c.failure) << c.target;
    }
    EXPECT_EQ(ReadBytes(dir / "locked"), "locked");
    EXPECT_EQ(ReadBytes(dir / "plain"), "plain");
    EXPECT_TRUE(fs::is_empty(dir / "folder"));
    EXPECT_EQ(EntryCount(dir), 5u);
}

TEST_F(SafeFileWriteTest, DevicesAndPipesAreWrittenIntoWithoutWaiting) {
    EXPECT_TRUE(WriteFileSafely("/dev/null", "gone"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);
    const FileWriteResult noReader = WriteFileSafely(dir / "pipe", "lost");
    EXPECT_FALSE(noReader.Written);
    EXPECT_EQ(noReader.Failure, "No such device or address");
    EXPECT_TRUE(fs::is_fifo(dir / "pipe"));
}

TEST_F(SafeFileWriteTest, AFileWhoseOwnerCannotBeKeptIsWrittenInPlace) {
    if (!CanRunAsOrdinaryUser()) GTEST_SKIP() << "switching users needs root";
    // The user's own file and folder, but in root's group, which the user cannot
    // give to a new file.
    ASSERT_EQ(::chown(dir.c_str(), kOrdinaryUser, kOrdinaryUser), 0);
    WriteBytes(dir / "grouped", "old");
    ASSERT_EQ(::chown((dir / "grouped").c_str(), kOrdinaryUser, 0), 0);
    fs::permissions(dir / "grouped", fs::perms(0664));
    ChildSetup user;
    user.ordinaryUser = true;

    const int code = RunInChild(user, [&] {
        const FileWriteResult result = WriteFileSafely(dir / "grouped", "new");
        return result.Written ? (result.InPlace ? 0 : 1) : 2;
    });

    EXPECT_EQ(code, 0) << "written in place";
    EXPECT_EQ(ReadBytes(dir / "grouped"), "new");
    struct stat st {};
    ASSERT_EQ(::stat((dir / "grouped").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, kOrdinaryUser);
    EXPECT_EQ(st.st_gid, 0u);
    EXPECT_EQ(EntryCount(dir), 1u);
}

}  // namespace

#endif
