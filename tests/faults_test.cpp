// The fault model: every level file operation, in every state a player's levels folder can
// be in, runs whole, and then made to fail or killed at each file-system step it takes,
// each run in a child process, against the invariants below, one function each. A whole
// run does what the folder allows, and the same where the copy reads and writes.
#include "levelfiles/levelfileoperations.h"
#include "platform/entryname.h"
#include "platform/platformfiles.h"
#include "platform/temporaryname.h"
#include "session/mainwindowlogic.h"
#include "support/childprocess.h"
#include "support/fakewindow.h"
#include "support/loglines.h"
#include "support/slotfile.h"
#include "support/wineprefix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <set>
#include <sstream>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

using namespace varnholt;
using namespace varnholt::test;
namespace fs = std::filesystem;
using P = const fs::path&;

namespace {

// The folder: a slot's two files, the level for them, and their backups where there are any.
const std::vector<std::string> slotFiles { "levl2080.dat", "levl2080.hdr" };
const auto levelFor = [](const std::string& slotFile) { return "levl2005" + slotFile.substr(8); };
// Bigger than one buffer of the read-and-write copy.
const auto singlePlayer = [](const std::string& slotFile) { return "level for " + slotFile + std::string(70000, '5'); };

// What an operation does in a folder state when run whole, by operation.
enum class Whole { Succeeds, Fails, FindsNothingToDo };
struct Expected {
    Whole backUp, overwrite, overwriteTakingTheBackups, restore;
};
using enum Whole;
constexpr Expected everythingWorks { Succeeds, Succeeds, Succeeds, Succeeds };
constexpr Expected noLevelToCopy { Succeeds, Fails, Fails, Succeeds };
constexpr Expected noSlotFile { FindsNothingToDo, Fails, Fails, Fails };
constexpr Expected slotNoRegularFile { Fails, Succeeds, Fails, Succeeds }; // replaced only from a backup there
constexpr Expected slotUnusable { Fails, Fails, Fails, Fails };
constexpr Expected noBackupToRestore { Succeeds, Succeeds, Succeeds, Fails };
constexpr Expected backupNameTaken { FindsNothingToDo, Fails, Fails, Fails };

enum class Does { BackUp, Overwrite, Restore };
struct Operation {
    const char* name;
    Does does;
    bool backupsThere;
    Whole Expected::*expected;
    void (*run)(LevelFileOperations&);
};
const auto overwrite = [](LevelFileOperations& files) {
    files.overwriteSlot(
        std::vector<SlotFileCopy> { { "levl2005.dat", "levl2080.dat" }, { "levl2005.hdr", "levl2080.hdr" } });
};
const std::vector<Operation> operations {
    { "BackUp", Does::BackUp, false, &Expected::backUp,
        [](LevelFileOperations& files) { files.backUpSlotFile("levl2080.dat"); } },
    { "Overwrite", Does::Overwrite, true, &Expected::overwrite, overwrite },
    { "OverwriteTakingTheBackups", Does::Overwrite, false, &Expected::overwriteTakingTheBackups, overwrite },
    { "Restore", Does::Restore, true, &Expected::restore,
        [](LevelFileOperations& files) { files.restoreSlot(slotFiles); } },
};
std::vector<std::string> touchedBy(const Operation& operation)
{
    return operation.does == Does::BackUp ? std::vector { slotFiles[0] } : slotFiles;
}

// The states: one entry of the regular folder made into something else, at the last slot
// file the operation touches (false where this system cannot make it).
enum class Role { None, Level, Slot, Backup };
struct FolderState {
    const char* name;
    Role role;
    bool (*make)(P at);
    Expected expected;
};
const auto missing = [](P) { return true; };
const auto fifo = [](P at) { return ::mkfifo(at.c_str(), 0644) == 0; };
const auto aFolder = [](P at) { return fs::create_directory(at); };
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
    { "Regular", Role::None, nullptr, everythingWorks },
    { "LevelMissing", Role::Level, missing, noLevelToCopy },
    { "LevelFifo", Role::Level, fifo, noLevelToCopy },
    { "LevelFolder", Role::Level, aFolder, noLevelToCopy },
    { "LevelLinkOut", Role::Level, linkOut, noLevelToCopy },
    { "SlotMissing", Role::Slot, missing, noSlotFile },
    { "SlotFifo", Role::Slot, fifo, slotNoRegularFile },
    { "SlotSocket", Role::Slot, socketAt, slotNoRegularFile },
    { "SlotDevice", Role::Slot, [](P at) { return ::mknod(at.c_str(), S_IFCHR | 0644, makedev(1, 3)) == 0; },
        slotNoRegularFile },
    { "SlotFolder", Role::Slot, aFolder, slotUnusable },
    { "SlotDanglingLink", Role::Slot, dangling, slotNoRegularFile },
    { "SlotLinkOut", Role::Slot, linkOut, slotNoRegularFile },
    { "SlotLinkToAFifo", Role::Slot, [](P at) { return ::symlink("../outside/fifo", at.c_str()) == 0; },
        slotNoRegularFile },
    { "SlotReadOnlyAndHardLinkedFromOutside", Role::Slot,
        [](P at) { return ::link((at.parent_path() / "../outside/linked").c_str(), at.c_str()) == 0; },
        everythingWorks },
    { "SlotInCapitals", Role::Slot,
        [](P at) {
            writeFile(at.parent_path() / "LEVL2080" += at.extension(), "original " + at.filename().string());
            return true;
        },
        everythingWorks },
    { "SlotAmbiguous", Role::Slot, ambiguous, slotUnusable },
    { "BackupMissing", Role::Backup, missing, noBackupToRestore },
    { "BackupAmbiguous", Role::Backup, ambiguous, backupNameTaken },
    { "BackupFifo", Role::Backup, fifo, backupNameTaken },
    { "BackupFolder", Role::Backup, aFolder, backupNameTaken },
    { "BackupLinkOut", Role::Backup, linkOut, backupNameTaken },
    { "BackupDanglingLink", Role::Backup, dangling, backupNameTaken },
};

// Swept step by step: the regular folder, and one where a slot fails after a copy was made
// ready, which must then be removed. Each other state gets a whole run.
const auto isSwept = [](const FolderState& state) {
    return state.role == Role::None || state.name == std::string_view("LevelMissing");
};

std::string successLine(Does does, const std::string& slotFile)
{
    return does == Does::BackUp   ? Log::backedUp(slotFile)
        : does == Does::Overwrite ? Log::copied(levelFor(slotFile), slotFile)
                                  : Log::restored(slotFile);
}

std::string failureLine(Does does, const std::string& slotFile)
{
    return does == Does::Restore ? Log::restored(slotFile, true) : Log::copied(levelFor(slotFile), slotFile, true);
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
        const std::string last = touchedBy(operation).back();
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

constexpr int Interrupted = 1, NotFlushed = 2, Leaked = 8; // the child's exit bits

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
    [[nodiscard]] bool failed() const
    {
        return exited(NotFlushed) || std::ranges::any_of(log, [](auto& line) { return line.ends_with("***"); });
    }
};

Outcome runOperation(const fs::path& levels, const Operation& operation, int step, bool kill, bool exdev)
{
    const ChildEnd child = runInChild([&](int out) {
        std::tie(record, interruptAt, killThere, fallBack) = std::tuple(out, step, kill, exdev);
        LevelFileOperations files(
            [](std::string_view line) { send(' ', line); }, [](std::string_view line) { send('!', line); });
        platform::setStepHook(interrupt);
        const std::size_t descriptors = namesIn("/proc/self/fd").size();
        files.setLevelsFolder(levels);
        operation.run(files);
        const bool flushed = files.flush();
        files.setLevelsFolder(std::nullopt);
        return (step > 0 && stepsTaken >= step ? Interrupted : 0) + (flushed ? 0 : NotFlushed)
            + (namesIn("/proc/self/fd").size() != descriptors ? Leaked : 0);
    });
    Outcome outcome;
    outcome.status = child.status;
    std::istringstream lines(child.output);
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

// A trial: one run of an operation, interrupted at `step` (0: none), with the folder before and after it.
struct Trial {
    const Operation& operation;
    const Layout& layout;
    std::map<std::string, std::string> before;
    std::string outsideBefore;
    Whole expected;
    int step;
    bool kill;
    Outcome outcome = runOperation(layout.levels, operation, step, kill, false);
    std::map<std::string, std::string> after = entriesIn(layout.levels);
    std::vector<std::string> touched = touchedBy(operation);

    static std::string entry(
        const std::map<std::string, std::string>& entries, const std::string& name, bool anyCase = false)
    {
        const auto found = std::ranges::find_if(
            entries, [&](const auto& e) { return anyCase ? equalIgnoringCase(e.first, name) : e.first == name; });
        return found == entries.end() ? "missing" : found->second;
    }
    [[nodiscard]] std::string was(const std::string& name) const { return entry(before, name); }
    [[nodiscard]] std::string is(const std::string& name) const { return entry(after, name); }
    [[nodiscard]] bool logged(const std::string& line) const { return std::ranges::count(outcome.log, line) != 0; }
    [[nodiscard]] std::string interrupted() const { return outcome.stepName(step); }
    [[nodiscard]] std::set<std::string> names() const // in the folder before or after
    {
        std::set<std::string> all;
        for (const auto* entries : { &before, &after })
            for (const auto& [name, content] : *entries)
                all.insert(name);
        return all;
    }
    // The slot file touched that a name is, in any case; or whose backup it is, one there was none of.
    [[nodiscard]] const std::string* slotFileNamed(const std::string& name, bool newBackup = false) const
    {
        for (const std::string& slot : touched)
            if (newBackup ? equalIgnoringCase(backupFileName(slot), name) && was(name) == "missing"
                          : equalIgnoringCase(slot, name))
                return &slot;
        return nullptr;
    }
    // What a slot file holds once the operation has done its work there.
    [[nodiscard]] std::string replacement(const std::string& slotFile, const std::string& name) const
    {
        return operation.does == Does::Restore  ? was(backupFileName(slotFile))
            : operation.does == Does::Overwrite ? fileEntry(singlePlayer(slotFile))
                                                : was(name);
    }
};

// I1 Nothing of the player's but the slot they chose ever changes, and never by half: a slot
// file holds what it held or all of what it gets; every other entry, in the folder or
// outside it, stays as it was, but new backups (I2).
void onlyTheSlotChangesAndNeverByHalf(const Trial& run)
{
    for (const std::string& name : run.names()) {
        const std::string* slot = run.slotFileNamed(name);
        EXPECT_TRUE(isTemporaryName(name) || run.slotFileNamed(name, true) || run.is(name) == run.was(name)
            || (slot != nullptr && run.is(name) == run.replacement(*slot, name)))
            << name << " is " << run.is(name);
    }
    EXPECT_EQ(snapshotOf(run.layout.outside), run.outsideBefore) << "changed outside the levels folder";
}

// I2 The original map can always be put back: a backup there never changes (I1), and a new
// one holds exactly what the slot held.
void aNewBackupHoldsTheOriginal(const Trial& run)
{
    for (const std::string& name : run.names()) {
        if (const std::string* slot = run.slotFileNamed(name, true)) {
            EXPECT_EQ(run.is(name), Trial::entry(run.before, *slot, true)) << "a new backup";
        }
    }
}

// I3 A slot never holds the files of two levels, which the game would load as a broken map:
// its files change all together or not at all, but while the renames run.
void theSlotsFilesChangeTogether(const Trial& run)
{
    const auto changed = std::ranges::count_if(
        run.names(), [&](const std::string& name) { return run.slotFileNamed(name) && run.is(name) != run.was(name); });
    EXPECT_TRUE(changed == 0 || std::size_t(changed) == run.touched.size() || run.interrupted() == "rename")
        << "a slot holds the files of two levels";
}

// I4 Even after a crash the original map can be put back: a slot changed that had no backup
// has one now, renamed into place and the folder flushed before the slot was renamed.
void aChangedSlotHasADurableBackup(const Trial& run)
{
    const auto& steps = run.outcome.steps;
    for (const std::string& name : run.names()) {
        const std::string* slot = run.slotFileNamed(name);
        if (slot == nullptr || run.is(name) == run.was(name) || run.was(backupFileName(*slot)) != "missing")
            continue;
        EXPECT_NE(run.is(backupFileName(*slot)), "missing") << "a changed slot has no backup";
        const auto end = run.step > 0 ? steps.begin() + std::min(long(steps.size()), long(run.step - 1)) : steps.end();
        EXPECT_NE(std::find(steps.begin(), end, "flush folder"), end) << "replaced before its backup was flushed";
    }
    if (run.step == 0 && run.expected == Succeeds && !run.operation.backupsThere
        && run.operation.does == Does::Overwrite) {
        const auto at = [&](const char* step, long from) {
            return std::find(steps.begin() + from, steps.end(), step) - steps.begin();
        };
        EXPECT_LT(at("rename", 0), at("flush folder", at("rename", 0)));
        EXPECT_LT(at("flush folder", at("rename", 0)), at("rename", at("rename", 0) + 1));
    }
}

// I5 A failure costs the player nothing and says why: a file whose failure is logged is as
// it was, a failure the folder did not cause names the step that failed, and no temporary
// file is left but after a kill, which the next start-up clears.
void aFailureLeavesItsFileAndSaysWhy(const Trial& run)
{
    for (const std::string& name : run.names()) {
        const std::string* slot = run.slotFileNamed(name);
        EXPECT_TRUE(!isTemporaryName(name) || run.kill || run.interrupted() == "remove") << "a temporary file left";
        EXPECT_FALSE(slot && run.is(name) != run.was(name) && run.logged(failureLine(run.operation.does, *slot)))
            << name << " changed, though its failure is logged";
    }
    EXPECT_TRUE(run.expected != Succeeds || !run.outcome.failed() || run.kill
        || run.outcome.reasons.find(run.interrupted()) != std::string::npos)
        << "no reason names the step that failed: " << run.outcome.reasons;
    startAgain(run.layout.levels);
    for (const std::string& name : namesIn(run.layout.levels))
        EXPECT_FALSE(isTemporaryName(name)) << "left after the next start-up";
}

// I6 The log never tells the player of work that was not done: a success line stands only
// for a copy that was committed.
void aSuccessLineStandsForWhatIsOnDisk(const Trial& run)
{
    for (const std::string& slot : run.touched) {
        if (run.logged(Log::backedUp(slot))) {
            EXPECT_EQ(Trial::entry(run.after, backupFileName(slot), true), Trial::entry(run.before, slot, true))
                << slot;
        }
        if (run.operation.does != Does::BackUp && run.logged(successLine(run.operation.does, slot))) {
            EXPECT_EQ(Trial::entry(run.after, slot, true), run.replacement(slot, slot))
                << slot << " logged, but not done";
        }
    }
}

// A whole run does what the folder allows, for every file it touches; reasons go with
// failures and say which file of a slot was left with the rest; the same where the kernel
// cannot copy between the files and the copy reads and writes.
void aWholeRunDoesWhatTheFolderAllows(const Trial& run, const FolderState& state)
{
    const bool succeeds = run.expected == Succeeds;
    const bool logsFailures = !succeeds && run.operation.does != Does::BackUp;
    for (const std::string& name : run.touched) {
        EXPECT_EQ(std::ranges::count(run.outcome.log, successLine(run.operation.does, name)), succeeds ? 1 : 0);
        EXPECT_EQ(std::ranges::count(run.outcome.log, failureLine(run.operation.does, name)), logsFailures ? 1 : 0);
    }
    EXPECT_EQ(run.outcome.failed(), logsFailures);
    EXPECT_EQ(run.outcome.steps.back(), "flush folder") << "what was renamed is made durable at the end";
    EXPECT_EQ(run.outcome.reasons.empty(), run.expected != Fails) << run.outcome.reasons;
    EXPECT_EQ(run.outcome.reasons.find("levl2080.dat: left as it was, with the rest of its slot") != std::string::npos,
        logsFailures);
    const Layout again(run.operation, state);
    EXPECT_EQ(runOperation(again.levels, run.operation, 0, false, true).log, run.outcome.log);
    EXPECT_EQ(entriesIn(again.levels), entriesIn(run.layout.levels));
}

class FaultModel : public ::testing::TestWithParam<std::tuple<int, bool>> { };

} // namespace

TEST_P(FaultModel, EveryStateAndEveryStepInterruptedKeepsTheInvariants)
{
    const auto [column, kill] = GetParam();
    const Operation& operation = operations[std::size_t(column)];
    int longest = 0;
    for (const FolderState& state : folderStates) {
        for (int step = kill ? 1 : 0; step == 0 || isSwept(state); ++step) {
            const Layout layout(operation, state);
            if (!layout.possible) {
                ASSERT_STREQ(state.name, "SlotDevice") << "cannot make the entry"; // only a privileged run may
                break;
            }
            const Trial run { operation, layout, entriesIn(layout.levels), snapshotOf(layout.outside),
                state.expected.*operation.expected, step, kill };
            SCOPED_TRACE(std::string(state.name) + ", step " + std::to_string(step) + " " + run.interrupted()
                + ", log: " + ::testing::PrintToString(run.outcome.log));
            const int status = run.outcome.status;
            ASSERT_FALSE(WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) << "hung";
            ASSERT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == childThrew);
            EXPECT_FALSE(run.outcome.exited(Leaked)) << "a file left open";
            if (step > 0 && !run.outcome.interrupted())
                break; // the operation has fewer steps than this
            longest = std::max(longest, int(run.outcome.steps.size()));
            onlyTheSlotChangesAndNeverByHalf(run);
            aNewBackupHoldsTheOriginal(run);
            theSlotsFilesChangeTogether(run);
            aChangedSlotHasADurableBackup(run);
            aSuccessLineStandsForWhatIsOnDisk(run);
            if (step == 0)
                aWholeRunDoesWhatTheFolderAllows(run, state);
            aFailureLeavesItsFileAndSaysWhy(run); // last: it starts again in the folder
        }
    }
    EXPECT_GT(longest, 6) << "the model reached too few steps to mean anything";
}

INSTANTIATE_TEST_SUITE_P(AllOperations, FaultModel,
    ::testing::Combine(::testing::Range(0, int(operations.size())), ::testing::Bool()), [](const auto& test) {
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
                    = runOperation(Layout(operation, state).levels, operation, 0, false, false).steps;
                reached.insert(steps.begin(), steps.end());
            }
    for (std::size_t step = 0; step < platform::stepCount; ++step) {
        const auto taken = static_cast<platform::Step>(step);
        const bool elsewhere = taken == platform::Step::ClearReadOnly || taken == platform::Step::Link;
        EXPECT_EQ(reached.count(std::string(platform::nameOf(taken))), elsewhere ? 0U : 1U) << platform::nameOf(taken);
    }
}

namespace {

std::vector<std::string> logOf(const fs::path& levels, const std::function<void(LevelFileOperations&)>& work)
{
    std::vector<std::string> log;
    LevelFileOperations files([&](std::string_view line) { log.emplace_back(line); });
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
        const ChildEnd child = runInChild([&](int) {
            if (fault.starts_with("size limit")) {
                ::signal(SIGXFSZ, fault.ends_with("failing") ? SIG_IGN : SIG_DFL);
                const rlimit limit { 4096, 4096 };
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
            const std::vector<std::string> log = logOf(levels.path(), [](LevelFileOperations& files) {
                overwriteSlotFile(files, "levl2005.dat", "levl2080.dat");
                restoreSlotFile(files, "levl2080.dat");
            });
            return log
                    == std::vector { Log::copied("levl2005.dat", "levl2080.dat", true),
                           Log::restored("levl2080.dat", true) }
                ? 0
                : 1;
        });
        EXPECT_TRUE(fault.ends_with("killed") ? WIFSIGNALED(child.status) && WTERMSIG(child.status) == SIGXFSZ
                                              : child.exitedWith(0));
        startAgain(levels.path());
        EXPECT_EQ(snapshotOf(levels.path()), before);
        (void)std::system(("chattr -i '" + (levels / "levl2080.dat").string() + "' 2>/dev/null").c_str());
        ::umount(levels.path().c_str());
    }
}

// Another user than root, in a folder that is the player's: read-only files the player
// owns are replaced, but not root's, which only root's override could write; nothing the
// player cannot read is copied; and what root replaces stays the player's. (Where the
// player may not write at all, mainwindowlogic_test shows start-up saying so.)
TEST(AnotherUser, MayDoWhatThePlayerMayAndNothingMore)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    InstalledGame game;
    const fs::path levels = game.levels;
    for (fs::path folder = levels; folder != game.scratch.path().parent_path(); folder = folder.parent_path())
        fs::permissions(folder, fs::perms(0755)); // the player may pass through
    for (const char* name : { "levl2080.dat", "copy of levl2080.dat", "levl2005.dat", "copy of levl2100.dat" })
        writeFile(levels / name, name, 0444);
    for (const char* name : { ".", "levl2080.dat", "copy of levl2080.dat", "levl2005.dat" })
        ASSERT_EQ(::chown((levels / name).c_str(), anotherUser, anotherUser), 0);
    writeFile(levels / "levl2100.dat", "root's", 0444);
    writeFile(levels / "levl2021.dat", "unreadable", 0);
    const ChildEnd copied = runInChild(
        [&](int) {
            const std::vector<std::string> log = logOf(levels, [](LevelFileOperations& files) {
                overwriteSlotFile(files, "levl2005.dat", "levl2080.dat");
                overwriteSlotFile(files, "levl2005.dat", "levl2100.dat");
                overwriteSlotFile(files, "levl2021.dat", "levl2080.dat");
                files.backUpSlotFile("levl2021.dat");
            });
            return log
                    == std::vector { Log::copied("levl2005.dat", "levl2080.dat"),
                           Log::copied("levl2005.dat", "levl2100.dat", true),
                           Log::copied("levl2021.dat", "levl2080.dat", true) }
                ? 0
                : 1;
        },
        true);
    EXPECT_TRUE(copied.exitedWith(0));
    EXPECT_FALSE(fs::exists(levels / "copy of levl2021.dat"));
    EXPECT_EQ(readFile(levels / "levl2080.dat"), "levl2005.dat");
    EXPECT_EQ(readFile(levels / "levl2100.dat"), "root's");

    fs::remove(levels / "copy of levl2120.dat"); // root takes the backup, then overwrites
    logOf(levels, [](LevelFileOperations& files) { overwriteSlotFile(files, "levl2021.dat", "levl2120.dat"); });
    for (const char* name : { "levl2120.dat", "copy of levl2120.dat" }) {
        struct stat status { };
        ASSERT_EQ(::stat((levels / name).c_str(), &status), 0);
        EXPECT_EQ(status.st_uid, anotherUser) << name;
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
    const fs::path started = scratch / "started"; // a mark from each start, once it is running
    fs::create_directory(started);
    const ChildWork start = [&](int) {
        FakeWindow window;
        MainWindowLogic logic(window, environment);
        logic.Form_Load();
        writeFile(started / std::to_string(::getpid()), "");
        for (int waited = 0; namesIn(started).size() < 2 && waited < 500; ++waited)
            ::usleep(10000); // still running until the other has started too
        return window.messages.empty() ? 0 : window.messages == alreadyRunning ? 1 : 2;
    };
    std::multiset<int> statuses;
    for (const ChildEnd& child : runInChildren({ start, start }))
        statuses.insert(WIFEXITED(child.status) ? WEXITSTATUS(child.status) : -1);
    EXPECT_EQ(statuses, (std::multiset<int> { 0, 1 }));
    EXPECT_EQ(namesIn(levels).size(), 28U); // sixteen level files, twelve backups, nothing else
    for (const std::string& name : namesIn(levels))
        EXPECT_TRUE(!name.starts_with("copy of ") || readFile(levels / name) == readFile(levels / name.substr(8)))
            << name;

    const WorkingFolderGuard workingFolder;
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
}
