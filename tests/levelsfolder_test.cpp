// SPDX-License-Identifier: MIT
#include "levelfiles/levelsfolder.h"
#include "support/scratchfolder.h"
#include "support/wineprefix.h"

#include <gtest/gtest.h>

using namespace varnholt;
using namespace varnholt::test;
namespace fs = std::filesystem;

TEST(LevelsFolder, ComesFromAnAbsoluteWinePrefixOrElseTheHomeOne)
{
    ScratchFolder scratch;
    const fs::path home = scratch / "home";
    const fs::path levels = makeLevelsFolder(makeWinePrefix(home / ".wine"));
    const fs::path other = makeLevelsFolder(makeWinePrefix(scratch / "other"));
    EXPECT_EQ(findLevelsFolder(environmentOf({{"HOME", home}})), levels);
    EXPECT_EQ(findLevelsFolder(environmentOf({{"HOME", home}, {"WINEPREFIX", scratch / "other"}})), other);
    // Wine takes neither an empty nor a relative prefix, and neither does the game.
    EXPECT_EQ(findLevelsFolder(environmentOf({{"HOME", home}, {"WINEPREFIX", ""}})), std::nullopt);
    EXPECT_EQ(findLevelsFolder(environmentOf({{"HOME", home}, {"WINEPREFIX", "home/.wine"}})), std::nullopt);
}

TEST(LevelsFolder, FollowsDriveCsLinkAndMatchesEveryStepInAnyCase)
{
    ScratchFolder scratch;
    const fs::path prefix = makeWinePrefix(scratch / "prefix", "windows-drive");
    fs::create_directories(prefix / "windows-drive/PROGRAM FILES (X86)/bullfrog/POPULOUS/Levels");
    const auto environment = environmentOf({{"WINEPREFIX", prefix}});
    EXPECT_EQ(fs::canonical(*findLevelsFolder(environment)),
              fs::canonical(prefix / "windows-drive/PROGRAM FILES (X86)/bullfrog/POPULOUS/Levels"));
    // The 32-bit folder serves only while the usual one is missing.
    const fs::path usual = makeLevelsFolder(prefix);
    EXPECT_EQ(findLevelsFolder(environment), usual);
}

TEST(LevelsFolder, IsNotFoundWithoutTheGame)
{
    ScratchFolder scratch;
    const fs::path prefix = makeWinePrefix(scratch / "prefix");
    EXPECT_EQ(findLevelsFolder(environmentOf({{"WINEPREFIX", prefix}})), std::nullopt);
    EXPECT_EQ(findLevelsFolder(environmentOf({{"WINEPREFIX", scratch / "none"}})), std::nullopt);
    fs::create_directories(prefix / "drive_c/Program Files/Bullfrog/Populous");
    writeFile(prefix / "drive_c/Program Files/Bullfrog/Populous/levels", "a file, not a folder");
    EXPECT_EQ(findLevelsFolder(environmentOf({{"WINEPREFIX", prefix}})), std::nullopt);
}
