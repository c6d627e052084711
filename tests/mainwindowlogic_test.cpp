// SPDX-License-Identifier: MIT
#include "platform/platformfiles.h"
#include "session/commandline.h"
#include "session/mainwindowlogic.h"
#include "support/childprocess.h"
#include "support/fakewindow.h"
#include "support/loglines.h"
#include "support/wineprefix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <sstream>

using namespace varnholt;
using namespace varnholt::test;
namespace fs = std::filesystem;

namespace {

class MainWindowLogicTest : public ::testing::Test, protected InstalledGame {
protected:
    MainWindowLogicTest()
    {
        window.onSelectorClick = [this] { logic.selectorClicked(); };
    }

    WorkingFolderGuard m_workingFolder;
    FakeWindow window;
    MainWindowLogic logic { window, environment() };
};

} // namespace

// Start-up puts every selector on its default, disables Change, enters the levels folder,
// backs up each slot file that has no backup yet, in a fixed order, and removes our own
// leftovers only. Then a session of Changes: each puts the chosen edition's levels in, the
// other slots' own back, disables Change, and shows what each slot then holds; hidden
// selectors keep their choice; a selector without an entry stops the Change with a
// message, and Exit ends.
TEST_F(MainWindowLogicTest, StartUpAndASessionOfChanges)
{
    writeFile(levels / "copy of levl2080.inf", "first backup");
    writeFile(levels / ".varnholt-Zz9Yy8.tmp", "left by a killed run");
    writeFile(levels / ".varnholt-other.tmp", "not ours");
    logic.Form_Load();
    std::vector<std::string> expectedCalls;
    for (const Selector selector : allSelectors)
        expectedCalls.insert(expectedCalls.end(),
            { FakeWindow::nameOf(selector) + " set to " + std::string(slotOf(selector).defaultEntryText),
                "Change enabled" });
    expectedCalls.emplace_back("Change disabled"); // after the selectors, which enable it
    EXPECT_EQ(window.calls, expectedCalls);
    EXPECT_EQ(fs::current_path(), m_workingFolder.start); // the folder is worked in through its descriptor
    std::string backups;
    for (const std::string slot : { "2120", "2100", "2080" })
        for (const std::string extension : { ".inf", ".hdr", ".dat", ".ver" })
            if (slot + extension != "2080.inf")
                backups += Log::backedUp("levl" + slot + extension) + "\r\n";
    EXPECT_EQ(window.log, backups);
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(file("copy of levl2080.inf"), "first backup");
    EXPECT_FALSE(fs::exists(levels / ".varnholt-Zz9Yy8.tmp"));
    EXPECT_TRUE(fs::exists(levels / ".varnholt-other.tmp"));

    // The original map: a slot whose files equal their backups.
    writeFile(levels / "copy of levl2080.inf", "levl2080.inf original");
    logic.showWhatSlotsHold();
    EXPECT_EQ(window.slotContents[2080], "Now in this slot: the original map");
    // Files the system will not read tell nothing of what a slot holds: told as unreadable,
    // with the reason, in the description, by --show-slots and on standard error.
    const std::string refused = std::make_error_code(std::errc::permission_denied).message();
    platform::setStepHook([](platform::Step step) { return step == platform::Step::Open ? EACCES : 0; });
    testing::internal::CaptureStderr();
    logic.showWhatSlotsHold();
    std::ostringstream slots;
    std::ostringstream reasons;
    EXPECT_EQ(showSlots(environment(), slots, reasons), 0);
    platform::setStepHook(nullptr);
    EXPECT_TRUE(testing::internal::GetCapturedStderr().starts_with("varnholt: " + slotUnreadableReason(2080, refused)));
    EXPECT_EQ(window.slotContents[2080], "Now in this slot: files that cannot be read: " + refused);
    EXPECT_TRUE(slots.str().starts_with("2080: files that cannot be read: " + refused + "\n")) << slots.str();
    EXPECT_TRUE(reasons.str().starts_with(slotUnreadableReason(2080, refused) + "\n")) << reasons.str();
    struct Step {
        bool expansion;
        Selector selector;
        const char* level;
        std::string log;
        std::map<LevelNumber, std::string> holds;
    };
    const std::vector<Step> session {
        { false, Selector::Combo1, "5 - Death from above", Log::slot(2080, 2005) + Log::slot(2100) + Log::slot(2120),
            { { 2080, "5 - Death from above" }, { 2100, "the original map" } } },
        { false, Selector::Combo1, "21 - Fractured Earth", Log::slot(2080, 2021) + Log::slot(2100) + Log::slot(2120),
            { { 2080, "21 - Fractured Earth" } } },
        { true, Selector::Combo5, "UW4 - World Wide Web", Log::slot(2080) + Log::slot(2100, 2062) + Log::slot(2120),
            { { 2080, "the original map" }, { 2100, "UW4 - World Wide Web" } } },
        { false, Selector::Combo2, "Linked Isles (default)", Log::slot(2080, 2021) + Log::slot(2100) + Log::slot(2120),
            { { 2080, "21 - Fractured Earth" }, { 2100, "the original map" } } },
    };
    for (const Step& step : session) {
        SCOPED_TRACE(step.level);
        window.log.clear();
        window.calls.clear();
        window.option1 = !step.expansion;
        step.expansion ? logic.Option2_Click() : logic.Option1_Click();
        std::vector<std::string> shown;
        for (const Selector selector : allSelectors)
            shown.push_back(FakeWindow::nameOf(selector)
                + ((editionOf(selector) == Edition::Expansion) == step.expansion ? " shown" : " hidden"));
        std::sort(window.calls.begin(), window.calls.end());
        EXPECT_EQ(window.calls, shown);
        window.setSelectorText(step.selector, step.level);
        EXPECT_TRUE(window.changeEnabled);
        logic.cmdChange_Click();
        EXPECT_EQ(window.log, step.log + Log::changeEnd);
        EXPECT_FALSE(window.changeEnabled);
        for (const auto& [slot, holds] : step.holds)
            EXPECT_EQ(window.slotContents[slot], "Now in this slot: " + holds);
    }
    EXPECT_EQ(file("levl2080.inf"), "levl2021.inf original"); // 2005 kept the slot's own, 2021 brings its own
    EXPECT_EQ(window.selectorListIndex(Selector::Combo4), 0);

    window.log.clear();
    window.setSelectorText(Selector::Combo1, "21 - Fractured Earth");
    window.index[FakeWindow::at(Selector::Combo2)] = -1;
    testing::internal::CaptureStderr();
    logic.cmdChange_Click();
    EXPECT_EQ(
        testing::internal::GetCapturedStderr(), "varnholt: Change stopped: a level selector has no current entry\n");
    EXPECT_EQ(window.log, Log::slot(2080, 2021)); // what is done stays done; no separator
    EXPECT_EQ(window.messages, std::vector<std::string> { std::string(changeFailedMessage) });
    EXPECT_TRUE(window.changeEnabled);
    logic.cmdExit_Click();
    EXPECT_TRUE(window.ended);
}

// Without a levels folder, or with a named one that is missing, the player is told, and
// a Change fails every line and changes nothing anywhere, not even in the start folder.
// Beside today's folder another installation changes nothing; without it, the one found,
// or the one the player names, is named at the very start of the log.
TEST_F(MainWindowLogicTest, StartUpSaysWhichInstallationItUsesOrThatThereIsNone)
{
    writeLevel(scratch.path(), 2080); // level files in the folder the program started in
    fs::current_path(scratch.path());
    const std::string scratchBefore = snapshotOf(scratch.path());
    const std::vector<std::pair<LevelsFolderChoice, std::string>> lost {
        { environmentOf({ { "WINEPREFIX", scratch / "nowhere" } }), std::string(levelsFolderMissingMessage) },
        { LevelsFolderChoice(environment(), scratch / "no such folder"),
            namedFolderMissingMessage((scratch / "no such folder").string()) },
    };
    for (const auto& [choice, message] : lost) {
        FakeWindow lostWindow;
        MainWindowLogic lostLogic(lostWindow, choice);
        lostLogic.Form_Load();
        EXPECT_EQ(lostWindow.messages, std::vector { message });
        EXPECT_FALSE(lostWindow.changeEnabled);
        lostWindow.setSelectorText(Selector::Combo1, "21 - Fractured Earth");
        lostLogic.cmdChange_Click();
        lostLogic.showWhatSlotsHold();
        EXPECT_EQ(lostWindow.log,
            Log::slot(2080, 2021, true) + Log::slot(2100, 0, true) + Log::slot(2120, 0, true) + Log::changeEnd);
        EXPECT_TRUE(lostWindow.slotContents.empty()); // no folder, nothing to tell of it
    }
    EXPECT_EQ(snapshotOf(scratch.path()), scratchBefore);

    const fs::path gog = prefix / "drive_c/GOG Games/Populous - The Beginning/levels";
    fs::create_directories(gog);
    for (const int level : { 2080, 2100, 2120 })
        writeLevel(gog, level);
    const std::string gogBefore = snapshotOf(gog);
    logic.Form_Load(); // today's folder: no line of its own
    EXPECT_EQ(window.log.find("Using"), std::string::npos);
    EXPECT_EQ(snapshotOf(gog), gogBefore);
    fs::remove_all(levels);
    for (const LevelsFolderChoice& choice :
        { LevelsFolderChoice(environment()), LevelsFolderChoice(environmentOf({}), gog) }) {
        FakeWindow other;
        MainWindowLogic(other, choice).Form_Load();
        EXPECT_EQ(other.log.substr(0, other.log.find("\r\n") + 2), "Using the levels folder " + gog.string() + "\r\n");
        EXPECT_TRUE(other.messages.empty());
        EXPECT_TRUE(fs::exists(gog / "copy of levl2080.dat"));
    }
}

// From the command line: what each slot holds, told by its files, and every levels
// folder found, or the named one alone; neither touches a file. (What they print before
// the first start, commandline_test shows.)
TEST_F(MainWindowLogicTest, TheCommandLineTellsWhatIsWhere)
{
    // A copy of the levels the game may read instead: named at start-up and by the listing.
    const fs::path copy = prefix / "drive_c/users/player/AppData/Local/Bullfrog/Populous/levels";
    fs::create_directories(copy);
    writeFile(copy / "levl2100.dat", "a copy");
    logic.Form_Load();
    EXPECT_NE(window.log.find(levelsCopyWarning(levels.string(), copy.string()) + "\r\n"), std::string::npos);
    writeFile(levels / "levl2080.inf", "levl2080.inf changed by hand"); // the same size, other bytes
    writeFile(levels / "levl2120.ver", "changed by a game update");
    const std::string before = snapshotOf(levels);
    std::ostringstream out;
    std::ostringstream errors;
    EXPECT_EQ(showSlots(environment(), out, errors), 0);
    EXPECT_EQ(out.str(), "2080: files that match no level\n2100: the original map\n2120: files that match no level\n");
    EXPECT_EQ(snapshotOf(levels), before);

    std::ostringstream list;
    std::ostringstream notes;
    EXPECT_EQ(listLevelsFolders(environment(), list, notes), 0);
    EXPECT_EQ(list.str(), levels.string() + "\n" + copy.string() + "\n");
    EXPECT_EQ(notes.str(), levelsCopyWarning(levels.string(), copy.string()) + "\n");
    list.str("");
    EXPECT_EQ(listLevelsFolders(environment(), list, notes, Listing::Verbose), 0);
    EXPECT_NE(list.str().find(levels.string() + ": found: the default installation\n"), std::string::npos);
    EXPECT_NE(list.str().find(copy.string() + ": found: a copy of the levels"), std::string::npos) << list.str();
    list.str("");
    EXPECT_EQ(listLevelsFolders(LevelsFolderChoice(environment(), scratch / "none"), list, notes), 1);
    EXPECT_EQ(listLevelsFolders(LevelsFolderChoice(environmentOf({}), levels), list, notes), 0); // the named one alone
    EXPECT_EQ(list.str(), levels.string() + "\n");

    // A slot file there in two letter cases: told by --show-slots, on standard error and
    // in the selector's description, and left as it is by Change, which says why.
    writeFile(levels / "LEVL2120.DAT", "another case");
    const std::string both = slotInTwoCasesLogLine(2120, "LEVL2120.DAT and levl2120.dat");
    out.str("");
    errors.str("");
    EXPECT_EQ(showSlots(environment(), out, errors), 0);
    const std::string told = "files in two letter cases, LEVL2120.DAT and levl2120.dat: Change leaves this slot alone";
    EXPECT_TRUE(out.str().ends_with("2120: " + told + "\n"));
    EXPECT_EQ(errors.str(), both + "\n");
    const std::string before2120 = file("levl2120.dat");
    window.log.clear();
    window.setSelectorText(Selector::Combo3, entriesOf(Selector::Combo3)[1].text);
    logic.cmdChange_Click();
    EXPECT_EQ(window.log, Log::slot(2080) + Log::slot(2100) + both + "\r\n" + Log::changeEnd);
    EXPECT_EQ(file("levl2120.dat"), before2120);
    EXPECT_EQ(file("LEVL2120.DAT"), "another case");
    EXPECT_EQ(window.slotContents[2120], "Now in this slot: " + told);
}

// A levels folder that is there but that this player may not open or enter (mode 000, 111
// or 444 for another user), named or found by the search: start-up says so once, naming it
// with the system's reason, enters nothing, logs nothing and keeps nothing open, and
// --show-slots says the same.
// A folder they may only read (555) is entered: they are told they cannot write in it, and
// its slots, never backed up, hold the game's own map. Run as another user when run as
// root, who may open anything.
TEST_F(MainWindowLogicTest, AFolderThatCannotBeOpenedIsNamedWithTheSystemsReason)
{
    const std::string before = snapshotOf(levels);
    const std::string notBackedUp = "the game's own map; not backed up yet";
    const std::string refused = levelsFolderUnopenableMessage(levels.string(), "Permission denied");
    for (const unsigned mode : { 0000U, 0111U, 0444U, 0555U })
        for (const bool named : { true, false }) {
            const LevelsFolderChoice choice = named ? LevelsFolderChoice(environmentOf({}), levels) : environment();
            const bool enters = mode == 0555U;
            fs::permissions(levels, static_cast<fs::perms>(mode));
            const ChildEnd child = runInChild(
                [&](int) {
                    const std::size_t descriptors = namesIn("/proc/self/fd").size();
                    FakeWindow other;
                    MainWindowLogic otherLogic(other, choice, [](std::string_view) {});
                    otherLogic.Form_Load();
                    other.log.clear(); // "Using the levels folder ..." when it is named
                    otherLogic.showWhatSlotsHold();
                    std::ostringstream out;
                    std::ostringstream errors;
                    const int shown = showSlots(choice, out, errors);
                    return other.messages
                                == std::vector { enters ? levelsFolderNotWritableMessage(levels.string()) : refused }
                            && other.log.empty() && shown == (enters ? 0 : 1)
                            && errors.str() == (enters ? "" : refused + "\n")
                            && other.slotContents[2100] == (enters ? "Now in this slot: " + notBackedUp : "")
                            && out.str().starts_with(enters ? "2080: " + notBackedUp + "\n" : "")
                            && (enters || namesIn("/proc/self/fd").size() == descriptors) // nothing left open
                        ? 0
                        : 1;
                },
                true);
            fs::permissions(levels, fs::perms(0755));
            EXPECT_TRUE(child.exitedWith(0)) << "mode " << std::oct << mode << (named ? ", named" : ", found");
        }
    EXPECT_EQ(snapshotOf(levels), before);
}

// A name is shown as it is when it is printable UTF-8, else whole in the shell's $'...'
// quoting, and read back to the same bytes.
TEST(ShownText, QuotesWhatATerminalWouldTakeAsACommandAndReadsItBack)
{
    const std::vector<std::pair<std::string, std::string>> rows {
        { "/Jeux vid\xc3\xa9o/\xf0\x9f\x98\x80 it's \xc2\xa3", "/Jeux vid\xc3\xa9o/\xf0\x9f\x98\x80 it's \xc2\xa3" },
        { "a\xe0\x80\xaf", R"($'a\xe0\x80\xaf')" }, // an overlong form, alone
        { "/a\nb\tc\rd", R"($'/a\nb\tc\rd')" }, { "\x1b]0;x\x07\x7f", R"($'\x1b]0;x\x07\x7f')" },
        { "vid\xe9o it's \\", R"($'vid\xe9o it\'s \\')" },
        { "\xc2\x9b"
          "2J \xc0\xaf \xed\xa0\x80 \xf4\x90\x80\x80 \xe2\x82", // C1, overlong, surrogate, too far, cut
            R"($'\xc2\x9b2J \xc0\xaf \xed\xa0\x80 \xf4\x90\x80\x80 \xe2\x82')" }
    };
    for (const auto& [bytes, shown] : rows) {
        EXPECT_EQ(shownText(bytes), shown);
        EXPECT_EQ(shellUnquoted(shown).value_or(bytes), bytes); // text that needs no quoting is no quoted form
    }
    for (const char* notQuoted : { "$'a", "$'a'b'", "$'\\q'", "$'\\x'", "'a'" })
        EXPECT_EQ(shellUnquoted(notQuoted), std::nullopt) << notQuoted;
}

// What nothing below foresaw ends a printing option with its message, not with an abort.
TEST(PrintingOptions, AnErrorNoPartCaughtIsToldWithItsMessage)
{
    const LevelsFolderChoice choice([](const char*) -> std::optional<std::string> { throw std::bad_alloc(); });
    std::ostringstream out;
    std::ostringstream errors;
    CommandLine commandLine;
    commandLine.action = CommandLine::Action::ListLevelsFolders;
    EXPECT_EQ(runPrintingOption(commandLine, choice, out, errors, "4.0"), exitUnexpectedError);
    EXPECT_EQ(errors.str(), "varnholt: an unexpected error: std::bad_alloc\n");
}
