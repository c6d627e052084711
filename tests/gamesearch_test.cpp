// SPDX-License-Identifier: MIT
// Finding the game: fake homes laid out as Wine, Steam and the launchers lay them out.
#include "gamesearch/wineregistry.h"
#include "gamesearch/gamesearch.h"
#include "support/scratchfolder.h"
#include "support/wineprefix.h"

#include <gtest/gtest.h>

using namespace varnholt;
using namespace varnholt::test;
namespace fs = std::filesystem;

#ifndef _WIN32 // the search places of Linux: HOME, WINEPREFIX, Steam and the launchers; windows_test has those of
               // Windows
namespace {

// A levels folder as the game installs it: it holds slot files.
fs::path gameAt(const fs::path& levels)
{
    fs::create_directories(levels);
    writeFile(levels / "LEVL2080.DAT", "the 2-player map");
    return levels;
}

std::vector<fs::path> found(const EnvironmentLookup& environment)
{
    std::vector<fs::path> paths;
    for (const FoundLevelsFolder& folder : findLevelsFolders(searchPlaces(environment)))
        paths.push_back(fs::canonical(folder.path));
    return paths;
}

std::vector<fs::path> canonical(std::vector<fs::path> paths)
{
    for (fs::path& path : paths)
        path = fs::canonical(path);
    return paths;
}

} // namespace

// One home with the game wherever players have it, each in its own place: every one is
// found, in the documented order, and only the first is the default installation.
TEST(LevelsFolder, EverySourceIsFoundInOrder)
{
    ScratchFolder scratch;
    const fs::path home = scratch / "home";
    const fs::path wine = makeWinePrefix(home / ".wine");
    const fs::path today = makeLevelsFolder(wine); // empty: today's folder counts all the same
    // The registry of a 64-bit prefix keeps the 32-bit game's key under Wow6432Node; user.reg has HKCU.
    writeFile(wine / "system.reg",
        "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n"
        "[Software\\\\Wow6432Node\\\\Bullfrog Productions Ltd\\\\Populous: The Beginning] 1700000000\n"
        "#time=1da0000\n\"InstallPath\"=\"C:\\\\Games\\\\Pop\\\\\"\n\n"); // a path may end in a backslash
    const fs::path registered = gameAt(wine / "drive_c/GAMES/pop/Levels");
    writeFile(wine / "user.reg",
        "[Software\\\\Bullfrog Productions Ltd\\\\Populous: The Beginning]\n"
        "\"installpath\"=str(2):\"c:\\\\Users\\\\Pop\"\n");
    const fs::path registeredForUser = gameAt(wine / "drive_c/Users/Pop/levels");
    const fs::path gog = gameAt(wine / "drive_c/GOG Games/Populous - The Beginning/levels");

    const fs::path steam = home / ".local/share/Steam";
    fs::create_directories(steam / "steamapps");
    fs::create_directories(home / ".steam");
    fs::create_directory_symlink(steam, home / ".steam/steam"); // the same Steam, met twice
    writeFile(steam / "steamapps/libraryfolders.vdf",
        "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + steam.string()
            + "\"\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + (scratch / "games disk").string()
            + "\"\n\t\t\"apps\"\n\t\t{\n\t\t\t\"2616430\"\t\t\"1\"\n\t\t}\n\t}\n}\n");
    const fs::path steamLibrary = gameAt(scratch / "games disk/steamapps/common/Populous 3/levels");
    const fs::path flatpakSteam
        = gameAt(home / ".var/app/com.valvesoftware.Steam/.local/share/Steam/SteamApps/common/populous 3/levels");

    const fs::path playOnLinux = makeLevelsFolder(makeWinePrefix(home / ".PlayOnLinux/wineprefix/Populous"));
    gameAt(playOnLinux);
    const fs::path heroic = gameAt(makeWinePrefix(home / "Games/Heroic/Prefixes/default/Populous/pfx")
        / "drive_c/GOG Games/Populous - The Beginning/levels");
    const fs::path lutrisPrefix = makeWinePrefix(home / "lutris prefix"); // named from the home, as "~/…"
    fs::create_directories(home / ".config/lutris/games");
    writeFile(home / ".config/lutris/games/populous-1700000000.yml",
        "game:\n  exe: ~/x/popTB.exe\n  prefix: ~/lutris prefix\nsystem: {}\nwine:\n  prefix: /not/this\n");
    writeFile(lutrisPrefix / "system.reg",
        "[Software\\\\Bullfrog Productions Ltd\\\\Populous: The Beginning]\n"
        "\"InstallPath\"=\"C:\\\\Pop\"\n");
    const fs::path lutris = gameAt(lutrisPrefix / "drive_c/Pop/levels");
    const fs::path lutrisDefault
        = gameAt(makeWinePrefix(home / "Games/populous") / "drive_c/Program Files (x86)/Bullfrog/Populous/levels");
    const fs::path bottle = gameAt(makeWinePrefix(home / ".var/app/com.usebottles.bottles/data/bottles/bottles/Pop")
        / "drive_c/GOG Games/Populous - The Beginning/levels");
    // A levels folder without slot files, beyond the first, is not the game's.
    fs::create_directories(makeWinePrefix(home / ".local/share/bottles/bottles/Empty")
        / "drive_c/GOG Games/Populous - The Beginning/levels");

    const EnvironmentLookup environment = environmentOf({ { "HOME", home } });
    EXPECT_EQ(found(environment),
        canonical({ today, registered, registeredForUser, gog, steamLibrary, flatpakSteam, playOnLinux, heroic, lutris,
            lutrisDefault, bottle }));
    const std::optional<FoundLevelsFolder> first = findLevelsFolder(environment);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isDefault);
    EXPECT_EQ(first->path, today);

    // Without today's folder, the next source is the one a start uses, and not as the default.
    fs::remove(today);
    const std::optional<FoundLevelsFolder> next = findLevelsFolder(environment);
    ASSERT_TRUE(next);
    EXPECT_FALSE(next->isDefault);
    EXPECT_EQ(fs::canonical(next->path), fs::canonical(registered));
}

// Only an absolute $WINEPREFIX counts, or else the home's own; drive C is followed as its
// link says, every step matched in any case, and the 32-bit folder serves only while the
// usual one is missing. Records that are missing, malformed or point nowhere, and a
// relative prefix, are passed over without harm.
TEST(LevelsFolder, IsFoundWhereTheGameIsAndNowhereElse)
{
    ScratchFolder scratch;
    const fs::path home = scratch / "home";
    const fs::path prefix = makeWinePrefix(home / ".wine");
    const auto environment = environmentOf({ { "HOME", home } });
    EXPECT_EQ(found(environment), std::vector<fs::path> {});
    fs::create_directories(prefix / "drive_c/Program Files/Bullfrog/Populous");
    writeFile(prefix / "drive_c/Program Files/Bullfrog/Populous/levels", "a file, not a folder");
    writeFile(prefix / "system.reg",
        "[Software\\\\Bullfrog Productions Ltd\\\\Populous: The Beginning\n\"InstallPath\"=\"C:\\\\Pop");
    writeFile(prefix / "user.reg",
        "[Software\\\\Bullfrog Productions Ltd\\\\Populous: The Beginning]\n\"InstallPath\"=\"C:\\\\Nowhere\"\n");
    fs::create_directories(home / ".steam/steam/steamapps");
    writeFile(home / ".steam/steam/steamapps/libraryfolders.vdf", "\"libraryfolders\" { \"0\" { \"path\" \"/nowhere");
    fs::create_directories(home / ".local/share/lutris/games");
    writeFile(home / ".local/share/lutris/games/a.yml", "game:\n  prefix: relative/prefix\n");
    writeFile(home / ".local/share/lutris/games/b.yml", std::string("\0\xff[{", 4));
    fs::create_directories(home / "Games/not a prefix");
    const fs::path relative = gameAt(makeLevelsFolder(makeWinePrefix(scratch / "relative/prefix")));
    const fs::path startFolder = fs::current_path();
    fs::current_path(scratch.path()); // where a relative path would lead
    for (const fs::path& wrong : { fs::path(), fs::path("relative/prefix"), scratch / "none" })
        EXPECT_EQ(found(environmentOf({ { "HOME", home }, { "WINEPREFIX", wrong } })), std::vector<fs::path> {})
            << wrong;
    EXPECT_EQ(found(environment), std::vector<fs::path> {});
    fs::current_path(startFolder);
    EXPECT_EQ(
        findLevelsFolder(environmentOf({ { "HOME", home }, { "WINEPREFIX", scratch / "relative/prefix" } }))->path,
        relative);

    const fs::path other = makeWinePrefix(scratch / "other", "windows-drive");
    fs::create_directories(other / "windows-drive/PROGRAM FILES (X86)/bullfrog/POPULOUS/Levels");
    const auto inOther = environmentOf({ { "HOME", home }, { "WINEPREFIX", other } });
    EXPECT_EQ(found(inOther), canonical({ other / "windows-drive/PROGRAM FILES (X86)/bullfrog/POPULOUS/Levels" }));
    EXPECT_EQ(found(inOther), canonical({ makeLevelsFolder(other) }));
}
#endif

TEST(InstallRecords, ReadWhatTheyHoldAndNothingElse)
{
    const std::string registry
        = "[Software\\\\Other]\n\"InstallPath\"=\"C:\\\\Other\"\n"
          "[Software\\\\Game] 123\n\"Version\"=dword:00000001\n\"Path\"=\"C:\\\\Say \\\"hi\\\"\"\n";
    EXPECT_EQ(wineRegistryValue(registry, "software\\game", "PATH"), "C:\\Say \"hi\"");
    EXPECT_EQ(wineRegistryValue(registry, "SOFTWARE\\GAME", "path"), "C:\\Say \"hi\"");
    EXPECT_EQ(wineRegistryValue(registry, "Software\\Game", "InstallPath"), std::nullopt);
    EXPECT_EQ(wineRegistryValue(registry, "Software\\Game", "Version"), std::nullopt);
    EXPECT_EQ(steamLibraryPaths("// comment\n\"libraryfolders\"{\"contentstatsid\" \"1\" \"0\"{\"path\" "
                                "\"C:\\\\Steam\" \"apps\"{\"path\" \"no\"}}"
                                "\"1\"{\"label\" \"\" \"PATH\" \"/mnt/games\"}}"),
        (std::vector<std::string> { "C:\\Steam", "/mnt/games" }));
    EXPECT_EQ(lutrisGamePrefix("game:\n  # a comment\n  prefix: '/home/p/Games/pop'\nwine:\n  prefix: /no\n"),
        "/home/p/Games/pop");
    EXPECT_EQ(lutrisGamePrefix("system:\n  prefix: /no\n"), std::nullopt);
    EXPECT_EQ(lutrisGamePrefix("  prefix: /no\ngame:\n  prefix: /yes\n"), "/yes");
    // A quote left open at the end of what is read is no value, whatever follows in memory.
    const std::string_view unclosed = "[Software\\\\Game]\n\"Path\"=\"C:\\\\Pop\"";
    EXPECT_EQ(wineRegistryValue(unclosed, "Software\\Game", "Path"), "C:\\Pop");
    EXPECT_EQ(wineRegistryValue(unclosed.substr(0, unclosed.size() - 1), "Software\\Game", "Path"), std::nullopt);
    EXPECT_EQ(lutrisGamePrefix("game:\r\n  prefix: /written/on/windows\r\n"), "/written/on/windows");
}
