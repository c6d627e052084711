// SPDX-License-Identifier: MIT
#include "mainwindow/mainwindowlogic.h"
#include "support/fakewindow.h"
#include "support/scratchfolder.h"
#include "support/wineprefix.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace varnholt;
using namespace varnholt::test;
namespace fs = std::filesystem;

namespace {

const std::string separator = std::string(100, '-') + "\r\n";

std::string lines(std::initializer_list<std::string> each)
{
    std::string all;
    for (const std::string& line : each)
        all += line + "\r\n";
    return all;
}

std::string restoreLines(int slot)
{
    const std::string name = "levl" + std::to_string(slot);
    return lines({name + ".dat restored", name + ".hdr restored", name + ".ver restored", name + ".inf restored"});
}

std::string copyLines(int level, int slot, bool withInf = true)
{
    std::string all;
    for (const char* extension : {".dat", ".hdr", ".ver", ".inf"}) {
        if (std::string(extension) == ".inf" && !withInf)
            break;
        all += "levl" + std::to_string(level) + extension + " copied to levl" + std::to_string(slot)
            + extension + "\r\n";
    }
    return all;
}

class MainWindowLogicTest : public ::testing::Test {
protected:
    MainWindowLogicTest() { window.onSelectorClick = [this] { logic.selectorClicked(); }; }
    ~MainWindowLogicTest() override { fs::current_path(m_startFolder); }

    // The slot files of all three slots and the levels the tests put in them.
    void installGame() const
    {
        for (const int level : {2080, 2100, 2120, 2005, 2021, 2062})
            writeLevel(levels, level);
    }

    void startWithBackups()
    {
        installGame();
        logic.Form_Load();
        window.log.clear();
    }

    [[nodiscard]] std::string levelFile(const std::string& name) const { return readFile(levels / name); }

    ScratchFolder scratch;
    fs::path prefix = makeWinePrefix(scratch / "prefix");
    fs::path levels = makeLevelsFolder(prefix);
    FakeWindow window;
    MainWindowLogic logic{window, environmentOf({{"WINEPREFIX", prefix.string()}})};

private:
    fs::path m_startFolder = fs::current_path();
};

} // namespace

TEST_F(MainWindowLogicTest, StartUpPutsEverySelectorOnItsDefaultThenDisablesChange)
{
    logic.Form_Load();
    EXPECT_EQ(window.calls, (std::vector<std::string>{
                                "Combo1 set to Hills Divide Us (default)", "Change enabled",
                                "Combo2 set to Linked Isles (default)", "Change enabled",
                                "Combo3 set to Two on Two (default)", "Change enabled",
                                "Combo4 set to Hills Divide Us (default)", "Change enabled",
                                "Combo5 set to Linked Isles (default)", "Change enabled",
                                "Combo6 set to Two on Two (default)", "Change enabled",
                                "Change disabled"}));
    for (const Selector selector : allSelectors)
        EXPECT_EQ(window.selectorListIndex(selector), 0);
    EXPECT_FALSE(window.changeEnabled);
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(fs::canonical(fs::current_path()), fs::canonical(levels));
}

TEST_F(MainWindowLogicTest, StartUpBacksUpTheSlotFilesOnceLastSlotFirst)
{
    installGame();
    logic.Form_Load();
    std::string expected;
    for (const char* slot : {"2120", "2100", "2080"})
        for (const char* extension : {".inf", ".hdr", ".dat", ".ver"})
            expected += std::string("levl") + slot + extension + " multiplayer level backed up\r\n";
    EXPECT_EQ(window.log, expected);
    EXPECT_EQ(levelFile("copy of levl2100.ver"), "levl2100.ver original");

    FakeWindow again;
    MainWindowLogic secondRun(again, environmentOf({{"WINEPREFIX", prefix.string()}}));
    secondRun.Form_Load();
    EXPECT_EQ(again.log, "");
    EXPECT_TRUE(again.messages.empty());
}

TEST_F(MainWindowLogicTest, StartUpBacksUpOnlyWhatExistsAndIsNotBackedUpYet)
{
    writeFile(levels / "levl2080.dat", "dat");
    writeFile(levels / "levl2080.inf", "inf");
    writeFile(levels / "levl2120.hdr", "hdr");
    writeFile(levels / "copy of levl2080.inf", "first backup");
    writeFile(levels / ".varnholt-Zz9Yy8.tmp", "left by a killed run");
    logic.Form_Load();
    EXPECT_EQ(window.log, lines({"levl2120.hdr multiplayer level backed up",
                                 "levl2080.dat multiplayer level backed up"}));
    EXPECT_EQ(levelFile("copy of levl2080.inf"), "first backup");
    EXPECT_FALSE(fs::exists(levels / ".varnholt-Zz9Yy8.tmp"));
}

TEST_F(MainWindowLogicTest, WithoutTheLevelsFolderStartUpSaysSoAndChangeTouchesNothing)
{
    // The folder the program was started in holds level files of its own.
    writeLevel(scratch.path(), 2080);
    writeFile(scratch / "copy of levl2080.dat", "not the game's");
    fs::current_path(scratch.path());
    const std::string before = scratch.snapshot();

    FakeWindow lost;
    MainWindowLogic lostLogic(lost, environmentOf({{"WINEPREFIX", (scratch / "nowhere").string()}}));
    lost.onSelectorClick = [&] { lostLogic.selectorClicked(); };
    lostLogic.Form_Load();
    EXPECT_EQ(lost.messages, std::vector<std::string>{std::string(levelsFolderMissingMessage)});
    EXPECT_EQ(lost.log, "");
    EXPECT_FALSE(lost.changeEnabled);

    lost.choose(Selector::Combo1, "21 - Fractured Earth");
    lostLogic.cmdChange_Click();
    EXPECT_EQ(lost.log, lines({"levl2021.dat copied to levl2080.dat *** FAILED ***",
                               "levl2021.hdr copied to levl2080.hdr *** FAILED ***",
                               "levl2021.ver copied to levl2080.ver *** FAILED ***",
                               "levl2021.inf copied to levl2080.inf *** FAILED ***",
                               "levl2100.dat restore *** FAILED ***", "levl2100.hdr restore *** FAILED ***",
                               "levl2100.ver restore *** FAILED ***", "levl2100.inf restore *** FAILED ***",
                               "levl2120.dat restore *** FAILED ***", "levl2120.hdr restore *** FAILED ***",
                               "levl2120.ver restore *** FAILED ***", "levl2120.inf restore *** FAILED ***"})
                            + separator);
    EXPECT_EQ(scratch.snapshot(), before);
    EXPECT_EQ(lost.messages.size(), 1U);
}

TEST_F(MainWindowLogicTest, ChangeWithEveryDefaultRestoresAllTwelveFiles)
{
    startWithBackups();
    writeFile(levels / "levl2100.hdr", "overwritten earlier");
    window.choose(Selector::Combo2, "Linked Isles (default)");
    ASSERT_TRUE(window.changeEnabled);
    logic.cmdChange_Click();
    EXPECT_EQ(window.log, restoreLines(2080) + restoreLines(2100) + restoreLines(2120) + separator);
    EXPECT_EQ(levelFile("levl2100.hdr"), "levl2100.hdr original");
    EXPECT_FALSE(window.changeEnabled);
}

TEST_F(MainWindowLogicTest, ExcludedLevelLeavesTheSlotsInfFileAlone)
{
    startWithBackups();
    writeFile(levels / "levl2080.inf", "inf put there by an earlier change");
    window.choose(Selector::Combo1, "5 - Death from above");
    logic.cmdChange_Click();
    EXPECT_EQ(window.log, copyLines(2005, 2080, false) + restoreLines(2100) + restoreLines(2120) + separator);
    EXPECT_EQ(levelFile("levl2080.dat"), "levl2005.dat original");
    EXPECT_EQ(levelFile("levl2080.inf"), "inf put there by an earlier change");
    EXPECT_EQ(window.selectorListIndex(Selector::Combo1), 5);
    EXPECT_FALSE(window.changeEnabled);
}

TEST_F(MainWindowLogicTest, OtherLevelsBringTheirInfFile)
{
    startWithBackups();
    window.choose(Selector::Combo1, "21 - Fractured Earth");
    logic.cmdChange_Click();
    EXPECT_EQ(window.log, copyLines(2021, 2080) + restoreLines(2100) + restoreLines(2120) + separator);
    EXPECT_EQ(levelFile("levl2080.inf"), "levl2021.inf original");
}

TEST_F(MainWindowLogicTest, ExpansionSelectorsAreReadWhateverTheBaseGameOnesHold)
{
    startWithBackups();
    window.choose(Selector::Combo1, "21 - Fractured Earth");
    window.option1 = false;
    logic.Option2_Click();
    window.choose(Selector::Combo5, "UW4 - World Wide Web");
    logic.cmdChange_Click();
    EXPECT_EQ(window.log, restoreLines(2080) + copyLines(2062, 2100) + restoreLines(2120) + separator);
    EXPECT_EQ(levelFile("levl2080.dat"), "levl2080.dat original");

    // Back to the base game: its choice is still there and is what Change now applies.
    window.option1 = true;
    logic.Option1_Click();
    EXPECT_EQ(window.selectorListIndex(Selector::Combo1), 12);
    window.log.clear();
    window.choose(Selector::Combo1, "21 - Fractured Earth");
    logic.cmdChange_Click();
    EXPECT_EQ(window.log, copyLines(2021, 2080) + restoreLines(2100) + restoreLines(2120) + separator);
}

TEST_F(MainWindowLogicTest, ChangeStopsWithAMessageWhenASelectorHasNoEntry)
{
    startWithBackups();
    window.state(Selector::Combo2).index = -1;
    window.choose(Selector::Combo1, "21 - Fractured Earth");
    logic.cmdChange_Click();
    EXPECT_EQ(window.log, copyLines(2021, 2080)); // done stays done, and no separator
    EXPECT_EQ(window.messages, std::vector<std::string>{std::string(changeFailedMessage)});
    EXPECT_TRUE(window.changeEnabled);
}

TEST_F(MainWindowLogicTest, EditionSwitchShowsOneSetThenHidesTheOtherAndChangesNothingElse)
{
    logic.Form_Load();
    window.choose(Selector::Combo1, "2 - Night Falls");
    window.calls.clear();
    logic.Option2_Click();
    logic.Option1_Click();
    EXPECT_EQ(window.calls, (std::vector<std::string>{"Combo4 shown", "Combo5 shown", "Combo6 shown",
                                                      "Combo1 hidden", "Combo2 hidden", "Combo3 hidden",
                                                      "Combo1 shown", "Combo2 shown", "Combo3 shown",
                                                      "Combo4 hidden", "Combo5 hidden", "Combo6 hidden"}));
    EXPECT_TRUE(window.changeEnabled);
    EXPECT_EQ(window.selectorListIndex(Selector::Combo1), 2);
    EXPECT_FALSE(window.ended);
    logic.cmdExit_Click();
    EXPECT_TRUE(window.ended);
}
