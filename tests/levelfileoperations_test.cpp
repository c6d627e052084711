// SPDX-License-Identifier: MIT
#include "levelfiles/filesystemservice.h"
#include "levelfiles/levelfileoperations.h"
#include "support/scratchfolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace varnholt;
using varnholt::test::ScratchFolder;

namespace {

class LevelFileOperationsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_oldUmask = ::umask(022);
        files.setLevelsFolder(levels.path());
    }
    void TearDown() override { ::umask(m_oldUmask); }

    // Runs an operation in a child that may not write more than a few bytes to any file,
    // so that a copy fails for real half-way through.
    template <typename Operation>
    void runWithFileSizeLimit(Operation operation)
    {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{4096, 4096};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            operation();
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
    }

    ScratchFolder levels;
    std::string log;
    LevelFileOperations files{[this](std::string_view line) {
        log += line;
        log += "\r\n";
    }};

private:
    mode_t m_oldUmask = 0;
};

} // namespace

TEST_F(LevelFileOperationsTest, BackUpIsTakenOnceAndNeverReplaced)
{
    levels.write("levl2080.dat", "multiplayer");
    files.copymplevl("levl2080.dat");
    EXPECT_EQ(levels.read("copy of levl2080.dat"), "multiplayer");
    EXPECT_EQ(log, "levl2080.dat multiplayer level backed up\r\n");

    levels.write("levl2080.dat", "single player");
    files.copymplevl("levl2080.dat");
    EXPECT_EQ(levels.read("copy of levl2080.dat"), "multiplayer");
    EXPECT_EQ(log, "levl2080.dat multiplayer level backed up\r\n");
}

TEST_F(LevelFileOperationsTest, BackUpFailsSilently)
{
    // A missing slot file, and a backup that exists in another letter case.
    files.copymplevl("levl2100.dat");
    levels.write("levl2120.dat", "slot");
    levels.write("COPY OF LEVL2120.DAT", "first backup");
    files.copymplevl("levl2120.dat");

    EXPECT_EQ(log, "");
    EXPECT_EQ(levels.entries(), (std::vector<std::string>{"COPY OF LEVL2120.DAT", "levl2120.dat"}));
}

TEST_F(LevelFileOperationsTest, OverwriteAndRestoreWriteTheirLinesAndKeepTheBackup)
{
    levels.write("levl2080.dat", "multiplayer");
    levels.write("levl2005.dat", "single player");
    files.copymplevl("levl2080.dat");
    log.clear();

    files.copysplevl("levl2005.dat", "levl2080.dat");
    EXPECT_EQ(levels.read("levl2080.dat"), "single player");
    files.restoremplevl("levl2080.dat");
    EXPECT_EQ(levels.read("levl2080.dat"), "multiplayer");
    EXPECT_EQ(levels.read("copy of levl2080.dat"), "multiplayer");
    EXPECT_EQ(log, "levl2005.dat copied to levl2080.dat\r\nlevl2080.dat restored\r\n");
}

TEST_F(LevelFileOperationsTest, MissingFilesGiveFailureLinesAndCreateNothing)
{
    files.copysplevl("levl2005.dat", "levl2080.dat"); // slot missing
    files.restoremplevl("levl2100.dat");              // slot missing
    levels.write("levl2120.dat", "multiplayer");
    levels.write("copy of levl2120.dat", "multiplayer");
    files.copysplevl("levl2012.dat", "levl2120.dat"); // source missing
    levels.write("levl2120.hdr", "multiplayer header");
    files.restoremplevl("levl2120.hdr");              // backup missing

    EXPECT_EQ(log, "levl2005.dat copied to levl2080.dat *** FAILED ***\r\n"
                   "levl2100.dat restore *** FAILED ***\r\n"
                   "levl2012.dat copied to levl2120.dat *** FAILED ***\r\n"
                   "levl2120.hdr restore *** FAILED ***\r\n");
    EXPECT_EQ(levels.entries(),
              (std::vector<std::string>{"copy of levl2120.dat", "levl2120.dat", "levl2120.hdr"}));
    EXPECT_EQ(levels.read("levl2120.dat"), "multiplayer");
    EXPECT_EQ(levels.read("levl2120.hdr"), "multiplayer header");
}

// Read-only is what the game sees: no write bit at all. Clearing it gives write bits back
// where read bits are, less the umask. The failing copy shows the clearing on its own.
class ReadOnlySlotTest : public LevelFileOperationsTest,
                         public ::testing::WithParamInterface<std::pair<mode_t, mode_t>> {};

TEST_P(ReadOnlySlotTest, IsClearedBeforeTheCopyEvenWhenTheCopyFails)
{
    const auto [before, after] = GetParam();
    levels.write("levl2080.dat", "multiplayer", before);
    levels.write("copy of levl2080.dat", "multiplayer");
    files.copysplevl("levl2005.dat", "levl2080.dat");
    EXPECT_EQ(levels.mode("levl2080.dat"), after);
    EXPECT_EQ(levels.read("levl2080.dat"), "multiplayer");
    EXPECT_EQ(log, "levl2005.dat copied to levl2080.dat *** FAILED ***\r\n");
}

INSTANTIATE_TEST_SUITE_P(Modes, ReadOnlySlotTest,
                         ::testing::Values(std::pair<mode_t, mode_t>{0444, 0644},
                                           std::pair<mode_t, mode_t>{0440, 0640},
                                           std::pair<mode_t, mode_t>{0464, 0464}, // group may write
                                           std::pair<mode_t, mode_t>{0644, 0644}));

TEST_F(LevelFileOperationsTest, ReadOnlySlotIsOverwrittenAndRestored)
{
    levels.write("levl2080.dat", "multiplayer", 0444);
    levels.write("copy of levl2080.dat", "multiplayer", 0444);
    levels.write("levl2005.dat", "single player", 0444);
    files.copysplevl("levl2005.dat", "levl2080.dat");
    files.restoremplevl("levl2080.dat");
    EXPECT_EQ(levels.read("levl2080.dat"), "multiplayer");
    EXPECT_EQ(log, "levl2005.dat copied to levl2080.dat\r\nlevl2080.dat restored\r\n");
}

TEST_F(LevelFileOperationsTest, OverwriteTakesAMissingBackupFirst)
{
    levels.write("levl2080.dat", "multiplayer");
    levels.write("levl2005.dat", "single player");
    files.copysplevl("levl2005.dat", "levl2080.dat");
    EXPECT_EQ(levels.read("copy of levl2080.dat"), "multiplayer");
    EXPECT_EQ(levels.read("levl2080.dat"), "single player");
    EXPECT_EQ(log, "levl2080.dat multiplayer level backed up\r\nlevl2005.dat copied to levl2080.dat\r\n");
}

TEST_F(LevelFileOperationsTest, OverwriteFailsWhenNoBackupCanBeTaken)
{
    // A dangling link stands for the slot: there is nothing to back up, so nothing may be lost.
    ASSERT_EQ(::symlink("gone.dat", (levels / "levl2080.dat").c_str()), 0);
    levels.write("levl2005.dat", "single player");
    files.copysplevl("levl2005.dat", "levl2080.dat");
    EXPECT_EQ(log, "levl2005.dat copied to levl2080.dat *** FAILED ***\r\n");
    EXPECT_TRUE(std::filesystem::is_symlink(levels / "levl2080.dat"));
    EXPECT_FALSE(levels.exists("copy of levl2080.dat"));
}

TEST_F(LevelFileOperationsTest, NamesResolveInAnyLetterCaseWithoutCreatingSecondFiles)
{
    levels.write("LEVL2080.DAT", "multiplayer");
    levels.write("Levl2005.Dat", "single player");
    files.copymplevl("levl2080.dat");
    files.copysplevl("levl2005.dat", "levl2080.dat");
    EXPECT_EQ(levels.read("LEVL2080.DAT"), "single player");
    files.restoremplevl("levl2080.dat");
    EXPECT_EQ(levels.read("LEVL2080.DAT"), "multiplayer");
    EXPECT_EQ(levels.entries(),
              (std::vector<std::string>{"LEVL2080.DAT", "Levl2005.Dat", "copy of levl2080.dat"}));
    EXPECT_EQ(log, "levl2080.dat multiplayer level backed up\r\n"
                   "levl2005.dat copied to levl2080.dat\r\n"
                   "levl2080.dat restored\r\n");
}

TEST_F(LevelFileOperationsTest, TwoNamesDifferingOnlyInCaseAreNeverGuessedBetween)
{
    levels.write("LEVL2080.dat", "one");
    levels.write("levl2080.DAT", "two");
    levels.write("copy of levl2080.dat", "backup");
    levels.write("levl2005.dat", "single player");
    const std::string before = levels.snapshot();
    files.copysplevl("levl2005.dat", "levl2080.dat");
    files.restoremplevl("levl2080.dat");
    EXPECT_EQ(levels.snapshot(), before);
    EXPECT_EQ(log, "levl2005.dat copied to levl2080.dat *** FAILED ***\r\nlevl2080.dat restore *** FAILED ***\r\n");

    // An exact match settles it.
    levels.write("levl2080.dat", "exact");
    log.clear();
    files.restoremplevl("levl2080.dat");
    EXPECT_EQ(levels.read("levl2080.dat"), "backup");
    EXPECT_EQ(levels.read("LEVL2080.dat"), "one");
}

TEST_F(LevelFileOperationsTest, LinkedSlotFileIsReplacedNeverWrittenThrough)
{
    ScratchFolder elsewhere;
    elsewhere.write("target.dat", "outside the levels folder", 0444);
    ASSERT_EQ(::symlink((elsewhere / "target.dat").c_str(), (levels / "levl2080.dat").c_str()), 0);
    levels.write("levl2005.dat", "single player");
    files.copysplevl("levl2005.dat", "levl2080.dat");

    EXPECT_EQ(elsewhere.read("target.dat"), "outside the levels folder");
    EXPECT_EQ(elsewhere.mode("target.dat"), 0444U);
    EXPECT_FALSE(std::filesystem::is_symlink(levels / "levl2080.dat"));
    EXPECT_EQ(levels.read("levl2080.dat"), "single player");
    EXPECT_EQ(levels.read("copy of levl2080.dat"), "outside the levels folder");
}

TEST_F(LevelFileOperationsTest, CopyFailingHalfWayLeavesEveryFileAsItWas)
{
    levels.write("levl2080.dat", "multiplayer");
    levels.write("copy of levl2080.dat", "multiplayer");
    levels.write("levl2005.dat", std::string(1 << 16, 's'));
    levels.write("levl2100.dat", std::string(1 << 16, 'm'));
    const std::string before = levels.snapshot();

    runWithFileSizeLimit([this] {
        files.copysplevl("levl2005.dat", "levl2080.dat");
        files.copymplevl("levl2100.dat");
    });

    EXPECT_EQ(levels.snapshot(), before); // no partial slot file, no partial backup, no temporary
}

TEST_F(LevelFileOperationsTest, LeftoversOfAKilledRunAreRemoved)
{
    levels.write(".varnholt-a1B2c3.tmp", "half a level");
    levels.write(".varnholt-notours.tmp", "someone else's");
    levels.write("levl2080.dat", "multiplayer");
    files.removeLeftovers();
    EXPECT_EQ(levels.entries(), (std::vector<std::string>{".varnholt-notours.tmp", "levl2080.dat"}));
    EXPECT_EQ(log, "");
}

TEST(FileSystemService, OverwriteRefusesAReadOnlyDestinationAndCopyNeverReplacesWithoutIt)
{
    ScratchFolder levels;
    levels.write("source", "new");
    levels.write("read-only", "old", 0444);
    levels.write("Existing", "old");
    FileSystemService service(levels.path());

    EXPECT_THROW(service.copyFile("source", "read-only", true), std::system_error);
    EXPECT_THROW(service.copyFile("source", "existing", false), std::system_error);
    EXPECT_THROW(service.copyFile("source", "../escape", true), std::system_error);
    EXPECT_EQ(levels.read("read-only"), "old");
    EXPECT_EQ(levels.read("Existing"), "old");
    EXPECT_EQ(levels.entries(), (std::vector<std::string>{"Existing", "read-only", "source"}));
}

TEST(FileSystemService, WithoutAFolderEveryOperationFails)
{
    FileSystemService service(std::nullopt);
    EXPECT_THROW(service.copyFile("a", "b", true), std::system_error);
    EXPECT_THROW((void)service.getFile("a"), std::system_error);
}
