// SPDX-License-Identifier: MIT
#include "mainwindow/commandline.h"
#include "mainwindow/mainwindowlogic.h"
#include "support/fakewindow.h"
#include "support/wineprefix.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace varnholt;
using namespace varnholt::test;
namespace fs = std::filesystem;

namespace {

const std::string separator = std::string(100, '-') + "\r\n";

// The log lines of one slot: copies of a level (without ".inf" for excluded ones), restores, or failures.
std::string slotLines(int slot, int level = 0, bool failed = false)
{
    std::string all;
    for (const std::string extension : { ".dat", ".hdr", ".ver", ".inf" }) {
        const std::string slotFile = "levl" + std::to_string(slot) + extension;
        if (level == 0)
            all += slotFile + (failed ? " restore *** FAILED ***" : " restored") + "\r\n";
        else if (extension != ".inf" || !isInInfExclusionSet(level))
            all.append("levl" + std::to_string(level) + extension)
                .append(" copied to ")
                .append(slotFile)
                .append(failed ? " *** FAILED ***\r\n" : "\r\n");
    }
    return all;
}

class MainWindowLogicTest : public ::testing::Test, protected InstalledGame {
protected:
    MainWindowLogicTest()
    {
        window.onSelectorClick = [this] { logic.selectorClicked(); };
    }
    ~MainWindowLogicTest() override { fs::current_path(m_startFolder); }
    void startAndForgetBackups()
    {
        logic.Form_Load();
        window.log.clear();
    }

    fs::path m_startFolder = fs::current_path();
    FakeWindow window;
    MainWindowLogic logic { window, environment() };
};

} // namespace

TEST_F(MainWindowLogicTest, StartUpSetsDefaultsDisablesChangeAndBacksUpOnce)
{
    logic.Form_Load();
    std::vector<std::string> expectedCalls;
    for (const Selector selector : allSelectors) {
        expectedCalls.push_back("Combo" + std::to_string(FakeWindow::at(selector) + 1) + " set to "
            + std::string(slotOf(selector).defaultEntryText));
        expectedCalls.emplace_back("Change enabled");
    }
    expectedCalls.emplace_back("Change disabled"); // after the selectors, which enable it
    EXPECT_EQ(window.calls, expectedCalls);
    EXPECT_EQ(fs::canonical(fs::current_path()), fs::canonical(levels));

    std::string backups;
    for (const char* slot : { "2120", "2100", "2080" })
        for (const char* extension : { ".inf", ".hdr", ".dat", ".ver" })
            backups += std::string("levl") + slot + extension + " multiplayer level backed up\r\n";
    EXPECT_EQ(window.log, backups);
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(MainWindowLogicTest, StartUpBacksUpWhatExistsAndRemovesLeftovers)
{
    for (const std::string& name : namesIn(levels))
        if (name != "levl2080.dat" && name != "levl2120.hdr" && name != "levl2080.inf")
            fs::remove(levels / name);
    writeFile(levels / "copy of levl2080.inf", "first backup");
    writeFile(levels / ".varnholt-Zz9Yy8.tmp", "left by a killed run");
    writeFile(levels / ".varnholt-other.tmp", "not ours");
    logic.Form_Load();
    EXPECT_EQ(window.log, "levl2120.hdr multiplayer level backed up\r\nlevl2080.dat multiplayer level backed up\r\n");
    EXPECT_EQ(file("copy of levl2080.inf"), "first backup");
    EXPECT_FALSE(fs::exists(levels / ".varnholt-Zz9Yy8.tmp"));
    EXPECT_TRUE(fs::exists(levels / ".varnholt-other.tmp"));
}

TEST_F(MainWindowLogicTest, WithoutTheLevelsFolderNothingAnywhereChanges)
{
    writeLevel(scratch.path(), 2080); // level files in the folder the program started in
    fs::current_path(scratch.path());
    const std::string before = snapshotOf(scratch.path());

    FakeWindow lost;
    MainWindowLogic lostLogic(lost, environmentOf({ { "WINEPREFIX", scratch / "nowhere" } }));
    lostLogic.Form_Load();
    EXPECT_EQ(lost.messages, std::vector<std::string> { std::string(levelsFolderMissingMessage) });
    EXPECT_FALSE(lost.changeEnabled);
    lost.setSelectorText(Selector::Combo1, "21 - Fractured Earth");
    lostLogic.cmdChange_Click();
    EXPECT_EQ(lost.log, slotLines(2080, 2021, true) + slotLines(2100, 0, true) + slotLines(2120, 0, true) + separator);
    EXPECT_EQ(snapshotOf(scratch.path()), before);
    EXPECT_TRUE(lost.slotContents.empty()); // no folder, nothing to tell of it
}

TEST_F(MainWindowLogicTest, ChangeCopiesChosenLevelsAndRestoresDefaults)
{
    startAndForgetBackups();
    writeFile(levels / "levl2080.inf", "inf of an earlier change");
    window.setSelectorText(Selector::Combo1, "5 - Death from above");
    logic.cmdChange_Click();
    EXPECT_EQ(window.log, slotLines(2080, 2005) + slotLines(2100) + slotLines(2120) + separator);
    EXPECT_EQ(file("levl2080.dat"), "levl2005.dat original");
    EXPECT_EQ(file("levl2080.inf"), "inf of an earlier change"); // 2005 keeps the slot's own
    EXPECT_FALSE(window.changeEnabled);

    window.log.clear();
    window.setSelectorText(Selector::Combo1, "21 - Fractured Earth");
    logic.cmdChange_Click();
    EXPECT_EQ(window.log, slotLines(2080, 2021) + slotLines(2100) + slotLines(2120) + separator);
    EXPECT_EQ(file("levl2080.inf"), "levl2021.inf original");
}

TEST_F(MainWindowLogicTest, TheChosenEditionsSelectorsAloneAreRead)
{
    startAndForgetBackups();
    window.setSelectorText(Selector::Combo1, "21 - Fractured Earth");
    window.option1 = false;
    logic.Option2_Click();
    window.setSelectorText(Selector::Combo5, "UW4 - World Wide Web");
    logic.cmdChange_Click();
    EXPECT_EQ(window.log, slotLines(2080) + slotLines(2100, 2062) + slotLines(2120) + separator);

    window.calls.clear();
    window.option1 = true;
    logic.Option1_Click();
    EXPECT_EQ(window.calls,
        (std::vector<std::string> {
            "Combo1 shown", "Combo2 shown", "Combo3 shown", "Combo4 hidden", "Combo5 hidden", "Combo6 hidden" }));
    EXPECT_EQ(window.selectorListIndex(Selector::Combo1), 12); // kept while hidden
}

TEST_F(MainWindowLogicTest, ChangeStopsWithAMessageWhenASelectorHasNoEntry)
{
    startAndForgetBackups();
    window.setSelectorText(Selector::Combo1, "21 - Fractured Earth");
    window.index[FakeWindow::at(Selector::Combo2)] = -1;
    logic.cmdChange_Click();
    EXPECT_EQ(window.log, slotLines(2080, 2021)); // what is done stays done; no separator
    EXPECT_EQ(window.messages, std::vector<std::string> { std::string(changeFailedMessage) });
    EXPECT_TRUE(window.changeEnabled);
    logic.cmdExit_Click();
    EXPECT_TRUE(window.ended);
}

// Beside today's folder another installation changes nothing; without it, the one found
// is named at the very start of the log. A folder the player names is used and no other.
TEST_F(MainWindowLogicTest, StartUpSaysWhichInstallationItUsesUnlessItIsTheDefault)
{
    const fs::path gog = prefix / "dosdevices/c:/GOG Games/Populous - The Beginning/levels";
    fs::create_directories(gog);
    for (const int level : { 2080, 2100, 2120 })
        writeLevel(gog, level);
    const std::string gogBefore = snapshotOf(gog);
    {
        FakeWindow today;
        MainWindowLogic(today, environment()).Form_Load(); // today's folder: no line of its own
        EXPECT_EQ(today.log.find("Using"), std::string::npos);
        EXPECT_EQ(snapshotOf(gog), gogBefore);
    }

    fs::remove_all(levels);
    const std::string log = "Using the levels folder " + gog.string() + "\r\n";
    const std::vector<std::pair<LevelsFolderChoice, std::string>> starts {
        { environment(), log },
        { LevelsFolderChoice(environmentOf({}), gog), log },
    };
    for (const auto& [choice, firstLine] : starts) {
        FakeWindow other;
        MainWindowLogic otherLogic(other, choice);
        otherLogic.Form_Load();
        EXPECT_EQ(other.log.substr(0, other.log.find("\r\n") + 2), firstLine);
        EXPECT_TRUE(other.messages.empty());
        EXPECT_TRUE(fs::exists(gog / "copy of levl2080.dat"));
    }

    FakeWindow named;
    MainWindowLogic namedLogic(named, LevelsFolderChoice(environment(), scratch / "no such folder"));
    namedLogic.Form_Load();
    named.setSelectorText(Selector::Combo1, "21 - Fractured Earth");
    namedLogic.cmdChange_Click();
    EXPECT_EQ(named.messages, std::vector { namedFolderMissingMessage((scratch / "no such folder").string()) });
    EXPECT_EQ(named.log, slotLines(2080, 2021, true) + slotLines(2100, 0, true) + slotLines(2120, 0, true) + separator);
    EXPECT_FALSE(fs::exists(scratch / "no such folder"));
}

// What each slot holds is told by the files, after start-up and after every Change,
// whichever edition's level is in it; and from the command line, touching nothing.
TEST_F(MainWindowLogicTest, EachSlotShowsWhatItsFilesHold)
{
    logic.Form_Load();
    logic.showWhatSlotsHold();
    const auto holds = [&](int slot) { return window.slotContents[slot]; };
    EXPECT_EQ(holds(2080), "Now in this slot: the original map");

    window.setSelectorText(Selector::Combo1, "5 - Death from above"); // keeps the slot's own ".inf"
    window.option1 = false;
    window.setSelectorText(Selector::Combo5, "UW4 - World Wide Web");
    logic.cmdChange_Click();
    EXPECT_EQ(holds(2080), "Now in this slot: the original map"); // the expansion was applied
    EXPECT_EQ(holds(2100), "Now in this slot: UW4 - World Wide Web");
    window.option1 = true;
    logic.cmdChange_Click();
    EXPECT_EQ(holds(2080), "Now in this slot: 5 - Death from above");
    EXPECT_EQ(holds(2100), "Now in this slot: the original map");

    writeFile(levels / "levl2080.inf", "levl2080.inf changed by hand"); // the same size, other bytes
    writeFile(levels / "levl2120.ver", "changed by a game update");
    const std::string before = snapshotOf(levels);
    std::ostringstream out;
    std::ostringstream errors;
    EXPECT_EQ(showSlots(environment(), out, errors), 0);
    EXPECT_EQ(out.str(), "2080: files that match no level\n2100: the original map\n2120: files that match no level\n");
    EXPECT_EQ(snapshotOf(levels), before);
    EXPECT_EQ(showSlots(environmentOf({ { "WINEPREFIX", scratch / "none" } }), out, errors), 1);
    EXPECT_EQ(errors.str(), std::string(levelsFolderMissingMessage) + "\n");

    std::ostringstream list;
    EXPECT_EQ(listLevelsFolders(environment(), list), 0);
    EXPECT_EQ(list.str(), levels.string() + "\n");
    EXPECT_EQ(listLevelsFolders(LevelsFolderChoice(environment(), scratch / "none"), list), 1);
    EXPECT_EQ(listLevelsFolders(LevelsFolderChoice(environmentOf({}), levels), list), 0); // the named folder alone
    EXPECT_EQ(list.str(), levels.string() + "\n" + levels.string() + "\n");
}
