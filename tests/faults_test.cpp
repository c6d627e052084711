// SPDX-License-Identifier: MIT
// The fault campaign: every file-system step of every level file operation made to fail,
// or the process killed there, one step at a time, each run in a child process; then what
// stands in the levels folder must keep the invariants:
//   I1 nothing partial stands under a slot file's or a backup's name;
//   I2 an existing backup is never modified, and a new one holds the original;
//   I3 a slot holds the files of one level: its files change all together or not at all,
//      except when the renames themselves are interrupted, one after the other;
//   I4 a slot file is replaced only after its new backup was made durable;
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

#include <cerrno>
#include <csignal>
#include <functional>
#include <set>
#include <sstream>
#ifndef _WIN32
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace varnholt;
using namespace varnholt::test;
namespace fs = std::filesystem;

#ifndef _WIN32 // every run in a child process (fork), some of them killed by a signal
namespace {

int interruptAt = 0; // the step to interrupt, counted from 1
int stepsTaken = 0;
bool killThere = false;
int stepRecord = -1; // where the child writes the name of every step it takes

int interrupt(platform::Step step)
{
    const std::string line = "#" + std::string(platform::nameOf(step)) + "\n";
    (void)!::write(stepRecord, line.data(), line.size());
    if (++stepsTaken != interruptAt)
        return 0;
    if (killThere)
        ::raise(SIGKILL);
    return EIO;
}

std::string before(const std::string& name)
{
    return "original " + name;
}

std::string backupOf(const std::string& name)
{
    return "first backup of " + name;
}

std::string singlePlayer(const std::string& slotFile)
{
    return "level 2005 for " + slotFile;
}

const std::vector<std::string> slotFiles { "levl2080.dat", "levl2080.hdr" };

struct Operation {
    const char* name;
    bool backupsThere;
    std::size_t files; // how many of the slot's files it replaces
    std::function<void(LevelFileOperations&)> run;
    std::function<std::string(const std::string&)> after; // a slot file's content after success
};

void PrintTo(const Operation& operation, std::ostream* out)
{
    *out << operation.name;
}

std::vector<Operation> operations()
{
    const auto overwriteSlot = [](LevelFileOperations& files) {
        const std::vector<SlotFileCopy> copies { { "levl2005.dat", "levl2080.dat" },
            { "levl2005.hdr", "levl2080.hdr" } };
        files.overwriteSlot(copies);
    };
    const auto copysplevl = [](LevelFileOperations& files) { files.copysplevl("levl2005.dat", "levl2080.dat"); };
    return {
        { "BackUp", false, 1, [](LevelFileOperations& files) { files.copymplevl("levl2080.dat"); }, before },
        { "Overwrite", true, 1, copysplevl, singlePlayer },
        { "OverwriteTakingTheBackup", false, 1, copysplevl, singlePlayer },
        { "Restore", true, 1, [](LevelFileOperations& files) { files.restoremplevl("levl2080.dat"); }, backupOf },
        { "OverwriteSlot", true, 2, overwriteSlot, singlePlayer },
        { "OverwriteSlotTakingTheBackups", false, 2, overwriteSlot, singlePlayer },
        { "RestoreSlot", true, 2, [](LevelFileOperations& files) { files.restoreSlot(slotFiles); }, backupOf },
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
    std::vector<std::string> steps; // every step taken
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
        stepRecord = logPipe[1];
        LevelFileOperations files(
            [&](std::string_view line) {
                const std::string text = std::string(line) + "\n";
                (void)!::write(logPipe[1], text.data(), text.size());
            },
            [](std::string_view) {});
        interruptAt = step;
        killThere = kill;
        platform::setStepHook(interrupt);
        files.setLevelsFolder(levels);
        operation.run(files);
        (void)files.flush();
        ::_exit(stepsTaken >= step ? 3 : 0);
    }
    ::close(logPipe[1]);
    std::string all;
    char buffer[512];
    for (ssize_t got; (got = ::read(logPipe[0], buffer, sizeof buffer)) > 0;)
        all.append(buffer, static_cast<std::size_t>(got));
    ::close(logPipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    Outcome outcome { WIFSIGNALED(status) || WEXITSTATUS(status) == 3, {}, {} };
    std::istringstream lines(all);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with('#'))
            outcome.steps.push_back(line.substr(1));
        else
            outcome.log += line + "\n";
    }
    return outcome;
}

bool logged(const std::string& log, const std::string& slotFile, bool failed)
{
    for (std::size_t at = log.find(slotFile); at != std::string::npos; at = log.find(slotFile, at + 1)) {
        const std::string line = log.substr(at, log.find('\n', at) - at);
        if (line.find("backed up") == std::string::npos && (line.find("FAILED") != std::string::npos) == failed)
            return true;
    }
    return false;
}

// The slot's files, the level to put in it, and its backups where the operation has them.
void layOut(const fs::path& levels, const Operation& operation)
{
    for (const std::string& name : slotFiles) {
        writeFile(levels / name, before(name));
        writeFile(levels / ("levl2005" + name.substr(8)), singlePlayer(name));
        if (operation.backupsThere)
            writeFile(levels / backupFileName(name), backupOf(name));
    }
}

class FaultSweep : public ::testing::TestWithParam<std::tuple<Operation, bool>> { };

} // namespace

TEST_P(FaultSweep, EveryStepInterruptedKeepsTheInvariants)
{
    const auto& [operation, kill] = GetParam();
    const std::vector<std::string> touched(slotFiles.begin(), slotFiles.begin() + static_cast<long>(operation.files));
    int step = 1;
    for (;; ++step) {
        ScratchFolder levels;
        layOut(levels.path(), operation);
        const Outcome outcome = runInterrupted(levels.path(), operation, step, kill);
        const auto interrupted
            = outcome.steps.begin() + std::min<long>(step - 1, static_cast<long>(outcome.steps.size()));
        const std::string interruptedStep = interrupted == outcome.steps.end() ? "" : *interrupted;
        if (!outcome.interrupted) {
            // The whole run: a new backup is renamed, the folder flushed, then the slot renamed.
            if (!operation.backupsThere && operation.after(slotFiles[0]) != before(slotFiles[0])) {
                const auto at = [&](const char* name, std::size_t from = 0) {
                    return std::find(outcome.steps.begin() + static_cast<long>(from), outcome.steps.end(), name)
                        - outcome.steps.begin();
                };
                const auto backupRenamed = static_cast<std::size_t>(at("rename"));
                EXPECT_LT(backupRenamed, at("flush folder", backupRenamed));
                EXPECT_LT(at("flush folder", backupRenamed), at("rename", backupRenamed + 1));
            }
            break; // the operation has fewer steps than this
        }
        SCOPED_TRACE("step " + std::to_string(step) + " (" + interruptedStep + "), log: " + outcome.log);

        std::size_t replaced = 0;
        for (const std::string& name : slotFiles) {
            const std::string slot = readFile(levels / name);
            const bool isTouched = std::find(touched.begin(), touched.end(), name) != touched.end();
            const bool changed = isTouched && slot == operation.after(name) && slot != before(name);
            replaced += changed ? 1 : 0;
            EXPECT_TRUE(slot == before(name) || (isTouched && slot == operation.after(name))) << slot; // I1
            if (operation.backupsThere) {
                EXPECT_EQ(readFile(levels / backupFileName(name)), backupOf(name)); // I2
            } else if (fs::exists(levels / backupFileName(name))) {
                EXPECT_EQ(readFile(levels / backupFileName(name)), before(name)); // I1, I2
            }
            if (changed && !operation.backupsThere) {
                EXPECT_TRUE(fs::exists(levels / backupFileName(name))); // a changed slot has a backup
                EXPECT_NE(std::find(outcome.steps.begin(), interrupted, "flush folder"), interrupted)
                    << "replaced before its backup was flushed"; // I4
            }
            if (isTouched && logged(outcome.log, name, false) && operation.after(name) != before(name)) {
                EXPECT_EQ(slot, operation.after(name)); // I6
            }
            if (isTouched && logged(outcome.log, name, true)) {
                EXPECT_EQ(slot, before(name)); // I5
            }
            EXPECT_EQ(readFile(levels / ("levl2005" + name.substr(8))), singlePlayer(name));
        }
        if (replaced != 0 && replaced != touched.size()) {
            EXPECT_EQ(interruptedStep, "rename") << "a slot holds the files of two levels"; // I3
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

INSTANTIATE_TEST_SUITE_P(AllOperations, FaultSweep,
    ::testing::Combine(::testing::ValuesIn(operations()), ::testing::Bool()), [](const auto& test) {
        return std::string(std::get<0>(test.param).name) + (std::get<1>(test.param) ? "Killed" : "Failing");
    });

// The sweep proves only what it reaches: every step the platform code can take here is
// taken, and so interrupted, by some row. Two are not, and cannot be on this system.
TEST(FaultSweepReach, EveryStepThePlatformTakesIsInterruptedSomewhere)
{
    std::set<std::string> reached;
    for (const Operation& operation : operations()) {
        for (int step = 1;; ++step) {
            ScratchFolder levels;
            layOut(levels.path(), operation);
            const Outcome outcome = runInterrupted(levels.path(), operation, step, false);
            reached.insert(outcome.steps.begin(), outcome.steps.end());
            if (!outcome.interrupted)
                break;
        }
    }
    // Clearing read-only happens on Windows only, which will not replace a read-only file;
    // linking a new backup only where the file system cannot rename without replacing.
    const std::set<platform::Step> elsewhere { platform::Step::ClearReadOnly, platform::Step::Link };
    for (std::size_t step = 0; step < platform::stepCount; ++step) {
        const auto taken = static_cast<platform::Step>(step);
        EXPECT_EQ(reached.count(std::string(platform::nameOf(taken))), elsewhere.count(taken) != 0 ? 0U : 1U)
            << platform::nameOf(taken);
    }
}
#endif

namespace {

const std::string slotBefore = "the multiplayer level";
const std::string backupBefore = "the first backup";
const std::string singleLevel = "a single player level";

class HostileFolder : public ::testing::Test {
protected:
    HostileFolder() { files.setLevelsFolder(levels); }
    ScratchFolder scratch;
    fs::path levels = [this] {
        fs::create_directory(scratch / "levels");
        return scratch / "levels";
    }();
    std::string log;
    LevelFileOperations files { [this](std::string_view line) { log.append(line).append("\n"); },
        [](std::string_view) {} };
};

} // namespace

#ifndef _WIN32 // resource limits, signals, FIFOs, sockets and devices, each tried in a child process (fork)
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
    for (const bool killed : { false, true }) {
        const int status = inChild([&] {
            if (!killed)
                ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit { 4096, 4096 };
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

// Entries that are no regular files, under a level's, a slot file's or a backup's name:
// none is ever opened in a way that could wait (a FIFO would block for good) or be read
// through, none counts as a backup, and every operation ends in bounded time.
TEST_F(HostileFolder, EntriesThatAreNoFilesAreNeverOpenedNorTakenForBackups)
{
    writeFile(scratch / "outside.dat", "outside the levels folder");
    ::mkfifo((scratch / "outside.fifo").c_str(), 0644);
    const std::vector<std::pair<const char*, std::function<bool(const fs::path&)>>> kinds {
        { "FIFO", [](const fs::path& at) { return ::mkfifo(at.c_str(), 0644) == 0; } },
        { "socket",
            [](const fs::path& at) {
                sockaddr_un address {};
                address.sun_family = AF_UNIX;
                at.string().copy(address.sun_path, sizeof address.sun_path - 1);
                const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
                const bool made = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
                ::close(fd);
                return made;
            } },
        { "device", [](const fs::path& at) { return ::mknod(at.c_str(), S_IFCHR | 0644, makedev(1, 3)) == 0; } },
        { "folder", [](const fs::path& at) { return fs::create_directory(at); } },
        { "dangling link", [](const fs::path& at) { return ::symlink("nowhere.dat", at.c_str()) == 0; } },
        { "link out",
            [&](const fs::path& at) { return ::symlink((scratch / "outside.dat").c_str(), at.c_str()) == 0; } },
        { "link to a FIFO",
            [&](const fs::path& at) { return ::symlink((scratch / "outside.fifo").c_str(), at.c_str()) == 0; } },
    };
    // Where the entry stands, and what start-up's backup, an overwrite and a restore log.
    const std::vector<std::pair<const char*, const char*>> places {
        { "levl2005.dat", "levl2005.dat copied to levl2080.dat *** FAILED ***\nlevl2080.dat restored\n" },
        { "levl2080.dat", "levl2005.dat copied to levl2080.dat *** FAILED ***\nlevl2080.dat restore *** FAILED ***\n" },
        { "copy of levl2080.dat",
            "levl2005.dat copied to levl2080.dat *** FAILED ***\nlevl2080.dat restore *** FAILED ***\n" },
    };
    for (const auto& [kind, make] : kinds) {
        for (const auto& [place, expectedLog] : places) {
            SCOPED_TRACE(std::string(kind) + " as " + place);
            for (const std::string& name : namesIn(levels))
                fs::remove_all(levels / name);
            writeFile(levels / "levl2080.dat", slotBefore);
            writeFile(levels / "levl2005.dat", singleLevel);
            if (std::string_view(place) != "levl2080.dat")
                writeFile(levels / "copy of levl2080.dat", slotBefore);
            fs::remove(levels / place);
            if (!make(levels / place)) {
                ASSERT_STREQ(kind, "device") << "cannot make a " << kind;
                continue; // only a privileged run may make a device
            }
            const std::string beforeAll = snapshotOf(levels);
            const int status = inChild([&] {
                ::alarm(10); // a blocked open would hang here for good
                files.copymplevl("levl2080.dat");
                files.copysplevl("levl2005.dat", "levl2080.dat");
                files.restoremplevl("levl2080.dat");
                ::_exit(log == expectedLog ? 0 : 1);
            });
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "ended by signal " << WTERMSIG(status);
            EXPECT_EQ(snapshotOf(levels), beforeAll);
            EXPECT_EQ(readFile(scratch / "outside.dat"), "outside the levels folder");
        }
    }
}

#endif

// A slot never holds the files of two levels: when one file of the slot cannot be
// replaced, none is, and each gets its failure line.
TEST_F(HostileFolder, ASlotIsReplacedWholeOrNotAtAll)
{
    const std::vector<std::pair<const char*, std::function<void()>>> faults {
        { "a level file missing", [&] { fs::remove(levels / "levl2005.ver"); } },
        { "a backup that is a folder",
            [&] {
                fs::remove(levels / "copy of levl2080.ver");
                fs::create_directory(levels / "copy of levl2080.ver");
            } },
#ifndef _WIN32 // no FIFOs on Windows, and links only for privileged users
        { "a level file that is a FIFO",
            [&] {
                fs::remove(levels / "levl2005.hdr");
                ::mkfifo((levels / "levl2005.hdr").c_str(), 0644);
            } },
        { "a slot file that is a link without backup",
            [&] {
                fs::remove(levels / "levl2080.inf");
                fs::remove(levels / "copy of levl2080.inf");
                fs::create_symlink("nowhere", levels / "levl2080.inf");
            } },
#endif
    };
    std::string failed;
    std::vector<SlotFileCopy> copies;
    for (const std::string extension : { ".dat", ".hdr", ".ver", ".inf" }) {
        failed += "levl2005" + extension + " copied to levl2080" + extension + " *** FAILED ***\n";
        copies.push_back({ "levl2005" + extension, "levl2080" + extension });
    }
    for (const auto& [fault, provoke] : faults) {
        SCOPED_TRACE(fault);
        for (const std::string& name : namesIn(levels))
            fs::remove_all(levels / name);
        writeLevel(levels, 2080);
        writeLevel(levels, 2005);
        for (const SlotFileCopy& copy : copies)
            fs::copy_file(levels / copy.mplevlname, levels / ("copy of " + copy.mplevlname));
        provoke();
        const std::string beforeAll = snapshotOf(levels);
        log.clear();
        files.overwriteSlot(copies);
        EXPECT_EQ(log, failed);
        EXPECT_EQ(snapshotOf(levels), beforeAll);
    }
}

#ifndef _WIN32 // on Windows the read-only mark is the file's, shared by all its names, and the open folder cannot be
               // renamed
// Read-only is what the game sees, but the slot is replaced by a rename: the old file's
// mode is never touched, so a hard link to it elsewhere keeps its content and its mode,
// and a failed Change changes no mode at all.
TEST_F(HostileFolder, HardLinksAndReadOnlySlotsLeaveOtherNamesAlone)
{
    for (const mode_t mode : { 0444, 0644 }) {
        SCOPED_TRACE(mode);
        for (const std::string& name : namesIn(levels))
            fs::remove_all(levels / name);
        fs::remove(scratch / "elsewhere.dat");
        writeFile(scratch / "elsewhere.dat", slotBefore, mode);
        fs::create_hard_link(scratch / "elsewhere.dat", levels / "levl2080.dat");
        fs::create_hard_link(scratch / "elsewhere.dat", levels / "copy of levl2080.dat");
        writeFile(levels / "levl2005.dat", singleLevel);
        fs::create_directory(levels / "levl2006.dat");
        log.clear();
        files.copysplevl("levl2007.dat", "levl2080.dat"); // no such level: fails, changes nothing
        EXPECT_EQ(modeOf(levels / "levl2080.dat"), mode);
        files.copysplevl("levl2005.dat", "levl2080.dat"); // the other names keep content and mode
        files.copysplevl("levl2006.dat", "levl2080.dat"); // a folder is no level file
        files.copysplevl("levl2080.dat", "levl2080.dat"); // a file over itself
        EXPECT_EQ(readFile(scratch / "elsewhere.dat"), slotBefore);
        EXPECT_EQ(modeOf(scratch / "elsewhere.dat"), mode);
        EXPECT_EQ(modeOf(levels / "copy of levl2080.dat"), mode);
        EXPECT_EQ(readFile(levels / "levl2080.dat"), singleLevel);
        EXPECT_EQ(log,
            "levl2007.dat copied to levl2080.dat *** FAILED ***\nlevl2005.dat copied to levl2080.dat\n"
            "levl2006.dat copied to levl2080.dat *** FAILED ***\nlevl2080.dat copied to levl2080.dat\n");
    }
}

// The folder opened at start-up stays the one worked in: renamed, or replaced by a link
// to somewhere else, nothing is written through the new name.
TEST_F(HostileFolder, TheFolderOpenedIsTheFolderWorkedIn)
{
    writeFile(levels / "levl2080.dat", slotBefore);
    writeFile(levels / "copy of levl2080.dat", slotBefore);
    writeFile(levels / "levl2005.dat", singleLevel);
    const fs::path elsewhere = scratch / "elsewhere";
    fs::create_directory(elsewhere);
    writeFile(elsewhere / "levl2080.dat", "not the game's");
    writeFile(elsewhere / "levl2005.dat", "not the game's either");
    fs::rename(levels, scratch / "moved");
    fs::create_directory_symlink(elsewhere, levels);
    files.copysplevl("levl2005.dat", "levl2080.dat");
    EXPECT_EQ(log, "levl2005.dat copied to levl2080.dat\n");
    EXPECT_EQ(readFile(scratch / "moved/levl2080.dat"), singleLevel);
    EXPECT_EQ(namesIn(elsewhere), (std::vector<std::string> { "levl2005.dat", "levl2080.dat" }));
    EXPECT_EQ(readFile(elsewhere / "levl2080.dat"), "not the game's");
}

#endif

// A flush that fails is a failure: the overwrite that needed a new backup does not go
// ahead, and a failed flush at the end of a Change has its reason written.
TEST_F(HostileFolder, AFailedFlushIsAFailure)
{
    writeFile(levels / "levl2080.dat", slotBefore);
    writeFile(levels / "levl2005.dat", singleLevel);
    std::string reasons;
    LevelFileOperations flushing([this](std::string_view line) { log.append(line).append("\n"); },
        [&](std::string_view line) { reasons.append(line).append("\n"); });
    flushing.setLevelsFolder(levels);
    platform::setStepHook([](platform::Step step) { return step == platform::Step::FlushFolder ? EIO : 0; });
    flushing.copysplevl("levl2005.dat", "levl2080.dat");
    const bool flushed = flushing.flush();
    platform::setStepHook(nullptr);
    EXPECT_EQ(log, "levl2005.dat copied to levl2080.dat *** FAILED ***\n");
    EXPECT_EQ(readFile(levels / "levl2080.dat"), slotBefore);
    EXPECT_FALSE(flushed);
    EXPECT_NE(reasons.find("the levels folder: flush folder: "), std::string::npos) << reasons;
}

#ifndef _WIN32 // root and other users, chattr, mount, and starts at once in child processes (fork)
TEST_F(HostileFolder, ReadOnlyIsClearedByTheModeNotByRootsOverride)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    constexpr uid_t player = 65534;
    fs::permissions(scratch.path(), fs::perms(0755)); // the player may pass through to the levels
    ASSERT_EQ(::chown(levels.c_str(), player, player), 0);
    for (const char* name :
        { "levl2080.dat", "copy of levl2080.dat", "levl2005.dat", "levl2100.dat", "copy of levl2100.dat" })
        writeFile(levels / name, name, 0444);
    for (const char* name : { "levl2080.dat", "copy of levl2080.dat", "levl2005.dat" })
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
        ::_exit(log
                    == "levl2005.dat copied to levl2080.dat\nlevl2005.dat copied to levl2100.dat *** FAILED ***\n"
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
    writeFile(levels / "levl2005.dat", singleLevel);
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
    writeFile(levels / "levl2005.dat", singleLevel);
    ASSERT_EQ(::chown(levels.c_str(), player, player), 0);
    files.copysplevl("levl2005.dat", "levl2080.dat"); // takes the backup, then overwrites
    for (const char* name : { "levl2080.dat", "copy of levl2080.dat" }) {
        struct stat status { };
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
    const std::string backup
        = fs::exists(levels / "copy of levl2120.dat") ? readFile(levels / "copy of levl2120.dat") : "";
    ::umount(levels.c_str());
    EXPECT_EQ(log.substr(0, log.find("levl2120")),
        "levl2005.dat copied to levl2080.dat *** FAILED ***\nlevl2080.dat restore *** FAILED ***\n");
    EXPECT_TRUE(after == before || backup == std::string(5000, 'x'));
    EXPECT_EQ(after.find(".varnholt-"), std::string::npos);
}

// One Varnholt at a time per levels folder: two started at once, in a folder with an odd
// path, give one complete backup each and one "already running" message.
TEST(Instances, OddPathsAndTwoStartsAtOnceGiveOneCompleteBackupEach)
{
    ScratchFolder scratch;
    const fs::path prefix = makeWinePrefix(scratch / "-a prefix with spaces, and ü");
    const fs::path levels = makeLevelsFolder(prefix);
    for (const int slot : { 2080, 2100, 2120 })
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
            MainWindowLogic logic(window, environmentOf({ { "WINEPREFIX", prefix } }));
            logic.Form_Load();
            ::usleep(200000); // still running while the other starts
            ::_exit(window.messages.empty()                                                     ? 0
                    : window.messages == std::vector { alreadyRunningMessage(levels.string()) } ? 1
                                                                                                : 2);
        }
    }
    ::close(barrier[0]);
    ::close(barrier[1]);
    std::multiset<int> statuses;
    for (const pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        statuses.insert(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }
    EXPECT_EQ(statuses, (std::multiset<int> { 0, 1 }));
    EXPECT_EQ(namesIn(levels).size(), 24U); // twelve slot files, twelve backups, nothing else
    for (const std::string& name : namesIn(levels)) {
        if (name.starts_with("copy of ")) {
            EXPECT_EQ(readFile(levels / name), readFile(levels / name.substr(8)));
        }
    }
}

// A second start says so and changes nothing, not even the first one's temporary files;
// once the first has gone, the next start clears what it left.
TEST(Instances, ASecondStartLeavesTheFirstOnesWorkAlone)
{
    InstalledGame game;
    const fs::path startFolder = fs::current_path();
    auto first = std::make_unique<FakeWindow>();
    auto firstLogic = std::make_unique<MainWindowLogic>(*first, game.environment());
    firstLogic->Form_Load();
    writeFile(game.levels / ".varnholt-AbC123.tmp", "a copy the first one is making");
    const std::string before = snapshotOf(game.levels);

    FakeWindow second;
    MainWindowLogic secondLogic(second, game.environment());
    secondLogic.Form_Load();
    second.setSelectorText(Selector::Combo1, "21 - Fractured Earth");
    secondLogic.cmdChange_Click();
    EXPECT_EQ(second.messages, std::vector { alreadyRunningMessage(game.levels.string()) });
    EXPECT_EQ(snapshotOf(game.levels), before);

    firstLogic.reset();
    FakeWindow third;
    MainWindowLogic(third, game.environment()).Form_Load();
    EXPECT_TRUE(third.messages.empty());
    EXPECT_EQ(third.log, ""); // the backups are there from the first start
    EXPECT_FALSE(fs::exists(game.levels / ".varnholt-AbC123.tmp"));
    fs::current_path(startFolder);
}
// Where the kernel cannot copy between the two files (another file system, an old
// kernel), the copy falls back to reading and writing, and is whole all the same.
TEST_F(HostileFolder, ACopyFallsBackToReadingAndWriting)
{
    std::string level(200000, 'x');
    for (std::size_t i = 0; i < level.size(); i += 7)
        level[i] = static_cast<char>('a' + i % 26);
    writeFile(levels / "levl2080.dat", slotBefore);
    writeFile(levels / "copy of levl2080.dat", backupBefore);
    writeFile(levels / "levl2005.dat", level);
    platform::setStepHook([](platform::Step step) { return step == platform::Step::Write ? EXDEV : 0; });
    files.copysplevl("levl2005.dat", "levl2080.dat");
    platform::setStepHook(nullptr);
    EXPECT_EQ(log, "levl2005.dat copied to levl2080.dat\n");
    EXPECT_EQ(readFile(levels / "levl2080.dat"), level);
}

// A player who may not write in the levels folder is told so once, in plain words, and
// nothing is written; a UAC-protected C:\Program Files on Windows meets the same words.
TEST(Instances, AFolderThePlayerMayNotWriteIsSaidOnce)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    InstalledGame game;
    for (fs::path folder = game.levels; folder != game.scratch.path().parent_path(); folder = folder.parent_path())
        fs::permissions(folder, fs::perms(0755)); // the player may pass through, and read, but not write
    const std::string before = snapshotOf(game.levels);
    const int status = inChild([&] {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        FakeWindow window;
        MainWindowLogic(window, game.environment()).Form_Load();
        ::_exit(window.messages == std::vector { levelsFolderNotWritableMessage(game.levels.string()) }
                    && window.log.empty()
                ? 0
                : 1);
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << WEXITSTATUS(status);
    EXPECT_EQ(snapshotOf(game.levels), before);
}

#endif
