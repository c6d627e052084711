// SPDX-License-Identifier: MIT
// The fault campaign: every file-system step of every level file operation made to fail,
// or the process killed there, one step at a time, each run in a child process; then what
// stands in the levels folder must keep the invariants:
//   I1 nothing partial stands under a slot file's or a backup's name;
//   I2 an existing backup is never modified;
//   I5 after a failure the slot file and backup are as before, with no temporary file left
//      (after a kill, the next start-up removes the temporary files);
//   I6 a success line is logged only for a copy that really was committed.
#include "levelfiles/levelfileoperations.h"
#include "levelfiles/platformfiles.h"
#include "levelfiles/temporaryname.h"
#include "mainwindow/mainwindowlogic.h"
#include "support/fakewindow.h"
#include "support/wineprefix.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using namespace varnholt;
using namespace varnholt::test;
namespace fs = std::filesystem;

namespace {

int interruptAt = 0; // the step to interrupt, counted from 1
int stepsTaken = 0;
bool killThere = false;

int interrupt(const char*)
{
    if (++stepsTaken != interruptAt)
        return 0;
    if (killThere)
        ::raise(SIGKILL);
    return EIO;
}

const std::string slotBefore = "the multiplayer level";
const std::string backupBefore = "the first backup";
const std::string singlePlayer = "a single player level";

struct Operation {
    const char* name;
    bool backupThere;
    std::function<void(LevelFileOperations&)> run;
    std::string slotAfter;
};

void PrintTo(const Operation& operation, std::ostream* out)
{
    *out << operation.name;
}

std::vector<Operation> operations()
{
    return {
        {"BackUp", false, [](LevelFileOperations& files) { files.copymplevl("levl2080.dat"); }, slotBefore},
        {"Overwrite", true, [](LevelFileOperations& files) { files.copysplevl("levl2005.dat", "levl2080.dat"); }, singlePlayer},
        {"OverwriteTakingTheBackup", false, [](LevelFileOperations& files) { files.copysplevl("levl2005.dat", "levl2080.dat"); }, singlePlayer},
        {"Restore", true, [](LevelFileOperations& files) { files.restoremplevl("levl2080.dat"); }, backupBefore},
    };
}

bool anyTemporaryIn(const fs::path& folder)
{
    const std::vector<std::string> names = namesIn(folder);
    return std::any_of(names.begin(), names.end(), [](const std::string& name) { return isTemporaryName(name); });
}

struct Outcome {
    bool interrupted; // the child reached the step, and failed or died there
    std::string log;
};

// Runs the operation in a child whose step k fails or kills it.
Outcome runInterrupted(const fs::path& levels, const Operation& operation, int step, bool kill)
{
    int logPipe[2];
    if (::pipe(logPipe) != 0)
        throw std::runtime_error("no pipe");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(logPipe[0]);
        LevelFileOperations files([&](std::string_view line) {
            const std::string text = std::string(line) + "\n";
            (void)!::write(logPipe[1], text.data(), text.size());
        });
        files.setLevelsFolder(levels);
        interruptAt = step;
        killThere = kill;
        platform::setStepHook(interrupt);
        operation.run(files);
        files.flush();
        ::_exit(stepsTaken >= step ? 3 : 0);
    }
    ::close(logPipe[1]);
    std::string log;
    char buffer[512];
    for (ssize_t got; (got = ::read(logPipe[0], buffer, sizeof buffer)) > 0;)
        log.append(buffer, static_cast<std::size_t>(got));
    ::close(logPipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return {WIFSIGNALED(status) || WEXITSTATUS(status) == 3, log};
}

class FaultSweep : public ::testing::TestWithParam<std::tuple<Operation, bool>> {};

} // namespace

TEST_P(FaultSweep, EveryStepInterruptedKeepsTheInvariants)
{
    const auto& [operation, kill] = GetParam();
    int step = 1;
    for (;; ++step) {
        ScratchFolder levels;
        writeFile(levels / "levl2080.dat", slotBefore);
        writeFile(levels / "levl2005.dat", singlePlayer);
        if (operation.backupThere)
            writeFile(levels / "copy of levl2080.dat", backupBefore);
        const Outcome outcome = runInterrupted(levels.path(), operation, step, kill);
        if (!outcome.interrupted)
            break; // the operation has fewer steps than this
        SCOPED_TRACE("step " + std::to_string(step) + ", log: " + outcome.log);

        const std::string slot = readFile(levels / "levl2080.dat");
        EXPECT_TRUE(slot == slotBefore || slot == operation.slotAfter) << slot; // I1
        if (operation.backupThere) {
            EXPECT_EQ(readFile(levels / "copy of levl2080.dat"), backupBefore); // I2
        } else if (fs::exists(levels / "copy of levl2080.dat")) {
            EXPECT_EQ(readFile(levels / "copy of levl2080.dat"), slotBefore); // I1
        }
        EXPECT_EQ(readFile(levels / "levl2005.dat"), singlePlayer);

        const bool failed = outcome.log.find("FAILED") != std::string::npos;
        const bool succeeded = !failed && (outcome.log.find("copied") != std::string::npos
                                           || outcome.log.find("restored") != std::string::npos);
        if (succeeded && operation.slotAfter != slotBefore) {
            EXPECT_EQ(slot, operation.slotAfter); // I6
        }
        if (failed) {
            EXPECT_EQ(slot, slotBefore); // I5
        }
        if (!kill) {
            EXPECT_FALSE(anyTemporaryIn(levels.path())); // I5
        }
        LevelFileOperations nextStart([](std::string_view) {});
        nextStart.setLevelsFolder(levels.path());
        nextStart.removeLeftovers();
        EXPECT_FALSE(anyTemporaryIn(levels.path()));
    }
    EXPECT_GT(step, 6) << "the sweep reached too few steps to mean anything";
}

INSTANTIATE_TEST_SUITE_P(AllOperations, FaultSweep, ::testing::Combine(::testing::ValuesIn(operations()), ::testing::Bool()),
                         [](const auto& test) {
                             return std::string(std::get<0>(test.param).name) + (std::get<1>(test.param) ? "Killed" : "Failing");
                         });

namespace {

// Runs work in a child process and returns its wait status.
int inChild(const std::function<void()>& work)
{
    const pid_t child = ::fork();
    if (child == 0) {
        work();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

class HostileFolder : public ::testing::Test {
protected:
    HostileFolder() { files.setLevelsFolder(levels); }
    ScratchFolder scratch;
    fs::path levels = [this] { fs::create_directory(scratch / "levels"); return scratch / "levels"; }();
    std::string log;
    LevelFileOperations files{[this](std::string_view line) { log.append(line).append("\n"); }};
};

} // namespace

// The kernel's file-size limit stops a copy half-way for real: with SIGXFSZ ignored the
// write fails (EFBIG) and the operations go on; with its default the process is killed.
TEST_F(HostileFolder, FileSizeLimitHalfWayLeavesNothingPartial)
{
    writeFile(levels / "levl2080.dat", slotBefore);
    writeFile(levels / "copy of levl2080.dat", backupBefore);
    writeFile(levels / "levl2005.dat", std::string(1 << 16, 's'));
    writeFile(levels / "levl2100.dat", std::string(1 << 16, 'm'));
    const std::string before = snapshotOf(levels);
    for (const bool killed : {false, true}) {
        const int status = inChild([&] {
            if (!killed)
                ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{4096, 4096};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            files.copysplevl("levl2005.dat", "levl2080.dat");
            files.copymplevl("levl2100.dat");
            ::_exit(log == "levl2005.dat copied to levl2080.dat *** FAILED ***\n" ? 0 : 1);
        });
        if (killed) {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ);
            files.removeLeftovers(); // as the next start-up does
        } else {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        EXPECT_EQ(snapshotOf(levels), before) << (killed ? "killed" : "failing"); // no partial file, no temporary
    }
}

TEST_F(HostileFolder, BackupsThatAreNoFilesAreNeitherReplacedNorRead)
{
    writeFile(scratch / "outside.dat", "outside the levels folder");
    for (const char* slot : {"levl2080.dat", "levl2100.dat", "levl2120.dat"})
        writeFile(levels / slot, slotBefore);
    fs::create_directory(levels / "copy of levl2080.dat");
    fs::create_symlink("nowhere.dat", levels / "copy of levl2100.dat");
    fs::create_symlink(scratch / "outside.dat", levels / "copy of levl2120.dat");
    const std::string before = snapshotOf(levels);
    for (const char* slot : {"levl2080.dat", "levl2100.dat", "levl2120.dat"}) {
        files.copymplevl(slot);
        files.restoremplevl(slot);
    }
    EXPECT_EQ(log, "levl2080.dat restore *** FAILED ***\nlevl2100.dat restore *** FAILED ***\nlevl2120.dat restore *** FAILED ***\n");
    EXPECT_EQ(snapshotOf(levels), before);
    EXPECT_TRUE(fs::is_directory(levels / "copy of levl2080.dat") && fs::is_symlink(levels / "copy of levl2120.dat"));
}

TEST_F(HostileFolder, HardLinksAndOddSourcesLeaveOtherNamesAlone)
{
    writeFile(scratch / "elsewhere.dat", slotBefore);
    fs::create_hard_link(scratch / "elsewhere.dat", levels / "levl2080.dat");
    writeFile(levels / "copy of levl2080.dat", backupBefore);
    writeFile(levels / "levl2005.dat", singlePlayer);
    fs::create_directory(levels / "levl2006.dat");
    files.copysplevl("levl2005.dat", "levl2080.dat"); // the other name keeps its content
    files.copysplevl("levl2006.dat", "levl2080.dat"); // a folder is no level file
    files.copysplevl("levl2080.dat", "levl2080.dat"); // a file over itself
    EXPECT_EQ(readFile(scratch / "elsewhere.dat"), slotBefore);
    EXPECT_EQ(readFile(levels / "levl2080.dat"), singlePlayer);
    EXPECT_EQ(log, "levl2005.dat copied to levl2080.dat\nlevl2006.dat copied to levl2080.dat *** FAILED ***\n"
                   "levl2080.dat copied to levl2080.dat\n");
}

TEST_F(HostileFolder, ReadOnlyIsClearedByTheModeNotByRootsOverride)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    constexpr uid_t player = 65534;
    fs::permissions(scratch.path(), fs::perms(0755)); // the player may pass through to the levels
    ASSERT_EQ(::chown(levels.c_str(), player, player), 0);
    for (const char* name : {"levl2080.dat", "copy of levl2080.dat", "levl2005.dat", "levl2100.dat", "copy of levl2100.dat"})
        writeFile(levels / name, name, 0444);
    for (const char* name : {"levl2080.dat", "copy of levl2080.dat", "levl2005.dat"})
        ASSERT_EQ(::chown((levels / name).c_str(), player, player), 0);
    // levl2100.dat stays root's: the player cannot make it writable, so it must stay as it
    // is. Root's unreadable levl2006.dat cannot be copied, nor can it be a backup.
    writeFile(levels / "levl2006.dat", "unreadable", 0);
    const int status = inChild([&] {
        if (::setgid(player) != 0 || ::setuid(player) != 0)
            ::_exit(2);
        files.copysplevl("levl2005.dat", "levl2080.dat");
        files.copysplevl("levl2005.dat", "levl2100.dat");
        files.copysplevl("levl2006.dat", "levl2080.dat");
        files.copymplevl("levl2006.dat");
        ::_exit(log == "levl2005.dat copied to levl2080.dat\nlevl2005.dat copied to levl2100.dat *** FAILED ***\n"
                       "levl2006.dat copied to levl2080.dat *** FAILED ***\n"
                    ? 0
                    : 1);
    });
    EXPECT_FALSE(fs::exists(levels / "copy of levl2006.dat"));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << WEXITSTATUS(status);
    EXPECT_EQ(readFile(levels / "levl2080.dat"), "levl2005.dat");
    EXPECT_EQ(readFile(levels / "levl2100.dat"), "levl2100.dat");
}

TEST_F(HostileFolder, AnImmutableSlotFailsUntouched)
{
    writeFile(levels / "levl2080.dat", slotBefore);
    writeFile(levels / "copy of levl2080.dat", backupBefore);
    writeFile(levels / "levl2005.dat", singlePlayer);
    if (std::system(("chattr +i '" + (levels / "levl2080.dat").string() + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "this file system or user cannot make a file immutable";
    files.copysplevl("levl2005.dat", "levl2080.dat");
    files.restoremplevl("levl2080.dat");
    (void)std::system(("chattr -i '" + (levels / "levl2080.dat").string() + "'").c_str());
    EXPECT_EQ(log, "levl2005.dat copied to levl2080.dat *** FAILED ***\nlevl2080.dat restore *** FAILED ***\n");
    EXPECT_EQ(readFile(levels / "levl2080.dat"), slotBefore);
    EXPECT_FALSE(anyTemporaryIn(levels));
}

TEST_F(HostileFolder, RootKeepsThePlayersFolderThePlayers)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only a run as root could take the files";
    constexpr uid_t player = 65534;
    writeFile(levels / "levl2080.dat", slotBefore);
    writeFile(levels / "levl2005.dat", singlePlayer);
    ASSERT_EQ(::chown(levels.c_str(), player, player), 0);
    files.copysplevl("levl2005.dat", "levl2080.dat"); // takes the backup, then overwrites
    for (const char* name : {"levl2080.dat", "copy of levl2080.dat"}) {
        struct stat status {};
        ASSERT_EQ(::stat((levels / name).c_str(), &status), 0);
        EXPECT_EQ(status.st_uid, player) << name;
    }
}

TEST_F(HostileFolder, AFullDiskLeavesEveryFileAsItWas)
{
    if (::mount("tmpfs", levels.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small file system here";
    writeFile(levels / "levl2080.dat", std::string(20000, 'm'));
    writeFile(levels / "copy of levl2080.dat", std::string(20000, 'b'));
    writeFile(levels / "levl2005.dat", std::string(20000, 's'));
    writeFile(levels / "levl2120.dat", std::string(5000, 'x'));
    const std::string before = snapshotOf(levels);
    files.copysplevl("levl2005.dat", "levl2080.dat");
    files.restoremplevl("levl2080.dat");
    files.copymplevl("levl2120.dat"); // may fit or not; if not, there is no backup at all
    const std::string after = snapshotOf(levels);
    const std::string backup = fs::exists(levels / "copy of levl2120.dat") ? readFile(levels / "copy of levl2120.dat") : "";
    ::umount(levels.c_str());
    EXPECT_EQ(log.substr(0, log.find("levl2120")), "levl2005.dat copied to levl2080.dat *** FAILED ***\nlevl2080.dat restore *** FAILED ***\n");
    EXPECT_TRUE(after == before || backup == std::string(5000, 'x'));
    EXPECT_EQ(after.find(".varnholt-"), std::string::npos);
}

TEST(Instances, OddPathsAndTwoStartsAtOnceGiveOneCompleteBackupEach)
{
    ScratchFolder scratch;
    const fs::path prefix = makeWinePrefix(scratch / "-a prefix with spaces, and ü");
    const fs::path levels = makeLevelsFolder(prefix);
    for (const int slot : {2080, 2100, 2120})
        writeLevel(levels, slot);
    int barrier[2];
    ASSERT_EQ(::pipe(barrier), 0);
    std::vector<pid_t> children;
    for (int i = 0; i < 2; ++i) {
        children.push_back(::fork());
        if (children.back() == 0) {
            char go = 0;
            ::close(barrier[1]);
            (void)!::read(barrier[0], &go, 1); // both start together
            FakeWindow window;
            MainWindowLogic(window, environmentOf({{"WINEPREFIX", prefix}})).Form_Load();
            ::_exit(window.messages.empty() ? 0 : 1);
        }
    }
    ::close(barrier[0]);
    ::close(barrier[1]);
    for (const pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(namesIn(levels).size(), 24U); // twelve slot files, twelve backups, nothing else
    for (const std::string& name : namesIn(levels)) {
        if (name.starts_with("copy of ")) {
            EXPECT_EQ(readFile(levels / name), readFile(levels / name.substr(8)));
        }
    }
}
