// SPDX-License-Identifier: MIT
// The fault model: every level file operation, on a levels folder in every state a player's
// folder can be in (a regular one, or one file missing, a FIFO, a socket, a device, a
// folder, a link, read-only and hard-linked from outside, in capitals, or ambiguous),
// runs once whole, and once more for every file-system step it takes, made to fail there
// or killed there, each run in a child process. Every run keeps the invariants:
//   I1 nothing partial stands under a slot file's or a backup's name, nothing outside the
//      levels folder changes, and nothing in it but the slot files and their new backups;
//   I2 an existing backup is never modified, and a new one holds the original;
//   I3 a slot's files change all together or not at all, except when the renames
//      themselves are interrupted, one after the other;
//   I4 a slot file is replaced only after its new backup was made durable, and a changed
//      slot has a backup: "backup renamed, folder flushed, slot renamed";
//   I5 a failure line leaves its file as it was, no temporary file is left but after a
//      kill (which the next start-up clears), and no failure passes without its reason;
//   I6 a success line stands only for a copy that really was committed.
// A whole run must also do what the folder allows, and do the same where the kernel cannot
// copy between the files and the copy falls back to reading and writing.
#include "levelfiles/entryname.h"
#include "levelfiles/levelfileoperations.h"
#include "levelfiles/platformfiles.h"
#include "levelfiles/temporaryname.h"
#include "mainwindow/mainwindowlogic.h"
#include "support/fakewindow.h"
#include "support/wineprefix.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>
#include <map>
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

namespace {

// ---- The folder: two slot files, the level for them, and their backups where there are any.

const std::vector<std::string> slotFiles { "levl2080.dat", "levl2080.hdr" };

std::string levelFor(const std::string& slotFile)
{
    return "levl2005" + slotFile.substr(8);
}

// Bigger than one buffer of the read-and-write copy.
std::string singlePlayer(const std::string& slotFile)
{
    return "level 2005 for " + slotFile + std::string(70000, '5');
}

std::string asFile(const std::string& content, FileMode mode = 0644)
{
    return "file " + std::to_string(mode) + " " + content.substr(0, 40) + " #" + std::to_string(content.size())
        + std::to_string(std::hash<std::string> {}(content));
}

// What stands under a name, told without ever opening anything but a regular file.
std::string entryAt(const fs::path& path)
{
    const fs::file_status status = fs::symlink_status(path);
    if (status.type() == fs::file_type::regular)
        return asFile(readFile(path), modeOf(path));
    if (status.type() == fs::file_type::symlink)
        return "link to " + fs::read_symlink(path).string();
    return status.type() == fs::file_type::not_found ? "missing" : "entry " + std::to_string(int(status.type()));
}

std::map<std::string, std::string> entriesIn(const fs::path& folder)
{
    std::map<std::string, std::string> entries;
    for (const std::string& name : namesIn(folder))
        entries[name] = entryAt(folder / name);
    return entries;
}

// ---- The states: one entry of the regular folder made into something else.

enum class Role { None, Level, Slot, Backup };
enum class Kind { Regular, Missing, Folder, NotAFile, Ambiguous };

struct FolderState {
    const char* name;
    Role role;
    Kind kind;
    std::function<bool(const fs::path& at, const fs::path& outside)> make; // false: not possible here
};

bool makeSocket(const fs::path& at)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    at.string().copy(address.sun_path, sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool made = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return made;
}

std::vector<FolderState> folderStates()
{
    using P = const fs::path&;
    const auto fifo = [](P at, P) { return ::mkfifo(at.c_str(), 0644) == 0; };
    const auto folder = [](P at, P) { return fs::create_directory(at); };
    const auto linkOut = [](P at, P) { return ::symlink("../outside/a.dat", at.c_str()) == 0; };
    const auto dangling = [](P at, P) { return ::symlink("nowhere.dat", at.c_str()) == 0; };
    const auto missing = [](P, P) { return true; };
    const auto ambiguous = [](P at, P) { // two names that differ from it only in case, neither exactly it
        std::string capitals = at.filename().string();
        std::transform(
            capitals.begin(), capitals.end(), capitals.begin(), [](char c) { return char(std::toupper(c)); });
        writeFile(at.parent_path() / capitals, "one");
        writeFile(at.parent_path() / (capitals.substr(0, 1) + at.filename().string().substr(1)), "other");
        return true;
    };
    return {
        { "Regular", Role::None, Kind::Regular, nullptr },
        { "LevelMissing", Role::Level, Kind::Missing, missing },
        { "LevelFifo", Role::Level, Kind::NotAFile, fifo },
        { "LevelFolder", Role::Level, Kind::Folder, folder },
        { "LevelLinkOut", Role::Level, Kind::NotAFile, linkOut },
        { "SlotMissing", Role::Slot, Kind::Missing, missing },
        { "SlotFifo", Role::Slot, Kind::NotAFile, fifo },
        { "SlotSocket", Role::Slot, Kind::NotAFile, [](P at, P) { return makeSocket(at); } },
        { "SlotDevice", Role::Slot, Kind::NotAFile,
            [](P at, P) { return ::mknod(at.c_str(), S_IFCHR | 0644, makedev(1, 3)) == 0; } },
        { "SlotFolder", Role::Slot, Kind::Folder, folder },
        { "SlotDanglingLink", Role::Slot, Kind::NotAFile, dangling },
        { "SlotLinkOut", Role::Slot, Kind::NotAFile, linkOut },
        { "SlotLinkToAFifo", Role::Slot, Kind::NotAFile,
            [](P at, P) { return ::symlink("../outside/fifo", at.c_str()) == 0; } },
        { "SlotReadOnlyAndHardLinkedFromOutside", Role::Slot, Kind::Regular,
            [](P at, P outside) {
                fs::create_hard_link(outside / "linked", at);
                return true;
            } },
        { "SlotInCapitals", Role::Slot, Kind::Regular,
            [](P at, P) {
                writeFile(at.parent_path() / "LEVL2080" += at.extension(), "original " + at.filename().string());
                return true;
            } },
        { "SlotAmbiguous", Role::Slot, Kind::Ambiguous, ambiguous },
        { "BackupMissing", Role::Backup, Kind::Missing, missing },
        { "BackupAmbiguous", Role::Backup, Kind::Ambiguous, ambiguous },
        { "BackupFifo", Role::Backup, Kind::NotAFile, fifo },
        { "BackupFolder", Role::Backup, Kind::Folder, folder },
        { "BackupLinkOut", Role::Backup, Kind::NotAFile, linkOut },
        { "BackupDanglingLink", Role::Backup, Kind::NotAFile, dangling },
    };
}

// ---- The operations, and what each must do in a folder of given kinds.

enum class Does { BackUp, Overwrite, Restore };

struct Operation {
    const char* name;
    Does does;
    bool backupsThere;
    std::size_t files; // how many of the slot's files it replaces
    std::function<void(LevelFileOperations&)> run;

    [[nodiscard]] std::vector<std::string> touched() const
    {
        return { slotFiles.begin(), slotFiles.begin() + long(files) };
    }
};

std::vector<Operation> operations()
{
    const auto overwriteSlot = [](LevelFileOperations& files) {
        files.overwriteSlot(
            std::vector<SlotFileCopy> { { "levl2005.dat", "levl2080.dat" }, { "levl2005.hdr", "levl2080.hdr" } });
    };
    const auto copysplevl = [](LevelFileOperations& files) { files.copysplevl("levl2005.dat", "levl2080.dat"); };
    return {
        { "BackUp", Does::BackUp, false, 1, [](LevelFileOperations& files) { files.copymplevl("levl2080.dat"); } },
        { "Overwrite", Does::Overwrite, true, 1, copysplevl },
        { "OverwriteTakingTheBackup", Does::Overwrite, false, 1, copysplevl },
        { "Restore", Does::Restore, true, 1, [](LevelFileOperations& files) { files.restoremplevl("levl2080.dat"); } },
        { "OverwriteSlot", Does::Overwrite, true, 2, overwriteSlot },
        { "OverwriteSlotTakingTheBackups", Does::Overwrite, false, 2, overwriteSlot },
        { "RestoreSlot", Does::Restore, true, 2, [](LevelFileOperations& files) { files.restoreSlot(slotFiles); } },
    };
}

void PrintTo(const Operation& operation, std::ostream* out)
{
    *out << operation.name;
}

// Whether the whole operation succeeds for a slot file whose level, slot and backup are of these kinds.
bool succeeds(Does does, Kind level, Kind slot, Kind backup)
{
    const bool replaceable = slot != Kind::Missing && slot != Kind::Ambiguous && slot != Kind::Folder;
    switch (does) {
    case Does::BackUp:
        return slot == Kind::Regular && backup == Kind::Missing;
    case Does::Overwrite:
        return level == Kind::Regular && replaceable
            && (backup == Kind::Regular || (backup == Kind::Missing && slot == Kind::Regular));
    case Does::Restore:
        return replaceable && backup == Kind::Regular;
    }
    return false;
}

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

// The folder laid out for an operation, with the state's entry made at the last slot file it touches.
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
        possible = state.make(at, outside);
    }
};

// What the next start-up does first: remove the temporary files a killed run left.
void startAgain(const fs::path& levels)
{
    LevelFileOperations nextStart([](std::string_view) {});
    nextStart.setLevelsFolder(levels);
    nextStart.removeLeftovers();
}

// ---- One run in a child process, whose step k fails or kills it (k = 0: none).

int interruptAt = 0; // counted from 1
int stepsTaken = 0;
bool killThere = false;
bool fallBack = false; // every copy falls back to reading and writing
int record = -1; // where the child writes its steps, log lines and reasons

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

struct Outcome {
    int status = 0;
    bool interrupted = false; // the child reached the step, and failed or died there
    std::vector<std::string> log;
    std::string reasons;
    std::vector<std::string> steps; // every step taken

    // The name of step k, counted from 1; none for 0 or a step never taken.
    [[nodiscard]] std::string stepName(int step) const
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
        record = pipe[1];
        std::tie(interruptAt, killThere, fallBack) = std::tuple(step, kill, exdev);
        LevelFileOperations files(
            [](std::string_view line) { send(' ', line); }, [](std::string_view line) { send('!', line); });
        platform::setStepHook(interrupt);
        const std::size_t descriptors = namesIn("/proc/self/fd").size();
        try {
            files.setLevelsFolder(levels);
            operation.run(files);
            const bool flushed = files.flush();
            files.setLevelsFolder(std::nullopt);
            const bool leaked = namesIn("/proc/self/fd").size() != descriptors;
            ::_exit((step > 0 && stepsTaken >= step ? 1 : 0) + (flushed ? 0 : 2) + (leaked ? 8 : 0));
        } catch (const std::exception& error) {
            send('!', std::string("escaped: ") + error.what());
            ::_exit(4);
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
    outcome.interrupted = WIFSIGNALED(outcome.status) || (WEXITSTATUS(outcome.status) & 1) != 0;
    std::istringstream lines(all);
    for (std::string line; std::getline(lines, line);) {
        const std::string text = line.substr(1);
        if (line[0] == '#')
            outcome.steps.push_back(text);
        else if (line[0] == '!')
            outcome.reasons += text + "\n";
        else
            outcome.log.push_back(text);
    }
    return outcome;
}

// The invariants, for one run of an operation, interrupted at `step` (0: none), over a folder that held `before`.
void checkInvariants(const Operation& operation, const Layout& layout, const std::map<std::string, std::string>& before,
    const std::string& outsideBefore, const Outcome& outcome, int step, bool kill)
{
    const std::vector<std::string> touched = operation.touched();
    const std::map<std::string, std::string> after = entriesIn(layout.levels);
    const auto logged = [&](const std::string& line) {
        return std::find(outcome.log.begin(), outcome.log.end(), line) != outcome.log.end();
    };
    const auto entry = [](const std::map<std::string, std::string>& entries, const std::string& name) {
        const auto found = entries.find(name);
        return found == entries.end() ? std::string("missing") : found->second;
    };
    const auto was = [&](const std::string& name) { return entry(before, name); };
    const auto is = [&](const std::string& name) { return entry(after, name); };
    const auto slotWas = [&](const std::string& slot) { // under the name it has, in any case
        const auto found = std::find_if(
            before.begin(), before.end(), [&](const auto& named) { return equalIgnoringCase(named.first, slot); });
        return found == before.end() ? std::string("missing") : found->second;
    };
    const auto named = [&](const std::string& name, const auto& nameOf) {
        return std::find_if(touched.begin(), touched.end(),
            [&](const std::string& slot) { return equalIgnoringCase(nameOf(slot), name); });
    };
    std::set<std::string> names;
    for (const auto* entries : { &before, &after })
        for (const auto& [name, content] : *entries)
            names.insert(name);
    const std::string interrupted = outcome.stepName(step);
    std::size_t changed = 0;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const auto slot = named(name, [](const std::string& s) { return s; });
        const auto backupOf = named(name, [](const std::string& s) { return backupFileName(s); });
        if (isTemporaryName(name)) {
            EXPECT_TRUE(kill || interrupted == "remove") << "a temporary file left after a failure"; // I5
        } else if (slot != touched.end()) {
            const std::string replaced = operation.does == Does::Restore ? was(backupFileName(*slot))
                : operation.does == Does::Overwrite                      ? asFile(singlePlayer(*slot))
                                                                         : was(name);
            EXPECT_TRUE(is(name) == was(name) || is(name) == replaced) << is(name); // I1
            const bool isChanged = is(name) != was(name);
            changed += isChanged ? 1 : 0;
            EXPECT_FALSE(isChanged && logged(failureLine(operation.does, *slot))); // I5
            EXPECT_FALSE(!isChanged && replaced != was(name) && logged(successLine(operation.does, *slot))); // I6
            if (isChanged && was(backupFileName(*slot)) == "missing") {
                EXPECT_NE(is(backupFileName(*slot)), "missing") << "a changed slot has no backup"; // I4
                const auto end
                    = outcome.steps.begin() + std::min(long(outcome.steps.size()), long(std::max(step - 1, 0)));
                EXPECT_NE(std::find(outcome.steps.begin(), step > 0 ? end : outcome.steps.end(), "flush folder"),
                    step > 0 ? end : outcome.steps.end())
                    << "replaced before its backup was flushed"; // I4
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

// Swept step by step: the regular folder, and one where a slot fails after a copy was
// made ready, which must then be removed. Each other state gets a whole run.
bool isSwept(const FolderState& state)
{
    return state.role == Role::None || std::string_view(state.name) == "LevelMissing";
}

class FaultModel : public ::testing::TestWithParam<std::tuple<Operation, bool>> { };

} // namespace

TEST_P(FaultModel, EveryStateAndEveryStepInterruptedKeepsTheInvariants)
{
    const auto& [operation, kill] = GetParam();
    int longest = 0;
    for (const FolderState& state : folderStates()) {
        // What the whole run must do: succeed for every file it touches, or for none.
        const std::vector<std::string> touched = operation.touched();
        const auto kind = [&](Role role, bool last) {
            return last && state.role == role                    ? state.kind
                : role != Role::Backup || operation.backupsThere ? Kind::Regular
                                                                 : Kind::Missing;
        };
        bool succeeding = true;
        for (std::size_t i = 0; i < touched.size(); ++i) {
            const bool last = i + 1 == touched.size();
            succeeding = succeeding
                && succeeds(operation.does, kind(Role::Level, last), kind(Role::Slot, last), kind(Role::Backup, last));
        }
        for (int step = kill ? 1 : 0;; ++step) {
            if (step > 0 && !isSwept(state))
                break; // every step in the folders swept; a whole run in each of the others
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
            ASSERT_FALSE(WIFEXITED(outcome.status) && WEXITSTATUS(outcome.status) == 4) << outcome.reasons;
            EXPECT_FALSE(WIFEXITED(outcome.status) && (WEXITSTATUS(outcome.status) & 8) != 0) << "a file left open";
            if (step > 0 && !outcome.interrupted)
                break; // the operation has fewer steps than this
            longest = std::max(longest, int(outcome.steps.size()));
            checkInvariants(operation, layout, before, outsideBefore, outcome, step, kill);
            const bool failed = (WEXITSTATUS(outcome.status) & 2) != 0
                || std::any_of(outcome.log.begin(), outcome.log.end(), [](auto& l) { return l.ends_with("***"); });
            if (succeeding && failed && !kill) {
                EXPECT_NE(outcome.reasons.find(interrupted), std::string::npos) << outcome.reasons; // I5
            }
            startAgain(layout.levels);
            for (const std::string& name : namesIn(layout.levels))
                EXPECT_FALSE(isTemporaryName(name)) << "left after the next start-up";
            if (step > 0)
                continue;

            // The whole run does what the folder allows, for every file it touches.
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
            // Reasons go with failures, and say which file of a slot was left with the rest.
            const bool nothingToBackUp = operation.does == Does::BackUp
                && (kind(Role::Slot, true) == Kind::Missing || kind(Role::Backup, true) != Kind::Missing);
            EXPECT_EQ(outcome.reasons.empty(), succeeding || nothingToBackUp) << outcome.reasons;
            EXPECT_EQ(
                outcome.reasons.find("levl2080.dat: left as it was, with the rest of its slot") != std::string::npos,
                !succeeding && touched.size() == 2 && operation.does != Does::BackUp);
            if (succeeding && !operation.backupsThere && operation.does == Does::Overwrite) {
                // A new backup is renamed, the folder flushed, then the slot renamed.
                const auto at = [&](const char* name, std::size_t from = 0) {
                    return std::size_t(std::find(outcome.steps.begin() + long(from), outcome.steps.end(), name)
                        - outcome.steps.begin());
                };
                const std::size_t backupRenamed = at("rename");
                EXPECT_LT(backupRenamed, at("flush folder", backupRenamed));
                EXPECT_LT(at("flush folder", backupRenamed), at("rename", backupRenamed + 1));
            }
            // Where the kernel cannot copy between the files, the copy reads and writes, to the same end.
            const Layout again(operation, state);
            const Outcome fallingBack = runInChild(again.levels, operation, 0, false, true);
            EXPECT_EQ(fallingBack.log, outcome.log);
            EXPECT_EQ(entriesIn(again.levels), entriesIn(layout.levels));
        }
    }
    EXPECT_GT(longest, 6) << "the model reached too few steps to mean anything";
}

INSTANTIATE_TEST_SUITE_P(AllOperations, FaultModel,
    ::testing::Combine(::testing::ValuesIn(operations()), ::testing::Bool()), [](const auto& test) {
        return std::string(std::get<0>(test.param).name) + (std::get<1>(test.param) ? "Killed" : "Failing");
    });

// The model proves only what it reaches: every step the platform code can take here is
// taken in a folder swept step by step, and so interrupted there. Two are not, and cannot
// be on this system.
TEST(FaultModelReach, EveryStepThePlatformTakesIsInterruptedSomewhere)
{
    std::set<std::string> reached;
    for (const Operation& operation : operations()) {
        for (const FolderState& state : folderStates()) {
            if (!isSwept(state))
                continue;
            const Layout layout(operation, state);
            const Outcome outcome = runInChild(layout.levels, operation, 0, false, false);
            reached.insert(outcome.steps.begin(), outcome.steps.end());
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

namespace {

// Runs work in a child process and returns its wait status.
int inChild(const std::function<void()>& work)
{
    std::fflush(nullptr); // a child must not write out what the parent had buffered
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            work();
        } catch (...) {
            ::_exit(5);
        }
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

bool exitedWith(int status, int code)
{
    return WIFEXITED(status) && WEXITSTATUS(status) == code;
}

constexpr uid_t player = 65534; // another user than root

} // namespace

// Faults the kernel makes for real, not through the step hook: a file-size limit that
// stops a copy half-way (failing with SIGXFSZ ignored, killed by it otherwise), a full
// disk, a slot made immutable. An overwrite and a restore fail, and, once the next
// start-up has cleared a killed run's temporary files, the folder is as it was.
TEST(RealFaults, LeaveEveryFileAsItWas)
{
    const std::vector<std::pair<const char*, std::function<bool(const fs::path&)>>> faults {
        { "file size limit, failing", [](const fs::path&) { return true; } },
        { "file size limit, killed", [](const fs::path&) { return true; } },
        { "full disk",
            [](const fs::path& levels) { return ::mount("tmpfs", levels.c_str(), "tmpfs", 0, "size=64k") == 0; } },
        { "immutable slot", [](const fs::path&) { return true; } },
    };
    for (const auto& [fault, provoke] : faults) {
        SCOPED_TRACE(fault);
        const std::string name(fault);
        ScratchFolder levels;
        if (!provoke(levels.path()))
            continue; // mounting needs root
        writeFile(levels / "levl2080.dat", std::string(20000, 'm'));
        writeFile(levels / "copy of levl2080.dat", std::string(20000, 'b'));
        writeFile(levels / "levl2005.dat", std::string(20000, 's'));
        const std::string chattr = "chattr +i '" + (levels / "levl2080.dat").string() + "' 2>/dev/null";
        if (name == "immutable slot" && std::system(chattr.c_str()) != 0)
            continue; // this file system or user cannot make a file immutable
        const std::string before = snapshotOf(levels.path());
        const int status = inChild([&] {
            if (name.starts_with("file size limit")) {
                if (name.ends_with("failing"))
                    ::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit { 4096, 4096 };
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
            std::string log;
            LevelFileOperations files([&](std::string_view line) { log.append(line).append("\n"); });
            files.setLevelsFolder(levels.path());
            files.copysplevl("levl2005.dat", "levl2080.dat");
            files.restoremplevl("levl2080.dat");
            ::_exit(log == "levl2005.dat copied to levl2080.dat *** FAILED ***\nlevl2080.dat restore *** FAILED ***\n"
                    ? 0
                    : 1);
        });
        EXPECT_TRUE(
            name.ends_with("killed") ? WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ : exitedWith(status, 0));
        startAgain(levels.path());
        EXPECT_EQ(snapshotOf(levels.path()), before);
        (void)std::system(("chattr -i '" + (levels / "levl2080.dat").string() + "' 2>/dev/null").c_str());
        ::umount(levels.path().c_str());
    }
}

// Another user than root, in a folder that is the player's: read-only files the player
// owns are replaced, but not root's, which only root's override could write; nothing
// the player cannot read is copied; what root replaces stays the player's; and where the
// player may not write at all, start-up says so once and writes nothing.
TEST(AnotherUser, MayDoWhatThePlayerMayAndNothingMore)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    InstalledGame game;
    for (fs::path folder = game.levels; folder != game.scratch.path().parent_path(); folder = folder.parent_path())
        fs::permissions(folder, fs::perms(0755)); // the player may pass through, and read, but not write
    const std::string before = snapshotOf(game.levels);
    EXPECT_TRUE(exitedWith(inChild([&] {
        if (::setgid(player) != 0 || ::setuid(player) != 0)
            ::_exit(2);
        FakeWindow window;
        MainWindowLogic(window, game.environment()).Form_Load();
        ::_exit(window.messages == std::vector { levelsFolderNotWritableMessage(game.levels.string()) }
                    && window.log.empty()
                ? 0
                : 1);
    }),
        0));
    EXPECT_EQ(snapshotOf(game.levels), before);

    const fs::path levels = game.levels;
    ASSERT_EQ(::chown(levels.c_str(), player, player), 0);
    for (const char* name : { "levl2080.dat", "copy of levl2080.dat", "levl2005.dat", "copy of levl2100.dat" })
        writeFile(levels / name, name, 0444);
    for (const char* name : { "levl2080.dat", "copy of levl2080.dat", "levl2005.dat" })
        ASSERT_EQ(::chown((levels / name).c_str(), player, player), 0);
    writeFile(levels / "levl2100.dat", "root's", 0444);
    writeFile(levels / "levl2021.dat", "unreadable", 0);
    EXPECT_TRUE(exitedWith(inChild([&] {
        if (::setgid(player) != 0 || ::setuid(player) != 0)
            ::_exit(2);
        std::string log;
        LevelFileOperations files([&](std::string_view line) { log.append(line).append("\n"); });
        files.setLevelsFolder(levels);
        files.copysplevl("levl2005.dat", "levl2080.dat");
        files.copysplevl("levl2005.dat", "levl2100.dat");
        files.copysplevl("levl2021.dat", "levl2080.dat");
        files.copymplevl("levl2021.dat");
        ::_exit(log
                    == "levl2005.dat copied to levl2080.dat\nlevl2005.dat copied to levl2100.dat *** FAILED ***\n"
                       "levl2021.dat copied to levl2080.dat *** FAILED ***\n"
                ? 0
                : 1);
    }),
        0));
    EXPECT_FALSE(fs::exists(levels / "copy of levl2021.dat"));
    EXPECT_EQ(readFile(levels / "levl2080.dat"), "levl2005.dat");
    EXPECT_EQ(readFile(levels / "levl2100.dat"), "root's");

    fs::remove(levels / "copy of levl2120.dat");
    LevelFileOperations asRoot([](std::string_view) {});
    asRoot.setLevelsFolder(levels);
    asRoot.copysplevl("levl2021.dat", "levl2120.dat"); // takes the backup, then overwrites
    for (const char* name : { "levl2120.dat", "copy of levl2120.dat" }) {
        struct stat status { };
        ASSERT_EQ(::stat((levels / name).c_str(), &status), 0);
        EXPECT_EQ(status.st_uid, player) << name;
    }
}

// One Varnholt at a time per levels folder: two started at once, in a folder with an odd
// path, give one complete backup each and one "already running" message. A start beside
// a running one changes nothing, not even its temporary files; once the first has gone,
// the next start clears what it left.
TEST(Instances, OneAtATimePerLevelsFolder)
{
    ScratchFolder scratch;
    const fs::path prefix = makeWinePrefix(scratch / "-a prefix with spaces, and ü");
    const fs::path levels = makeLevelsFolder(prefix);
    for (const int slot : { 2080, 2100, 2120, 2021 })
        writeLevel(levels, slot);
    const auto environment = environmentOf({ { "WINEPREFIX", prefix } });
    int barrier[2];
    ASSERT_EQ(::pipe(barrier), 0);
    std::vector<pid_t> children;
    for (int i = 0; i < 2; ++i) {
        std::fflush(nullptr);
        children.push_back(::fork());
        if (children.back() == 0) {
            char go = 0;
            ::close(barrier[1]);
            (void)!::read(barrier[0], &go, 1); // both start together
            FakeWindow window;
            MainWindowLogic logic(window, environment);
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
    EXPECT_EQ(namesIn(levels).size(), 28U); // sixteen level files, twelve backups, nothing else
    for (const std::string& name : namesIn(levels)) {
        if (name.starts_with("copy of ")) {
            EXPECT_EQ(readFile(levels / name), readFile(levels / name.substr(8)));
        }
    }

    const fs::path startFolder = fs::current_path();
    auto first = std::make_unique<FakeWindow>();
    auto firstLogic = std::make_unique<MainWindowLogic>(*first, environment);
    firstLogic->Form_Load();
    writeFile(levels / ".varnholt-AbC123.tmp", "a copy the first one is making");
    const std::string before = snapshotOf(levels);
    FakeWindow second;
    MainWindowLogic secondLogic(second, environment);
    secondLogic.Form_Load();
    second.setSelectorText(Selector::Combo1, "21 - Fractured Earth");
    secondLogic.cmdChange_Click();
    EXPECT_EQ(second.messages, std::vector { alreadyRunningMessage(levels.string()) });
    EXPECT_EQ(snapshotOf(levels), before);
    firstLogic.reset();
    FakeWindow third;
    MainWindowLogic(third, environment).Form_Load();
    EXPECT_TRUE(third.messages.empty());
    EXPECT_FALSE(fs::exists(levels / ".varnholt-AbC123.tmp"));
    fs::current_path(startFolder);
}
