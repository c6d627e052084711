// SPDX-License-Identifier: MIT
#include "levelfiles/levelsfolder.h"
#include "support/scratchfolder.h"
#include "support/wineprefix.h"

#include <gtest/gtest.h>

using namespace varnholt;
using namespace varnholt::test;
namespace fs = std::filesystem;

namespace {

class LevelsFolderTest : public ::testing::Test {
protected:
    ScratchFolder scratch;
    fs::path prefix = makeWinePrefix(scratch / "prefix");
};

} // namespace

TEST_F(LevelsFolderTest, IsFoundInTheAbsoluteWinePrefix)
{
    const fs::path levels = makeLevelsFolder(prefix);
    EXPECT_EQ(findLevelsFolder(environmentOf({{"WINEPREFIX", prefix.string()}, {"HOME", "/nonexistent"}})),
              levels);
}

TEST_F(LevelsFolderTest, DefaultsToTheHomePrefixButNeverToARelativeOrEmptyOne)
{
    const fs::path home = scratch / "home";
    const fs::path levels = makeLevelsFolder(makeWinePrefix(home / ".wine"));
    EXPECT_EQ(findLevelsFolder(environmentOf({{"HOME", home.string()}})), levels);
    EXPECT_EQ(findLevelsFolder(environmentOf({{"HOME", home.string()}, {"WINEPREFIX", ""}})), std::nullopt);
    EXPECT_EQ(findLevelsFolder(environmentOf({{"HOME", home.string()}, {"WINEPREFIX", "home/.wine"}})),
              std::nullopt);
}

TEST_F(LevelsFolderTest, DriveCIsWhereverItsLinkPoints)
{
    const fs::path other = makeWinePrefix(scratch / "other", "windows-drive");
    makeLevelsFolder(other);
    EXPECT_EQ(fs::canonical(*findLevelsFolder(environmentOf({{"WINEPREFIX", other.string()}}))),
              fs::canonical(other / "windows-drive/Program Files/Bullfrog/Populous/levels"));
}

TEST_F(LevelsFolderTest, FallsBackToTheX86ProgramFolderOnlyWhenTheFirstIsMissing)
{
    const auto environment = environmentOf({{"WINEPREFIX", prefix.string()}});
    const fs::path x86 = makeLevelsFolder(prefix, "Program Files (x86)");
    EXPECT_EQ(findLevelsFolder(environment), x86);
    const fs::path plain = makeLevelsFolder(prefix);
    EXPECT_EQ(findLevelsFolder(environment), plain);
}

TEST_F(LevelsFolderTest, EveryStepMatchesInAnyLetterCase)
{
    const fs::path levels = prefix / "drive_c/PROGRAM FILES/bullfrog/POPULOUS/Levels";
    fs::create_directories(levels);
    EXPECT_EQ(fs::canonical(*findLevelsFolder(environmentOf({{"WINEPREFIX", prefix.string()}}))),
              fs::canonical(levels));
}

TEST_F(LevelsFolderTest, IsNotFoundWithoutTheGame)
{
    EXPECT_EQ(findLevelsFolder(environmentOf({{"WINEPREFIX", prefix.string()}})), std::nullopt);
    EXPECT_EQ(findLevelsFolder(environmentOf({{"WINEPREFIX", (scratch / "no prefix").string()}})), std::nullopt);
    // A file where the folder should be is no folder.
    fs::create_directories(prefix / "drive_c/Program Files/Bullfrog/Populous");
    scratch.write("prefix/drive_c/Program Files/Bullfrog/Populous/levels", "");
    EXPECT_EQ(findLevelsFolder(environmentOf({{"WINEPREFIX", prefix.string()}})), std::nullopt);
}
