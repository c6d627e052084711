// SPDX-License-Identifier: MIT
// The fault model: every level file operation, in every state a player's levels folder can
// be in, runs whole, and then made to fail or killed at each file-system step it takes,
// each run in a child process, against one set of invariants:
//   I1 nothing partial stands under a slot file's or a backup's name; nothing changes
//      outside the folder, nor in it but the slot files and their new backups;
//   I2 an existing backup is never modified, and a new one holds the original;
//   I3 a slot's files change all together or not at all, but while the renames run;
//   I4 "backup renamed, folder flushed, slot renamed": a changed slot has a durable backup;
//   I5 a failure line leaves its file as it was and has its reason; no temporary file is
//      left but after a kill, and the next start-up clears that;
//   I6 a success line stands only for a copy that was committed.
// A whole run does what the folder allows, and the same where the copy reads and writes.
#include "levelfiles/levelfileoperations.h"
#include "platform/entryname.h"
#include "platform/platformfiles.h"
#include "platform/temporaryname.h"
#include "session/mainwindowlogic.h"
#include "support/fakewindow.h"
#include "support/slotfile.h"
#include "support/wineprefix.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <set>
#include <sstream>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace varnholt;
using namespace varnholt::test;
namespace fs = std::filesystem;
using P = const fs::path&;

namespace {

// The folder: two slot files, the level for them, and their backups where there are any.
const std::vector<std::string> slotFiles { "levl2080.dat", "levl2080.hdr" };
const auto levelFor = [](const std::string& slotFile) { return "levl2005" + slotFile.substr(8); };
// Bigger than one buffer of the read-and-write copy.
const auto singlePlayer = [](const std::string& slotFile) { return "level for " + slotFile + std::string(70000, '5'); };

// The operations, in the order of the states' expectations below.
enum class Does { BackUp, Overwrite, Restore };
struct Operation {
    const char* name;
    Does does;
    bool backupsThere;
    std::size_t files; // how many of the slot's files it replaces
    void (*run)(LevelFileOperations&);
};
const auto touchedBy = [](const Operation& operation) {
    return std::vector<std::string>(slotFiles.begin(), slotFiles.begin() + long(operation.files));
};
const auto overwrite = [](LevelFileOperations& files) { overwriteSlotFile(files, "levl2005.dat", "levl2080.dat"); };
const auto overwriteSlot = [](LevelFileOperations& files) {
    files.overwriteSlot(
        std::vector<SlotFileCopy> { { "levl2005.dat", "levl2080.dat" }, { "levl2005.hdr", "levl2080.hdr" } });
};
const std::vector<Operation> operations {
    { "BackUp", Does::BackUp, false, 1, [](LevelFileOperations& files) { files.backUpSlotFile("levl2080.dat"); } },
    { "Overwrite", Does::Overwrite, true, 1, overwrite },
    { "OverwriteTakingTheBackup", Does::Overwrite, false, 1, overwrite },
    { "Restore", Does::Restore, true, 1, [](LevelFileOperations& files) { restoreSlotFile(files, "levl2080.dat"); } },
    { "OverwriteSlot", Does::Overwrite, true, 2, overwriteSlot },
    { "OverwriteSlotTakingTheBackups", Does::Overwrite, false, 2, overwriteSlot },
    { "RestoreSlot", Does::Restore, true, 2, [](LevelFileOperations& files) { files.restoreSlot(slotFiles); } },
};

// The states: one entry of the regular folder made into something else, at the last slot
// file the operation touches (false where this system cannot make it); and what each
// operation does there when run whole: 'y' succeeds, 'n' fails, '-' finds nothing to do.
enum class Role { None, Level, Slot, Backup };
struct FolderState {
    const char* name;
    Role role;
    bool (*make)(P at);
    const char* expected; // by operation
};
const auto missing = [](P) { return true; };
const auto fifo = [](P at) { return ::mkfifo(at.c_str(), 0644) == 0; };
const auto folder = [](P at) { return fs::create_directory(at); };
const auto linkOut = [](P at) { return ::symlink("../outside/a.dat", at.c_str()) == 0; };
const auto dangling = [](P at) { return ::symlink("nowhere.dat", at.c_str()) == 0; };
const auto ambiguous = [](P at) { // two names that differ from it only in case, neither exactly it
    const std::string name = at.filename().string();
    std::string capitals = name;
    std::transform(name.begin(), name.end(), capitals.begin(), [](char c) { return char(std::toupper(c)); });
    writeFile(at.parent_path() / capitals, "one");
    writeFile(at.parent_path() / (capitals.substr(0, 1) + name.substr(1)), "other");
    return true;
};
const auto socketAt = [](P at) {
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    at.string().copy(address.sun_path, sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool made = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return made;
};

const std::vector<FolderState> folderStates {
    { "Regular", Role::None, nullptr, "yyyyyyy" },
    { "LevelMissing", Role::Level, missing, "ynnynny" },
    { "LevelFifo", Role::Level, fifo, "ynnynny" },
    { "LevelFolder", Role::Level, folder, "ynnynny" },
    { "LevelLinkOut", Role::Level, linkOut, "ynnynny" },
    { "SlotMissing", Role::Slot, missing, "-nnnnnn" },
    { "SlotFifo", Role::Slot, fifo, "nynyyny" },
    { "SlotSocket", Role::Slot, socketAt, "nynyyny" },
    { "SlotDevice", Role::Slot, [](P at) { return ::mknod(at.c_str(), S_IFCHR | 0644, makedev(1, 3)) == 0; },
        "nynyyny" },
    { "SlotFolder", Role::Slot, folder, "nnnnnnn" },
    { "SlotDanglingLink", Role::Slot, dangling, "nynyyny" },
    { "SlotLinkOut", Role::Slot, linkOut, "nynyyny" },
    { "SlotLinkToAFifo", Role::Slot, [](P at) { return ::symlink("../outside/fifo", at.c_str()) == 0; }, "nynyyny" },
    { "SlotReadOnlyAndHardLinkedFromOutside", Role::Slot,
        [](P at) { return ::link((at.parent_path() / "../outside/linked").c_str(), at.c_str()) == 0; }, "yyyyyyy" },
    { "SlotInCapitals", Role::Slot,
        [](P at) {
            writeFile(at.parent_path() / "LEVL2080" += at.extension(), "original " + at.filename().string());
            return true;
        },
        "yyyyyyy" },
    { "SlotAmbiguous", Role::Slot, ambiguous, "nnnnnnn" },
    { "BackupMissing", Role::Backup, missing, "yyynyyn" },
    { "BackupAmbiguous", Role::Backup, ambiguous, "-nnnnnn" },
    { "BackupFifo", Role::Backup, fifo, "-nnnnnn" },
    { "BackupFolder", Role::Backup, folder, "-nnnnnn" },
    { "BackupLinkOut", Role::Backup, linkOut, "-nnnnnn" },
    { "BackupDanglingLink", Role::Backup, dangling, "-nnnnnn" },
};

// Swept step by step: the regular folder, and one where a slot fails after a copy was made
// ready, which must then be removed. Each other state gets a whole run.
const auto isSwept = [](const FolderState& state) {
    return state.role == Role::None || state.name == std::string_view("LevelMissing");
};

std::string successLine(Does does, const std::string& slotFile)
{
    return does == Does::BackUp   ? slotFile + " multiplayer level backed up"
        : does == Does::Overwrite ? levelFor(slotFile) + " copied to " + slotFile
                                  : slotFile + " restored";
}

std::string failureLine(Does does, const std::string& slotFile)
{
    return does == Does::Restore ? slotFile + " restore *** FAILED ***"
                                 : levelFor(slotFile) + " copied to " + slotFile + " *** FAILED ***";
}

// The folder laid out for an operation in a state, beside a folder outside it.
struct Layout {
    ScratchFolder scratch;
    fs::path levels = scratch / "levels";
    fs::path outside = scratch / "outside";
    bool possible = true;

    Layout(const Operation& operation, const FolderState& state)
    {
        fs::create_directory(levels);
        fs::create_directory(outside);
        writeFile(outside / "a.dat", "outside the levels folder", 0444);
        ::mkfifo((outside / "fifo").c_str(), 0644);
        for (const std::string& name : slotFiles) {
            writeFile(levels / name, "original " + name);
            writeFile(levels / levelFor(name), singlePlayer(name));
            if (operation.backupsThere)
                writeFile(levels / backupFileName(name), "first backup of " + name);
        }
        const std::string last = slotFiles[operation.files - 1];
        writeFile(outside / "linked", "original " + last, 0444);
        if (state.role == Role::None)
            return;
        const fs::path at = levels
            / (state.role == Role::Level       ? levelFor(last)
                    : state.role == Role::Slot ? last
                                               : backupFileName(last));
        fs::remove(at);
        possible = state.make(at);
    }
};

// What the next start-up does first: remove the temporary files a killed run left.
void startAgain(const fs::path& levels)
{
    LevelFileOperations nextStart([](std::string_view) {});
    nextStart.setLevelsFolder(levels);
    nextStart.removeLeftovers();
}

// One run in a child process, whose step k (from 1; 0: none) fails or kills it.
int interruptAt = 0;
int stepsTaken = 0;
bool killThere = false;
bool fallBack = false; // every copy falls back to reading and writing
int record = -1; // where the child writes its steps (#), reasons (!) and log lines

void send(char kind, std::string_view text)
{
    const std::string line = kind + std::string(text) + "\n";
    (void)!::write(record, line.data(), line.size());
}

int interrupt(platform::Step step)
{
    send('#', platform::nameOf(step));
    if (++stepsTaken != interruptAt)
        return fallBack && step == platform::Step::Write ? EXDEV : 0;
    if (killThere)
        ::raise(SIGKILL);
    return EIO;
}

constexpr int Interrupted = 1, NotFlushed = 2, Escaped = 4, Leaked = 8; // the child's exit bits

struct Outcome {
    int status = 0;
    std::vector<std::string> log;
    std::string reasons;
    std::vector<std::string> steps; // every step taken

    [[nodiscard]] bool exited(int bit) const { return WIFEXITED(status) && (WEXITSTATUS(status) & bit) != 0; }
    [[nodiscard]] bool interrupted() const { return WIFSIGNALED(status) || exited(Interrupted); }
    [[nodiscard]] std::string stepName(int step) const // none for 0 or a step never taken
    {
        return step > 0 && std::size_t(step) <= steps.size() ? steps[std::size_t(step - 1)] : "";
    }
};

Outcome runInChild(const fs::path& levels, const Operation& operation, int step, bool kill, bool exdev)
{
    int pipe[2];
    if (::pipe(pipe) != 0)
        throw std::runtime_error("no pipe");
    std::fflush(nullptr); // a child must not write out what the parent had buffered
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        ::alarm(10); // an open that blocked would hang here for good
        std::tie(record, interruptAt, killThere, fallBack) = std::tuple(pipe[1], step, kill, exdev);
        LevelFileOperations files(
            [](std::string_view line) { send(' ', line); }, [](std::string_view line) { send('!', line); });
        platform::setStepHook(interrupt);
        const std::size_t descriptors = namesIn("/proc/self/fd").size();
        try {
            files.setLevelsFolder(levels);
            operation.run(files);
            const bool flushed = files.flush();
            files.setLevelsFolder(std::nullopt);
            ::_exit((step > 0 && stepsTaken >= step ? Interrupted : 0) + (flushed ? 0 : NotFlushed)
                + (namesIn("/proc/self/fd").size() != descriptors ? Leaked : 0));
        } catch (const std::exception& error) {
            send('!', std::string("escaped: ") + error.what());
            ::_exit(Escaped);
        }
    }
    ::close(pipe[1]);
    std::string all;
    char buffer[4096];
    for (ssize_t got; (got = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
        all.append(buffer, static_cast<std::size_t>(got));
    ::close(pipe[0]);
    Outcome outcome;
    ::waitpid(child, &outcome.status, 0);
    std::istringstream lines(all);
    for (std::string line; std::getline(lines, line);) {
        if (line[0] == '#')
            outcome.steps.push_back(line.substr(1));
        else if (line[0] == '!')
            outcome.reasons += line.substr(1) + "\n";
        else
            outcome.log.push_back(line.substr(1));
    }
    return outcome;
}

// The invariants, for one run interrupted at `step` (0: none), over a folder that held `before`.
void checkInvariants(const Operation& operation, const Layout& layout, const std::map<std::string, std::string>& before,
    const std::string& outsideBefore, const Outcome& outcome, int step, bool kill)
{
    const std::vector<std::string> touched = touchedBy(operation);
    const std::map<std::string, std::string> after = entriesIn(layout.levels);
    const auto logged
        = [&](const std::string& line) { return std::count(outcome.log.begin(), outcome.log.end(), line) != 0; };
    const auto entry = [](const std::map<std::string, std::string>& entries, const std::string& name) {
        const auto found = entries.find(name);
        return found == entries.end() ? std::string("missing") : found->second;
    };
    const auto was = [&](const std::string& name) { return entry(before, name); };
    const auto is = [&](const std::string& name) { return entry(after, name); };
    const auto slotWas = [&](const std::string& slot) { // under the name it has, in any case
        const auto found = std::find_if(
            before.begin(), before.end(), [&](const auto& e) { return equalIgnoringCase(e.first, slot); });
        return found == before.end() ? std::string("missing") : found->second;
    };
    const auto named = [&](const std::string& name, std::string (*nameOf)(std::string_view)) { // a slot file of it
        return std::find_if(
            touched.begin(), touched.end(), [&](const std::string& s) { return equalIgnoringCase(nameOf(s), name); });
    };
    std::set<std::string> names;
    for (const auto* entries : { &before, &after })
        for (const auto& [name, content] : *entries)
            names.insert(name);
    const std::string interrupted = outcome.stepName(step);
    std::size_t changed = 0;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const auto slot = named(name, [](std::string_view s) { return std::string(s); });
        const auto backupOf = named(name, backupFileName);
        if (isTemporaryName(name)) {
            EXPECT_TRUE(kill || interrupted == "remove") << "a temporary file left after a failure"; // I5
        } else if (slot != touched.end()) {
            const std::string replaced = operation.does == Does::Restore ? was(backupFileName(*slot))
                : operation.does == Does::Overwrite                      ? fileEntry(singlePlayer(*slot))
                                                                         : was(name);
            EXPECT_TRUE(is(name) == was(name) || is(name) == replaced) << is(name); // I1
            const bool isChanged = is(name) != was(name);
            changed += isChanged ? 1 : 0;
            EXPECT_FALSE(isChanged && logged(failureLine(operation.does, *slot))); // I5
            EXPECT_FALSE(!isChanged && replaced != was(name) && logged(successLine(operation.does, *slot))); // I6
            if (isChanged && was(backupFileName(*slot)) == "missing") {
                EXPECT_NE(is(backupFileName(*slot)), "missing") << "a changed slot has no backup"; // I4
                const auto end = step > 0 ? outcome.steps.begin() + std::min(long(outcome.steps.size()), long(step - 1))
                                          : outcome.steps.end();
                EXPECT_NE(std::find(outcome.steps.begin(), end, "flush folder"), end)
                    << "replaced before its backup was flushed";
            }
        } else if (backupOf != touched.end() && was(name) == "missing") {
            EXPECT_EQ(is(name) == "missing" ? slotWas(*backupOf) : is(name), slotWas(*backupOf))
                << "a new backup"; // I2
            EXPECT_FALSE(is(name) == "missing" && logged(*backupOf + " multiplayer level backed up")); // I6
        } else {
            EXPECT_EQ(is(name), was(name)) << "changed, though not the operation's to change"; // I1, I2
        }
    }
    EXPECT_EQ(snapshotOf(layout.outside), outsideBefore) << "changed outside the levels folder"; // I1
    if (changed != 0 && changed != touched.size()) {
        EXPECT_EQ(interrupted, "rename") << "a slot holds the files of two levels"; // I3
    }
}

class FaultModel : public ::testing::TestWithParam<std::tuple<int, bool>> { };

} // namespace

TEST_P(FaultModel, EveryStateAndEveryStepInterruptedKeepsTheInvariants)
{
    const auto [column, kill] = GetParam();
    const Operation& operation = operations[std::size_t(column)];
    const std::vector<std::string> touched = touchedBy(operation);
    int longest = 0;
    for (const FolderState& state : folderStates) {
        const char expected = state.expected[column];
        const bool succeeding = expected == 'y';
        for (int step = kill ? 1 : 0; step == 0 || isSwept(state); ++step) {
            const Layout layout(operation, state);
            if (!layout.possible) {
                ASSERT_STREQ(state.name, "SlotDevice") << "cannot make the entry"; // only a privileged run may
                break;
            }
            const std::map<std::string, std::string> before = entriesIn(layout.levels);
            const std::string outsideBefore = snapshotOf(layout.outside);
            const Outcome outcome = runInChild(layout.levels, operation, step, kill, false);
            const std::string interrupted = outcome.stepName(step);
            SCOPED_TRACE(std::string(state.name) + ", step " + std::to_string(step) + " " + interrupted
                + ", log: " + ::testing::PrintToString(outcome.log));
            ASSERT_FALSE(WIFSIGNALED(outcome.status) && WTERMSIG(outcome.status) == SIGALRM) << "hung";
            ASSERT_FALSE(outcome.exited(Escaped)) << outcome.reasons;
            EXPECT_FALSE(outcome.exited(Leaked)) << "a file left open";
            if (step > 0 && !outcome.interrupted())
                break; // the operation has fewer steps than this
            longest = std::max(longest, int(outcome.steps.size()));
            checkInvariants(operation, layout, before, outsideBefore, outcome, step, kill);
            const bool failed = outcome.exited(NotFlushed)
                || std::any_of(
                    outcome.log.begin(), outcome.log.end(), [](auto& line) { return line.ends_with("***"); });
            if (succeeding && failed && !kill) {
                EXPECT_NE(outcome.reasons.find(interrupted), std::string::npos) << outcome.reasons; // I5
            }
            startAgain(layout.levels);
            for (const std::string& name : namesIn(layout.levels))
                EXPECT_FALSE(isTemporaryName(name)) << "left after the next start-up";
            if (step > 0)
                continue;

            // The whole run does what the folder allows, for every file it touches, and
            // reasons go with failures and say which file of a slot was left with the rest.
            for (const std::string& name : touched) {
                const auto count
                    = [&](const std::string& line) { return std::count(outcome.log.begin(), outcome.log.end(), line); };
                EXPECT_EQ(count(successLine(operation.does, name)), succeeding ? 1 : 0) << name;
                EXPECT_EQ(
                    count(failureLine(operation.does, name)), succeeding || operation.does == Does::BackUp ? 0 : 1)
                    << name;
            }
            EXPECT_EQ(failed, !succeeding && operation.does != Does::BackUp);
            EXPECT_EQ(outcome.steps.back(), "flush folder") << "what was renamed is made durable at the end";
            EXPECT_EQ(outcome.reasons.empty(), expected != 'n') << outcome.reasons;
            EXPECT_EQ(
                outcome.reasons.find("levl2080.dat: left as it was, with the rest of its slot") != std::string::npos,
                !succeeding && touched.size() == 2 && operation.does != Does::BackUp);
            if (succeeding && !operation.backupsThere && operation.does == Does::Overwrite) {
                // A new backup is renamed, the folder flushed, then the slot renamed.
                const auto at = [&](const char* name, long from) {
                    return std::find(outcome.steps.begin() + from, outcome.steps.end(), name) - outcome.steps.begin();
                };
                EXPECT_LT(at("rename", 0), at("flush folder", at("rename", 0)));
                EXPECT_LT(at("flush folder", at("rename", 0)), at("rename", at("rename", 0) + 1));
            }
            // Where the kernel cannot copy between the files, the copy reads and writes, to the same end.
            const Layout again(operation, state);
            EXPECT_EQ(runInChild(again.levels, operation, 0, false, true).log, outcome.log);
            EXPECT_EQ(entriesIn(again.levels), entriesIn(layout.levels));
        }
    }
    EXPECT_GT(longest, 6) << "the model reached too few steps to mean anything";
}

INSTANTIATE_TEST_SUITE_P(
    AllOperations, FaultModel, ::testing::Combine(::testing::Range(0, 7), ::testing::Bool()), [](const auto& test) {
        return operations[std::size_t(std::get<0>(test.param))].name
            + std::string(std::get<1>(test.param) ? "Killed" : "Failing");
    });

// The model proves only what it reaches: every step the platform code can take here is
// taken in a folder swept step by step, and so interrupted there. Clearing read-only
// happens on Windows only; linking a new backup only where a rename cannot refuse to replace.
TEST(FaultModelReach, EveryStepThePlatformTakesIsInterruptedSomewhere)
{
    std::set<std::string> reached;
    for (const Operation& operation : operations)
        for (const FolderState& state : folderStates)
            if (isSwept(state)) {
                const std::vector<std::string> steps
                    = runInChild(Layout(operation, state).levels, operation, 0, false, false).steps;
                reached.insert(steps.begin(), steps.end());
            }
    for (std::size_t step = 0; step < platform::stepCount; ++step) {
        const auto taken = static_cast<platform::Step>(step);
        const bool elsewhere = taken == platform::Step::ClearReadOnly || taken == platform::Step::Link;
        EXPECT_EQ(reached.count(std::string(platform::nameOf(taken))), elsewhere ? 0U : 1U) << platform::nameOf(taken);
    }
}

namespace {

// Runs work in a child process, as root or as another user; returns its wait status: exit
// code 0 when the work returned true.
constexpr uid_t player = 65534;
int inChild(bool asPlayer, const std::function<bool()>& work)
{
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            ::_exit(asPlayer && (::setgid(player) != 0 || ::setuid(player) != 0) ? 2 : work() ? 0 : 1);
        } catch (...) {
            ::_exit(5);
        }
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}
bool exitedWith(int status, int code)
{
    return WIFEXITED(status) && WEXITSTATUS(status) == code;
}

std::string logOf(const fs::path& levels, const std::function<void(LevelFileOperations&)>& work)
{
    std::string log;
    LevelFileOperations files([&](std::string_view line) { log.append(line).append("\n"); });
    files.setLevelsFolder(levels);
    work(files);
    return log;
}

} // namespace

// Faults the kernel makes for real, not through the step hook: a file-size limit that stops
// a copy half-way (failing with SIGXFSZ ignored, killed by it otherwise), a full disk, an
// immutable slot. The overwrite and the restore fail, and, once the next start-up has
// cleared a killed run's temporary files, the folder is as it was.
TEST(RealFaults, LeaveEveryFileAsItWas)
{
    for (const std::string fault : { "size limit, failing", "size limit, killed", "full disk", "immutable slot" }) {
        SCOPED_TRACE(fault);
        ScratchFolder levels;
        if (fault == "full disk" && ::mount("tmpfs", levels.path().c_str(), "tmpfs", 0, "size=64k") != 0)
            continue; // mounting needs root
        for (const std::string name : { "levl2080.dat", "copy of levl2080.dat", "levl2005.dat" })
            writeFile(levels / name, name + std::string(20000, 'x'));
        const std::string chattr = "chattr +i '" + (levels / "levl2080.dat").string() + "' 2>/dev/null";
        if (fault == "immutable slot" && std::system(chattr.c_str()) != 0)
            continue; // this file system or user cannot make a file immutable
        const std::string before = snapshotOf(levels.path());
        const int status = inChild(false, [&] {
            if (fault.starts_with("size limit")) {
                ::signal(SIGXFSZ, fault.ends_with("failing") ? SIG_IGN : SIG_DFL);
                const rlimit limit { 4096, 4096 };
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
            const std::string log = logOf(levels.path(), [](LevelFileOperations& files) {
                overwriteSlotFile(files, "levl2005.dat", "levl2080.dat");
                restoreSlotFile(files, "levl2080.dat");
            });
            return log == "levl2005.dat copied to levl2080.dat *** FAILED ***\nlevl2080.dat restore *** FAILED ***\n";
        });
        EXPECT_TRUE(
            fault.ends_with("killed") ? WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ : exitedWith(status, 0));
        startAgain(levels.path());
        EXPECT_EQ(snapshotOf(levels.path()), before);
        (void)std::system(("chattr -i '" + (levels / "levl2080.dat").string() + "' 2>/dev/null").c_str());
        ::umount(levels.path().c_str());
    }
}

// Another user than root, in a folder that is the player's: read-only files the player
// owns are replaced, but not root's, which only root's override could write; nothing the
// player cannot read is copied; what root replaces stays the player's; and where the player
// may not write at all, start-up says so once and writes nothing.
TEST(AnotherUser, MayDoWhatThePlayerMayAndNothingMore)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    InstalledGame game;
    const fs::path levels = game.levels;
    for (fs::path folder = levels; folder != game.scratch.path().parent_path(); folder = folder.parent_path())
        fs::permissions(folder, fs::perms(0755)); // the player may pass through, and read, but not write
    const std::string before = snapshotOf(levels);
    const int refused = inChild(true, [&] {
        FakeWindow window;
        MainWindowLogic(window, game.environment()).Form_Load();
        return window.messages == std::vector { levelsFolderNotWritableMessage(levels.string()) } && window.log.empty();
    });
    EXPECT_TRUE(exitedWith(refused, 0));
    EXPECT_EQ(snapshotOf(levels), before);

    for (const char* name : { "levl2080.dat", "copy of levl2080.dat", "levl2005.dat", "copy of levl2100.dat" })
        writeFile(levels / name, name, 0444);
    for (const char* name : { ".", "levl2080.dat", "copy of levl2080.dat", "levl2005.dat" })
        ASSERT_EQ(::chown((levels / name).c_str(), player, player), 0);
    writeFile(levels / "levl2100.dat", "root's", 0444);
    writeFile(levels / "levl2021.dat", "unreadable", 0);
    const int copied = inChild(true, [&] {
        const std::string log = logOf(levels, [](LevelFileOperations& files) {
            overwriteSlotFile(files, "levl2005.dat", "levl2080.dat");
            overwriteSlotFile(files, "levl2005.dat", "levl2100.dat");
            overwriteSlotFile(files, "levl2021.dat", "levl2080.dat");
            files.backUpSlotFile("levl2021.dat");
        });
        return log
            == "levl2005.dat copied to levl2080.dat\nlevl2005.dat copied to levl2100.dat *** FAILED ***\n"
               "levl2021.dat copied to levl2080.dat *** FAILED ***\n";
    });
    EXPECT_TRUE(exitedWith(copied, 0));
    EXPECT_FALSE(fs::exists(levels / "copy of levl2021.dat"));
    EXPECT_EQ(readFile(levels / "levl2080.dat"), "levl2005.dat");
    EXPECT_EQ(readFile(levels / "levl2100.dat"), "root's");

    fs::remove(levels / "copy of levl2120.dat"); // root takes the backup, then overwrites
    logOf(levels, [](LevelFileOperations& files) { overwriteSlotFile(files, "levl2021.dat", "levl2120.dat"); });
    for (const char* name : { "levl2120.dat", "copy of levl2120.dat" }) {
        struct stat status { };
        ASSERT_EQ(::stat((levels / name).c_str(), &status), 0);
        EXPECT_EQ(status.st_uid, player) << name;
    }
}

// One Varnholt at a time per levels folder: two started at once, in a folder with an odd
// path, give one complete backup each and one "already running" message. A start beside a
// running one changes nothing, not even its temporary files; once the first has gone, the
// next start clears what it left.
TEST(Instances, OneAtATimePerLevelsFolder)
{
    ScratchFolder scratch;
    const fs::path prefix = makeWinePrefix(scratch / "-a prefix with spaces, and ü");
    const fs::path levels = makeLevelsFolder(prefix);
    for (const int slot : { 2080, 2100, 2120, 2021 })
        writeLevel(levels, slot);
    const auto environment = environmentOf({ { "WINEPREFIX", prefix } });
    const std::vector<std::string> alreadyRunning { alreadyRunningMessage(levels.string()) };
    int barrier[2];
    ASSERT_EQ(::pipe(barrier), 0);
    std::vector<pid_t> children;
    for (int i = 0; i < 2; ++i) {
        std::fflush(nullptr);
        if (children.emplace_back(::fork()) == 0) {
            char go = 0;
            ::close(barrier[1]);
            (void)!::read(barrier[0], &go, 1); // both start together
            FakeWindow window;
            MainWindowLogic(window, environment).Form_Load();
            ::usleep(200000); // still running while the other starts
            ::_exit(window.messages.empty() ? 0 : window.messages == alreadyRunning ? 1 : 2);
        }
    }
    ::close(barrier[0]);
    ::close(barrier[1]);
    std::multiset<int> statuses;
    for (int status = 0; const pid_t child : children)
        statuses.insert(::waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    EXPECT_EQ(statuses, (std::multiset<int> { 0, 1 }));
    EXPECT_EQ(namesIn(levels).size(), 28U); // sixteen level files, twelve backups, nothing else
    for (const std::string& name : namesIn(levels))
        EXPECT_TRUE(!name.starts_with("copy of ") || readFile(levels / name) == readFile(levels / name.substr(8)))
            << name;

    const fs::path startFolder = fs::current_path();
    FakeWindow first;
    auto firstLogic = std::make_unique<MainWindowLogic>(first, environment);
    firstLogic->Form_Load();
    writeFile(levels / ".varnholt-AbC123.tmp", "a copy the first one is making");
    const std::string before = snapshotOf(levels);
    FakeWindow second;
    MainWindowLogic secondLogic(second, environment);
    secondLogic.Form_Load();
    second.setSelectorText(Selector::Combo1, "21 - Fractured Earth");
    secondLogic.cmdChange_Click();
    EXPECT_EQ(second.messages, alreadyRunning);
    EXPECT_EQ(snapshotOf(levels), before);
    firstLogic.reset();
    FakeWindow third;
    MainWindowLogic(third, environment).Form_Load();
    EXPECT_TRUE(third.messages.empty());
    EXPECT_FALSE(fs::exists(levels / ".varnholt-AbC123.tmp"));
    fs::current_path(startFolder);
}
