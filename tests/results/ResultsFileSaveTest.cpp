// Saving a results file onto what already carries its name: folders, links,
// read-only files, files of other users and folders the user cannot write.
// The old file is either replaced completely or left exactly as it was, and
// nothing else in its folder changes.

#ifndef _WIN32

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/SharedState.h"
#include "results/ChildProcess.h"
#include "results/ResultsFile.h"
#include "support/NullComm.h"
#include "support/RecordingUi.h"

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

std::set<std::string> Entries(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

struct stat StatOf(const fs::path& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

mode_t ModeOf(const fs::path& path) {
    return StatOf(path).st_mode & 07777;
}

std::tm SomeTime() {
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mday = 7;
    return t;
}

// What a save in a child process ended with, as its exit code.
enum ChildResult { kSaved = 0, kRefusedWithBox = 1, kOtherwise = 2 };

class ResultsFileSaveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("brev-save-" + std::to_string(std::random_device{}()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::permissions(dir, fs::perms(0755));
        std::lock_guard lock(s.InfoLock);
        s.DeviceInfo.Model = "KOVAN";
        s.DeviceInfo.Language = 0;
        s.DeviceInfo.CUnit = 1;
    }
    void TearDown() override { fs::remove_all(dir); }

    // A grid of the given number of records, each line about 40 bytes.
    static ResultsGrid Grid(int records) {
        ResultsGrid grid = ResultsGrid::Empty(records + 1, 4);
        grid.SetCell(1, 0, "Counter");
        grid.SetCell(2, 0, "Measure Mode");
        grid.SetCell(3, 0, "Measure Result");
        for (int r = 1; r <= records; ++r) {
            grid.SetCell(0, r, std::to_string(r));
            grid.SetCell(1, r, std::to_string(1000 + r));
            grid.SetCell(2, r, "Active Test");
            grid.SetCell(3, r, "0.12 mg/l");
        }
        return grid;
    }

    bool Save(const fs::path& name, const ResultsGrid& grid = Grid(2)) {
        return static_cast<bool>(SaveResultsFile(s, name.string(), grid, SomeTime()));
    }

    // Saves in a child process (answering Yes to the overwrite question).
    int SaveInChild(const ChildSetup& setup, const fs::path& name, const ResultsGrid& grid) {
        return RunInChild(setup, [&] {
            ui.Clear();
            ui.ScriptAnswers({Answer::Yes});
            if (Save(name, grid)) return kSaved;
            const bool box = ui.Of("box") == std::vector<std::string>{"File error!"} &&
                             ui.Of("beep").size() == 1;
            return box ? kRefusedWithBox : kOtherwise;
        });
    }

    static bool IsSavedResults(const fs::path& path) {
        return ReadBytes(path).rfind("-------------------------\r\nFile Creat Date:", 0) == 0;
    }

    fs::path dir;
    RecordingUi ui;
    NullComm comm;
    SharedState s{ui, comm};
};

TEST_F(ResultsFileSaveTest, AFolderOfTheNameFailsAtOnceWithoutTheOverwriteQuestion) {
    fs::create_directories(dir / "folder.csv" / "inside");
    fs::create_directory_symlink(dir / "folder.csv", dir / "linked.csv");
    for (const char* name : {"folder.csv", "linked.csv"}) {
        ui.Clear();
        ui.ScriptAnswers({Answer::Yes});
        EXPECT_FALSE(Save(dir / name)) << name;
        EXPECT_TRUE(ui.Of("question3").empty()) << name;
        EXPECT_EQ(ui.Of("beep").size(), 1u) << name;
        EXPECT_EQ(ui.Of("box"), std::vector<std::string>{"File error!"}) << name;
        EXPECT_EQ(Entries(dir), (std::set<std::string>{"folder.csv", "linked.csv"})) << name;
        EXPECT_EQ(Entries(dir / "folder.csv"), std::set<std::string>{"inside"}) << name;
        EXPECT_TRUE(fs::is_symlink(dir / "linked.csv")) << name;
    }
}

TEST_F(ResultsFileSaveTest, AFileOrFolderNamedLikeATemporaryFileIsLeftAlone) {
    for (bool folder : {false, true}) {
        fs::remove_all(dir);
        fs::create_directories(dir);
        WriteBytes(dir / "keep.csv", "old\r\n");
        if (folder)
            fs::create_directory(dir / "keep.csv.saving");
        else
            WriteBytes(dir / "keep.csv.saving", "someone else's\r\n");
        ui.ScriptAnswers({Answer::Yes});

        EXPECT_TRUE(Save(dir / "keep.csv")) << "folder " << folder;
        EXPECT_TRUE(IsSavedResults(dir / "keep.csv")) << "folder " << folder;
        if (folder) {
            EXPECT_TRUE(fs::is_directory(dir / "keep.csv.saving"));
        } else {
            EXPECT_EQ(ReadBytes(dir / "keep.csv.saving"), "someone else's\r\n");
        }
        EXPECT_EQ(Entries(dir), (std::set<std::string>{"keep.csv", "keep.csv.saving"}));
    }
}

TEST_F(ResultsFileSaveTest, AWriteThatFailsPartWayKeepsTheOldFileAndLeavesNothingBehind) {
    if (!CanRunAsOrdinaryUser()) GTEST_SKIP() << "switching users needs root";
    // The child may write files of up to 4 KB, as if the disk were full beyond.
    constexpr rlim_t kLimit = 4096;
    const struct {
        const char* what;
        size_t oldSize;     // 0: no old file
        bool ordinaryUser;  // in a folder the user cannot write, so the file is written in place
        int records;        // about 40 bytes each
    } cases[] = {
        {"replacing a file", 30, false, 2000},
        {"creating a file", 0, false, 2000},
        {"writing into a file, no room for the longer content", 30, true, 2000},
        // Shorter than the old content: the writing starts and fails at the limit,
        // and the old content is written back.
        {"writing into a longer file", 12000, true, 150},
    };
    for (const auto& c : cases) {
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::permissions(dir, fs::perms(0755));
        std::string old;
        for (size_t i = 0; old.size() < c.oldSize; ++i)
            old += "old line " + std::to_string(i) + "\r\n";
        if (c.oldSize) {
            WriteBytes(dir / "full.csv", old);
            if (c.ordinaryUser) {
                ASSERT_EQ(::chown((dir / "full.csv").c_str(), kOrdinaryUser, kOrdinaryUser), 0);
            }
        }
        const ResultsGrid grid = Grid(c.records);
        ASSERT_GT(c.records * 30, static_cast<int>(kLimit)) << "the new content passes the limit";

        ChildSetup setup;
        setup.ordinaryUser = c.ordinaryUser;
        setup.fileSizeLimit = kLimit;
        EXPECT_EQ(SaveInChild(setup, dir / "full.csv", grid), kRefusedWithBox) << c.what;

        if (c.oldSize) {
            EXPECT_EQ(ReadBytes(dir / "full.csv"), old) << c.what;
            EXPECT_EQ(Entries(dir), std::set<std::string>{"full.csv"}) << c.what;
        } else {
            EXPECT_TRUE(Entries(dir).empty()) << c.what;
        }
    }
}

TEST_F(ResultsFileSaveTest, AReadOnlyFileIsNotReplaced) {
    // Write-protected by its mode, and a file of another user the user may not write.
    WriteBytes(dir / "protected.csv", "kept\r\n");
    fs::permissions(dir / "protected.csv", fs::perms(0444));
    ui.ScriptAnswers({Answer::Yes});
    EXPECT_FALSE(Save(dir / "protected.csv"));
    EXPECT_EQ(ui.Of("box"), std::vector<std::string>{"File error!"});
    EXPECT_EQ(ReadBytes(dir / "protected.csv"), "kept\r\n");
    EXPECT_EQ(ModeOf(dir / "protected.csv"), 0444u);
    EXPECT_EQ(Entries(dir), std::set<std::string>{"protected.csv"});

    if (!CanRunAsOrdinaryUser()) GTEST_SKIP() << "switching users needs root";
    const fs::path shared = dir / "shared";
    fs::create_directory(shared);
    ASSERT_EQ(::chown(shared.c_str(), kOrdinaryUser, kOrdinaryUser), 0);
    WriteBytes(shared / "roots.csv", "kept\r\n");
    fs::permissions(shared / "roots.csv", fs::perms(0644));
    ChildSetup user;
    user.ordinaryUser = true;
    EXPECT_EQ(SaveInChild(user, shared / "roots.csv", Grid(2)), kRefusedWithBox);
    EXPECT_EQ(ReadBytes(shared / "roots.csv"), "kept\r\n");
    EXPECT_EQ(StatOf(shared / "roots.csv").st_uid, 0u);
    EXPECT_EQ(Entries(shared), std::set<std::string>{"roots.csv"});
}

TEST_F(ResultsFileSaveTest, AWritableFileInAFolderTheUserCannotWriteIsSaved) {
    if (!CanRunAsOrdinaryUser()) GTEST_SKIP() << "switching users needs root";
    // The folder belongs to root (0755); the file to the user.
    WriteBytes(dir / "mine.csv",
               "an older and longer content than the grid's header lines, "
               "so that the file must also be cut to its new length, "
               "which takes a few more bytes than this to show well, "
               "since the header alone is over two hundred bytes long "
               "and the rows add some more: here is the padding.\r\n"
               "and a second line of the same kind, long enough to count.\r\n"
               "and a third one, for good measure, of about the same size.\r\n"
               "and a fourth; after this one the old content ends here.\r\n");
    ASSERT_EQ(::chown((dir / "mine.csv").c_str(), kOrdinaryUser, kOrdinaryUser), 0);
    fs::permissions(dir / "mine.csv", fs::perms(0640));
    ChildSetup user;
    user.ordinaryUser = true;

    EXPECT_EQ(SaveInChild(user, dir / "mine.csv", Grid(1)), kSaved);

    const std::string saved = ReadBytes(dir / "mine.csv");
    EXPECT_TRUE(IsSavedResults(dir / "mine.csv")) << saved;
    const std::string lastLine = "1001 ,Active Test ,0.12 mg/l ,\r\n";
    ASSERT_GE(saved.size(), lastLine.size());
    EXPECT_EQ(saved.substr(saved.size() - lastLine.size()), lastLine)
        << "the rest of the older, longer content is cut off";
    EXPECT_EQ(StatOf(dir / "mine.csv").st_uid, kOrdinaryUser);
    EXPECT_EQ(ModeOf(dir / "mine.csv"), 0640u);
    EXPECT_EQ(Entries(dir), std::set<std::string>{"mine.csv"});
}

TEST_F(ResultsFileSaveTest, ALinkIsWrittenThroughAndStaysALink) {
    fs::create_directory(dir / "sub");
    const struct {
        const char* what;
        fs::path name;    // the name saved to
        fs::path target;  // the file that must get the new content
        fs::path link;    // the symbolic link that must stay, with its text
        fs::path linkText;
    } cases[] = {
        {"absolute link", dir / "abs.csv", dir / "sub" / "a.csv", dir / "abs.csv",
         dir / "sub" / "a.csv"},
        {"relative link", dir / "rel.csv", dir / "sub" / "r.csv", dir / "rel.csv", "sub/r.csv"},
        {"link to a link", dir / "chain.csv", dir / "sub" / "c.csv", dir / "sub" / "c-link",
         "c.csv"},
        {"link in a linked folder", dir / "linked-sub" / "d.csv", dir / "sub" / "d.csv",
         dir / "linked-sub", dir / "sub"},
    };
    fs::create_symlink(dir / "sub" / "a.csv", dir / "abs.csv");
    fs::create_symlink("sub/r.csv", dir / "rel.csv");
    fs::create_symlink("c.csv", dir / "sub" / "c-link");
    fs::create_symlink(dir / "sub" / "c-link", dir / "chain.csv");
    fs::create_directory_symlink(dir / "sub", dir / "linked-sub");
    for (const auto& c : cases) {
        WriteBytes(c.target, "old\r\n");
        const auto before = std::make_pair(Entries(dir), Entries(dir / "sub"));
        ui.Clear();
        ui.ScriptAnswers({Answer::Yes});

        EXPECT_TRUE(Save(c.name)) << c.what;
        EXPECT_EQ(ui.Of("question3").size(), 1u) << c.what;
        EXPECT_TRUE(IsSavedResults(c.target)) << c.what;
        ASSERT_TRUE(fs::is_symlink(c.link)) << c.what;
        EXPECT_EQ(fs::read_symlink(c.link), c.linkText) << c.what;
        EXPECT_EQ(std::make_pair(Entries(dir), Entries(dir / "sub")), before) << c.what;
    }
}

TEST_F(ResultsFileSaveTest, ALinkToNoFileYetCreatesItsTargetWithoutAsking) {
    fs::create_symlink("made.csv", dir / "pending.csv");
    EXPECT_TRUE(Save(dir / "pending.csv"));
    EXPECT_TRUE(ui.Of("question3").empty());
    EXPECT_TRUE(fs::is_symlink(dir / "pending.csv"));
    EXPECT_TRUE(IsSavedResults(dir / "made.csv"));
    EXPECT_EQ(Entries(dir), (std::set<std::string>{"made.csv", "pending.csv"}));
}

TEST_F(ResultsFileSaveTest, EveryNameOfAFileWithSeveralNamesSeesTheNewContent) {
    WriteBytes(dir / "one.csv", "old\r\n");
    fs::create_hard_link(dir / "one.csv", dir / "two.csv");
    ui.ScriptAnswers({Answer::Yes});
    EXPECT_TRUE(Save(dir / "one.csv"));
    EXPECT_TRUE(IsSavedResults(dir / "two.csv"));
    EXPECT_EQ(fs::hard_link_count(dir / "one.csv"), 2u);
    EXPECT_EQ(Entries(dir), (std::set<std::string>{"one.csv", "two.csv"}));
}

TEST_F(ResultsFileSaveTest, TheFileKeepsItsPermissionsAndOwner) {
    const struct {
        mode_t mode;
        uid_t owner;
    } cases[] = {{0600, 0}, {0640, 0}, {0604, 0}, {0664, 0}, {0755, 0}, {0644, kOrdinaryUser}};
    for (const auto& c : cases) {
        const fs::path file = dir / "kept.csv";
        WriteBytes(file, "old\r\n");
        ::chmod(file.c_str(), c.mode);
        if (c.owner != 0 && ::chown(file.c_str(), c.owner, c.owner) != 0) {
            ADD_FAILURE() << "cannot give the file to another user";
            continue;
        }
        ui.ScriptAnswers({Answer::Yes});

        EXPECT_TRUE(Save(file)) << std::oct << c.mode;
        EXPECT_TRUE(IsSavedResults(file));
        EXPECT_EQ(ModeOf(file), c.mode) << std::oct << c.mode;
        EXPECT_EQ(StatOf(file).st_uid, c.owner) << std::oct << c.mode;
        EXPECT_EQ(StatOf(file).st_gid, c.owner) << std::oct << c.mode;
        fs::remove(file);
    }
}

}  // namespace

#endif
