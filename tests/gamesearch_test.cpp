// SPDX-License-Identifier: MIT
// Finding the game: homes laid out as Wine, Steam and the launchers lay them out, with
// their records written as those programs write them.
#include "gamesearch/gamesearch.h"
#include "gamesearch/keyvalues.h"
#include "gamesearch/wineregistry.h"
#include "support/scratchfolder.h"
#include "support/wineprefix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#ifndef _WIN32
#include "support/childprocess.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace varnholt;
using namespace varnholt::test;
namespace fs = std::filesystem;

#ifndef _WIN32 // the search places of Linux; windows_test has those of Windows
namespace {

void put(const fs::path& file, std::string_view text)
{
    fs::create_directories(file.parent_path());
    writeFile(file, text);
}

// A levels folder as the game installs it: it holds slot files.
fs::path gameAt(const fs::path& levels)
{
    fs::create_directories(levels);
    writeFile(levels / "LEVL2080.DAT", "the 2-player map");
    return levels;
}

// How Wine writes a registry file: a header, then sections with a time and values.
std::string registry(std::string_view key, std::string_view values)
{
    return "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n[" + std::string(key)
        + "] 1700000000\n#time=1da0000000000\n" + std::string(values) + "\n";
}

struct Home {
    ScratchFolder scratch;
    fs::path home = scratch / "home";
    std::map<std::string, fs::path> environment { { "HOME", home } };
    std::vector<std::pair<fs::path, std::string>> trace;

    std::vector<FoundLevelsFolder> search(std::size_t most = std::numeric_limits<std::size_t>::max())
    {
        trace.clear();
        return findLevelsFolders(environmentOf(environment), most,
            [&](const fs::path& place, std::string_view outcome) { trace.emplace_back(place, outcome); });
    }
    [[nodiscard]] std::string outcomeAt(const fs::path& place) const
    {
        const auto looked = std::ranges::find(trace, place, [](const auto& entry) { return entry.first; });
        return looked == trace.end() ? "not looked at" : looked->second;
    }
};

bool sameFolder(const fs::path& a, const fs::path& b)
{
    std::error_code error;
    return fs::equivalent(a, b, error);
}

// Each launcher's layout alone in a home: its game is the one folder found, both by the
// listing and by a plain start, and shown as the player knows it (through drive_c).
struct Layout {
    const char* name;
    std::function<fs::path(Home&)> make; // lays out the home, returns the levels folder
};

// The game in a Wine prefix below the home, in a folder of its drive C.
std::function<fs::path(Home&)> inPrefix(const std::string& prefix, const std::string& folder)
{
    return [=](Home& h) { return gameAt(makeWinePrefix(h.home / prefix) / "drive_c" / folder / "levels"); };
}

const std::vector<Layout> layouts {
    { "today's default installation in ~/.wine, chosen over the same under (x86), and named by the registry too",
        [](Home& h) {
            const fs::path driveC = makeWinePrefix(h.home / ".wine") / "drive_c";
            put(h.home / ".wine/system.reg",
                registry(R"(Software\\Bullfrog Productions Ltd\\Populous: The Beginning)",
                    R"("InstallPath"="C:\\Program Files\\Bullfrog\\Populous")"));
            gameAt(driveC / "Program Files (x86)/Bullfrog/Populous/levels");
            fs::create_directories(driveC / "users/player/AppData/Local/Bullfrog/Populous/levels"); // no copy: empty
            return gameAt(driveC / "Program Files/Bullfrog/Populous/levels");
        } },
    { "InstallPath under Wow6432Node, a name Wine escapes",
        [](Home& h) {
            const fs::path prefix = makeWinePrefix(h.home / ".wine");
            put(prefix / "system.reg",
                registry(R"(Software\\Wow6432Node\\Bullfrog Productions Ltd\\Populous: The Beginning)",
                    R"("InstallPath"="C:\\Jeux vid\xe9o\\Pop\\")"));
            return gameAt(prefix / "drive_c/Jeux vid\xc3\xa9o/Pop/levels");
        } },
    { "InstallPath in the player's own part of the registry",
        [](Home& h) {
            const fs::path prefix = makeWinePrefix(h.home / ".wine");
            put(prefix / "user.reg",
                registry(
                    R"(Software\\Bullfrog Productions Ltd\\Populous: The Beginning)", R"("InstallPath"="C:\\Pop")"));
            return gameAt(prefix / "drive_c/Pop/levels");
        } },
    { "GOG's record of the folder the player chose",
        [](Home& h) {
            const fs::path prefix = makeWinePrefix(h.home / ".wine");
            put(prefix / "system.reg",
                registry(R"(Software\\Wow6432Node\\GOG.com\\Games\\1207659027)",
                    "\"exe\"=\"D:\\\\Spiele\\\\Populous\\\\popTB.exe\"\n\"path\"=\"D:\\\\Spiele\\\\Populous\""));
            fs::create_directories(prefix / "drive_d");
            fs::create_directory_symlink("../drive_d", prefix / "dosdevices/d:");
            return gameAt(prefix / "drive_d/Spiele/Populous/levels");
        } },
    { "today's default installation, its working copy in AppData a link to it",
        [](Home& h) {
            const fs::path driveC = makeWinePrefix(h.home / ".wine") / "drive_c";
            fs::path levels = gameAt(driveC / "Program Files/Bullfrog/Populous/levels");
            fs::create_directories(driveC / "users/player/AppData/Local/Bullfrog/Populous");
            fs::create_directory_symlink(levels, driveC / "users/player/AppData/Local/Bullfrog/Populous/levels");
            return levels;
        } },
    { "an old GOG installer's folder",
        [](Home& h) { return gameAt(makeWinePrefix(h.home / ".wine") / "drive_c/GOG Games/Populous 3/LEVELS"); } },
    { "Steam: a second library and the manifest's installdir",
        [](Home& h) {
            const fs::path library = h.scratch / "games disk";
            put(h.home / ".local/share/Steam/steamapps/libraryfolders.vdf",
                "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + (h.home / ".local/share/Steam").string()
                    + "\"\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + library.string()
                    + "\"\n\t\t\"apps\"\n\t\t{\n\t\t\t\"2616430\"\t\t\"1\"\n\t\t}\n\t}\n}\n");
            put(library / "steamapps/appmanifest_2616430.acf",
                "\"AppState\"\n{\n\t\"appid\"\t\t\"2616430\"\n\t\"installdir\"\t\t\"Populous The Beginning\"\n}\n");
            return gameAt(library / "steamapps/common/Populous The Beginning/levels");
        } },
    { "Steam's old library list in config/, SteamApps in capitals, the Snap",
        [](Home& h) {
            const fs::path steam = h.home / "snap/steam/common/.local/share/Steam";
            put(steam / "config/libraryfolders.vdf",
                "\"LibraryFolders\"\n{\n\t\"TimeNextStatsReport\"\t\t\"1700000000\"\n\t\"1\"\t\t\""
                    + (h.scratch / "old").string() + "\"\n}\n");
            fs::create_directories(steam / "steamapps");
            return gameAt(h.scratch / "old/SteamApps/common/Populous 3/levels");
        } },
    { "the GOG edition added to Steam, run by Proton",
        [](Home& h) {
            const fs::path pfx = makeWinePrefix(
                h.home / ".var/app/com.valvesoftware.Steam/.local/share/Steam/steamapps/compatdata/3158435841/pfx");
            return gameAt(pfx / "drive_c/GOG Games/Populous - The Beginning/levels");
        } },
    { "Windows Steam inside a prefix, its library on drive D",
        [](Home& h) {
            const fs::path prefix = makeWinePrefix(h.home / ".wine");
            put(prefix / "user.reg",
                registry(R"(Software\\Valve\\Steam)", R"("SteamPath"="c:/program files (x86)/steam")"));
            put(prefix / "drive_c/Program Files (x86)/Steam/steamapps/libraryfolders.vdf",
                R"("libraryfolders" { "1" { "path" "D:\\SteamLibrary" } })");
            fs::create_directory_symlink(h.scratch / "disk", prefix / "dosdevices/d:");
            return gameAt(h.scratch / "disk/SteamLibrary/steamapps/common/Populous 3/levels");
        } },
    { "Heroic: a game installed in the prefix its settings name",
        [](Home& h) {
            const fs::path prefix = makeWinePrefix(h.scratch / "wine prefixes/Populous");
            put(h.home / ".config/heroic/gog_store/installed.json",
                R"({"installed":[{"platform":"windows","executable":"","install_path":")"
                    + (h.home / "Games/Heroic/Populous The Beginning").string()
                    + R"(","install_size":"200 MiB","is_dlc":false,"appName":"1207659027","language":"en-US"}]})");
            put(h.home / ".config/heroic/GamesConfig/1207659027.json",
                R"({"1207659027":{"winePrefix":")" + prefix.string()
                    + R"(","wineVersion":{"type":"proton"}},"version":"v0","explicit":true})");
            return gameAt(prefix / "drive_c/GOG Games/Populous - The Beginning/levels");
        } },
    { "Heroic: the same, the settings as newer versions write them",
        [](Home& h) {
            const fs::path prefix = makeWinePrefix(h.scratch / "my prefixes/Populous");
            put(h.home / ".config/heroic/gog_store/installed.json",
                R"({"installed":[{"install_path":")" + (h.scratch / "not installed").string()
                    + R"(","appName":"1207659027"}]})");
            put(h.home / ".config/heroic/GamesConfig/1207659027_gog.json",
                R"({"version":"v1","settings":{"winePrefix":")" + prefix.string() + R"("}})");
            return gameAt(prefix / "drive_c/GOG Games/Populous - The Beginning/levels");
        } },
    { "Heroic as a Flatpak, its store files moved to XDG_STATE_HOME",
        [](Home& h) {
            h.environment["XDG_STATE_HOME"] = h.scratch / "state";
            const fs::path game = h.scratch / "elsewhere/Populous";
            fs::create_directories(h.home / ".config/heroic");
            put(h.scratch / "state/Heroic/gog_store/installed.json",
                R"({"installed":[{"install_path":")" + game.string() + R"(","appName":"1207659027"}]})");
            return gameAt(game / "levels");
        } },
    { "Heroic's default prefixes, since 2.21 and before",
        [](Home& h) {
            makeWinePrefix(h.home / "Games/Heroic/Prefixes/default/Other Game/pfx");
            return gameAt(makeWinePrefix(h.home / "Games/Heroic/Prefixes/Populous The Beginning")
                / "drive_c/GOG Games/Populous - The Beginning/levels");
        } },
    { "Heroic's default prefix as Proton makes it, with pfx inside",
        inPrefix("Games/Heroic/Prefixes/default/Populous The Beginning/pfx", "GOG Games/Populous - The Beginning") },
    { "Lutris: a GOG install whose exe PyYAML folded onto the next line",
        [](Home& h) {
            h.environment["XDG_DATA_HOME"] = h.scratch / "data";
            const fs::path prefix = makeWinePrefix(h.home / "Games/gog/populous-the-beginning");
            put(h.scratch / "data/lutris/games/populous-the-beginning-1700000000.yml",
                "game:\n  arch: win32\n  exe: ~/Games/gog/populous-the-beginning/drive_c/GOG Games/Populous The\n"
                "    Beginning/popTB.exe\n  prefix: ~/Games/gog/populous-the-beginning\nsystem: {}\n");
            return gameAt(prefix / "drive_c/GOG Games/Populous The Beginning/levels");
        } },
    { "Lutris as a Flatpak: the game beside its pfx prefix, its exe relative to game_path",
        [](Home& h) {
            const fs::path dir = h.scratch / "lutris games/populous";
            makeWinePrefix(dir / "pfx");
            put(h.home / ".var/app/net.lutris.Lutris/config/lutris/games/populous.yml",
                "game:\n  exe: Populous/popTB.exe\n  game_path: " + dir.string()
                    + "\n  prefix: " + (dir / "pfx").string() + "\n");
            return gameAt(dir / "Populous/levels");
        } },
    { "Lutris: the game in game_path itself, started by a launcher below it",
        [](Home& h) {
            const fs::path game = h.scratch / "lutris games/Populous";
            put(h.home / ".local/share/lutris/games/populous.yml",
                "game:\n  exe: launcher/start.exe\n  game_path: " + game.string() + "\n");
            return gameAt(game / "levels");
        } },
    { "Lutris: the game in its prefix's usual folder, started by a script outside it",
        [](Home& h) {
            const fs::path prefix = makeWinePrefix(h.scratch / "wine/populous");
            put(h.home / ".local/share/lutris/games/populous.yml",
                "game:\n  exe: " + (h.scratch / "start.sh").string() + "\n  prefix: " + prefix.string() + "\n");
            return gameAt(prefix / "drive_c/Program Files/Bullfrog/Populous/levels");
        } },
    { "Lutris's GOG install as its own prefix, without a game file",
        inPrefix("Games/gog/pop", "GOG Games/Populous 3") },
    { "Lutris's GOG install with the game inside its pfx prefix",
        inPrefix("Games/gog/populous/pfx", "GOG Games/Populous 3") },
    { "Lutris's GOG install beside its pfx prefix, without a game file",
        [](Home& h) {
            makeWinePrefix(h.home / "Games/gog/populous/pfx");
            return gameAt(h.home / "Games/gog/populous/Populous - The Beginning/levels");
        } },
    { "Bottles on a custom path, found through its placeholder",
        [](Home& h) {
            const fs::path bottle = h.scratch / "big disk/Populous";
            put(h.home / ".local/share/bottles/bottles/Populous/placeholder.yml", "Path: " + bottle.string() + "\n");
            return gameAt(makeWinePrefix(bottle) / "drive_c/GOG Games/Populous - The Beginning/levels");
        } },
    { "Bottles' own setting for where bottles go",
        [](Home& h) {
            put(h.home / ".local/share/bottles/data.yml",
                "custom_bottles_path: " + (h.scratch / "bottles").string() + "\n");
            return gameAt(makeWinePrefix(h.scratch / "bottles/Games") / "drive_c/GOG Games/Populous 3/levels");
        } },
    { "a bottle of the Flatpak, the default installation under (x86), and PlayOnLinux",
        [](Home& h) {
            makeWinePrefix(h.home / ".PlayOnLinux/wineprefix/Other");
            return gameAt(makeWinePrefix(h.home / ".var/app/com.usebottles.bottles/data/bottles/bottles/Pop")
                / "drive_c/Program Files (x86)/Bullfrog/Populous/levels");
        } },
    { "Lutris: the game named by working_dir alone",
        [](Home& h) {
            const fs::path game = h.scratch / "games/Populous";
            put(h.home / ".local/share/lutris/games/populous.yml",
                "game:\n  exe: /usr/bin/true\n  working_dir: " + game.string() + "\n");
            return gameAt(game / "levels");
        } },
    { "Lutris: the exe relative to the game's directory, which its installer made the prefix",
        [](Home& h) {
            const fs::path prefix = makeWinePrefix(h.scratch / "lutris/populous");
            put(h.home / ".local/share/lutris/games/populous.yml",
                "game:\n  exe: drive_c/Games/Populous/popTB.exe\n  prefix: " + prefix.string() + "\n");
            return gameAt(prefix / "drive_c/Games/Populous/levels");
        } },
    { "Minigalaxy: a Windows game in ~/GOG Games, its prefix kept inside it",
        [](Home& h) {
            const fs::path game = h.home / "GOG Games/Populous The Beginning";
            fs::create_directory_symlink("../..", makeWinePrefix(game / "prefix") / "drive_c/game");
            return gameAt(game / "levels");
        } },
    { "Minigalaxy as a Flatpak, installing where its config.json says",
        [](Home& h) {
            put(h.home / ".var/app/io.github.sharkwouter.Minigalaxy/config/minigalaxy/config.json",
                R"({"lang":"en","install_dir":")" + (h.scratch / "gog").string() + R"(","keep_installers":false})");
            fs::create_directories(h.scratch / "gog/installer/Populous - The Beginning/levels");
            return gameAt(h.scratch / "gog/Populous - The Beginning/levels");
        } },
    { "Faugus Launcher: the game's executable in games.json",
        [](Home& h) {
            const fs::path prefix = makeWinePrefix(h.home / "Faugus/populous");
            put(h.home / ".config/faugus-launcher/games.json",
                R"([{"gameid":"populous","title":"Populous","path":")" + (h.scratch / "Games/Pop/popTB.exe").string()
                    + R"(","prefix":")" + prefix.string() + R"(","runner":"GE-Proton Latest"}])");
            return gameAt(h.scratch / "Games/Pop/levels");
        } },
    { "Faugus Launcher's default prefix folder",
        inPrefix("Faugus/populous-the-beginning", "GOG Games/Populous - The Beginning") },
    { "umu's prefix for a game started without a GAMEID", inPrefix("Games/umu/umu-default", "GOG Games/Populous 3") },
    { "a winetricks prefix in XDG_DATA_HOME, beside an empty CrossOver bottle",
        [](Home& h) {
            h.environment["XDG_DATA_HOME"] = h.scratch / "data";
            makeWinePrefix(h.home / ".cxoffice/Office");
            return gameAt(makeWinePrefix(h.scratch / "data/wineprefixes/populous")
                / "drive_c/Program Files (x86)/Bullfrog/Populous/levels");
        } },
    { "a CrossOver bottle, beside an empty Phoenicis container",
        [](Home& h) {
            makeWinePrefix(h.home / ".Phoenicis/containers/wineprefix/Other");
            return gameAt(makeWinePrefix(h.home / ".cxoffice/Populous") / "drive_c/GOG Games/Populous 3/levels");
        } },
    { "a container of Phoenicis as a Flatpak",
        inPrefix(".var/app/org.phoenicis.playonlinux/.Phoenicis/containers/wineprefix/Pop", "GOG Games/Populous 3") },
    // A ".." after a link leads out of the link's target, as the system takes it; the
    // folder that folding it as text would give holds another game, never to be changed.
    { "Lutris: game_path through a link to another disk and back up",
        [](Home& h) {
            fs::create_directories(h.scratch / "disk/games");
            fs::create_directory_symlink(h.scratch / "disk/games", h.home / "link");
            gameAt(h.home / "Pop/levels");
            put(h.home / ".local/share/lutris/games/pop.yml", "game:\n  game_path: ~/link/../Pop\n");
            return gameAt(h.scratch / "disk/Pop/levels");
        } },
    { "WINEPREFIX through a link to another disk and back up",
        [](Home& h) {
            fs::create_directories(h.scratch / "disk/prefixes");
            fs::create_directory_symlink(h.scratch / "disk/prefixes", h.home / "link");
            gameAt(makeWinePrefix(h.home / "pfx") / "drive_c/GOG Games/Populous 3/levels");
            h.environment["WINEPREFIX"] = h.home / "link/../pfx";
            return gameAt(makeWinePrefix(h.scratch / "disk/pfx") / "drive_c/GOG Games/Populous 3/levels");
        } },
};

} // namespace

TEST(GameSearch, FindsTheGameInEveryLayoutOfTheLaunchers)
{
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.name);
        Home home;
        fs::create_directories(home.home);
        const fs::path levels = layout.make(home);
        const std::vector<FoundLevelsFolder> found = home.search();
        ASSERT_EQ(found.size(), 1U);
        EXPECT_TRUE(sameFolder(found.front().path, levels)) << found.front().path;
        EXPECT_EQ(found.front().path.string().find("dosdevices"), std::string::npos) << found.front().path;
        EXPECT_EQ(found.front().isDefault, std::string_view(layout.name).starts_with("today"));
        EXPECT_TRUE(found.front().copies.empty()); // no copy, or none but the folder itself
        const std::vector<FoundLevelsFolder> first = home.search(1);
        ASSERT_EQ(first.size(), 1U);
        EXPECT_EQ(first.front().path, found.front().path);
        EXPECT_TRUE(home.trace.back().second.starts_with("found")) << home.trace.back().first; // and nothing after
    }
}

// All of them in one home: the documented order, each folder once, and a copy of the
// levels in the user's local application data, listed last and named beside the
// installation the game may read it for.
TEST(GameSearch, ListsEverySourceInOrderAndTheCopiesLast)
{
    Home home;
    std::vector<fs::path> expected;
    for (const std::string_view row : { "today's", "Steam: a second", "Heroic as a Flatpak", "Lutris: a GOG install",
             "Minigalaxy: a Windows", "a bottle of the Flatpak", "umu's" }) {
        if (row.starts_with("a bottle")) { // PlayOnLinux's prefixes by name, whatever order the disk keeps them in
            const fs::path prefixes = home.home / ".PlayOnLinux/wineprefix";
            for (const char* name : { "b", "c", "a" })
                gameAt(makeWinePrefix(prefixes / name) / "drive_c/GOG Games/Populous 3/levels");
            for (const char* name : { "a", "b", "c" })
                expected.push_back(prefixes / name / "drive_c/GOG Games/Populous 3/levels");
        }
        expected.push_back(std::ranges::find_if(layouts, [&](const Layout& layout) {
            return std::string_view(layout.name).starts_with(row);
        })->make(home));
    }
    const fs::path copy = gameAt(home.home / ".wine/drive_c/users/steamuser/AppData/Local/Bullfrog/Populous/levels");
    expected.push_back(copy);
    const std::vector<FoundLevelsFolder> found = home.search();
    ASSERT_EQ(found.size(), expected.size());
    for (std::size_t i = 0; i < found.size(); ++i)
        EXPECT_TRUE(sameFolder(found[i].path, expected[i])) << i << ": " << found[i].path;
    EXPECT_TRUE(found.front().isDefault);
    ASSERT_EQ(found.front().copies.size(), 1U);
    EXPECT_TRUE(sameFolder(found.front().copies.front(), copy));
    EXPECT_TRUE(found.back().isCopy);
}

// What a player's disk may hold instead of records: nothing hangs, nothing huge is read,
// nothing relative is taken from the current folder, and each is named in the trace
// with why it was passed over.
TEST(GameSearch, HostileRecordsArePassedOverAndSaidWhy)
{
    alarm(60); // a record opened as a FIFO would wait here for good
    Home home;
    const fs::path wine = makeWinePrefix(home.home / ".wine");
    const fs::path steam = home.home / ".local/share/Steam";
    fs::create_directories(steam / "steamapps");
    const fs::path lutris = home.home / ".local/share/lutris/games";
    fs::create_directories(lutris);
    ASSERT_EQ(::mkfifo((wine / "system.reg").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", wine / "user.reg");
    ASSERT_EQ(::mkfifo((steam / "steamapps/libraryfolders.vdf").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((lutris / "fifo.yml").c_str(), 0600), 0);
    put(lutris / "huge.yml", "");
    fs::resize_file(lutris / "huge.yml", std::uintmax_t { 60 } << 20);
    put(lutris / "deep.yml", std::string(100000, '['));
    put(lutris / "unclosed.yml", "game:\n  exe: [one, two\n"); // told where the parser stopped
    put(lutris / "relative.yml", "game:\n  exe: relative/popTB.exe\n  prefix: relative\n");
    const fs::path notRead = gameAt(home.scratch / "not read/levels"); // named only by files that are no records:
    put(lutris / "old.yml.bak", "game:\n  working_dir: " + notRead.parent_path().string() + "\n");
    const fs::path flatpakHeroic = home.home / ".var/app/com.heroicgameslauncher.hgl/config/heroic";
    fs::create_directories(flatpakHeroic / "GamesConfig"); // so that "GamesConfig/.." leads somewhere
    const fs::path outsidePrefix = makeWinePrefix(home.scratch / "outside prefix");
    gameAt(outsidePrefix / "drive_c/GOG Games/Populous 3/levels");
    put(flatpakHeroic / "outside.json", // nor by a game whose name climbs out of GamesConfig
        R"({"../outside":{"winePrefix":")" + outsidePrefix.string() + R"("}})");
    put(home.home / ".config/heroic/gog_store/installed.json", "{\"installed\": [ {\"install_path\": 7}, [[[[");
    put(home.home / ".local/state/Heroic/gog_store/installed.json", "{}"); // before any GOG game
    put(flatpakHeroic / "sideload_apps/library.json", R"({"games":[{"app_name":"no install"},7,{"install":[]}]})");
    // Minigalaxy: a relative install_dir is no folder (nor is the default then), a
    // malformed config.json is Minigalaxy starting afresh in ~/GOG Games.
    put(home.home / ".config/minigalaxy/config.json", R"({"install_dir":"relative"})");
    put(home.home / ".var/app/io.github.sharkwouter.Minigalaxy/config/minigalaxy/config.json", "[[[");
    put(home.home / ".local/share/faugus-launcher/games.json", R"({"path":"/"})");
    put(home.home / ".config/faugus-launcher/games.json",
        R"([7,{"path":7},{"path":"relative/popTB.exe","prefix":"relative"},{"path":""}])");
    const fs::path faugusFlatpak = home.home / ".var/app/io.github.Faugus.faugus-launcher/data/faugus-launcher";
    fs::create_directories(faugusFlatpak);
    ASSERT_EQ(::mkfifo((faugusFlatpak / "games.json").c_str(), 0600), 0);
    put(flatpakHeroic / "gog_store/installed.json",
        R"({"installed":[{"install_path":")" + (home.scratch / "absent").string() + R"(","appName":"../outside"}]})");
    std::string manyLibraries = "\"libraryfolders\" {";
    for (int i = 0; i < 10000; ++i)
        manyLibraries += " \"" + std::to_string(i) + "\" { \"path\" \"" + steam.string() + "\" }";
    put(steam / "config/libraryfolders.vdf", manyLibraries + " \"1\" { \"path\" \"library\" } }");
    gameAt(home.scratch / "library/steamapps/common/Populous 3/levels"); // where a relative library would lead
    // A dangling drive C is no drive, though drive_c is there.
    const fs::path dangling = makeWinePrefix(home.home / "Games/dangling");
    gameAt(dangling / "drive_c/GOG Games/Populous 3/levels");
    fs::remove(dangling / "dosdevices/c:");
    fs::create_directory_symlink("../nowhere", dangling / "dosdevices/c:");
    for (int i = 0; i < 2000; ++i)
        fs::create_directory(home.home / "Games" / std::to_string(i));
    makeLevelsFolder(makeWinePrefix(home.home / "Games/empty")); // the default folder counts only in the first prefix
    const fs::path driveRelative = makeWinePrefix(home.home / "Games/drive relative"); // "C:x\Pop" is no known folder
    put(driveRelative / "system.reg",
        registry(R"(Software\\Wow6432Node\\Bullfrog Productions Ltd\\Populous: The Beginning)",
            R"("InstallPath"="C:x\\Pop")"));
    put(driveRelative / "user.reg",
        registry(R"(Software\\Bullfrog Productions Ltd\\Populous: The Beginning)", R"("InstallPath"="")"));
    gameAt(driveRelative / "drive_c/Pop/levels");
    fs::create_directories(home.home / ".steam/steam"); // a Steam without steamapps
    gameAt(wine / "drive_c/Other/Bullfrog/Populous/levels"); // drive C's one folder is no "Program Files"
    const fs::path relativeGame = gameAt(home.scratch / "relative/drive_c/GOG Games/Populous 3/levels");
    gameAt(home.scratch / "relative/levels");
    makeWinePrefix(home.scratch / "relative");
    const WorkingFolderGuard workingFolder;
    fs::current_path(home.scratch.path()); // where a relative path would lead

    const auto openDescriptors = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); };
    const auto openBefore = openDescriptors();
    EXPECT_EQ(home.search().size(), 0U);
    EXPECT_EQ(openDescriptors(), openBefore); // every record closed again
    EXPECT_EQ(home.outcomeAt(home.home / "Games/empty/system.reg"), "not looked at"); // missing is no problem
    EXPECT_EQ(home.outcomeAt(wine / "system.reg"), "record unreadable: not a regular file");
    EXPECT_EQ(home.outcomeAt(wine / "user.reg"), "record unreadable: not a regular file");
    EXPECT_EQ(home.outcomeAt(steam / "steamapps/libraryfolders.vdf"), "record unreadable: not a regular file");
    EXPECT_EQ(home.outcomeAt(lutris / "huge.yml"), "record unreadable: larger than 4194304 bytes");
    EXPECT_EQ(
        home.outcomeAt(lutris / "deep.yml"), "record unreadable: not a YAML mapping (line 1, column 1: bad file)");
    EXPECT_EQ(home.outcomeAt(lutris / "unclosed.yml"),
        "record unreadable: not a YAML mapping (line 3, column 1: end of sequence flow not found)");
    EXPECT_EQ(
        home.outcomeAt(home.home / ".config/heroic/gog_store/installed.json"), "record unreadable: not a JSON object");
    EXPECT_EQ(home.outcomeAt(home.home / "Games/dangling"), "no Wine prefix");
    EXPECT_EQ(home.outcomeAt(home.home / "Games/7"), "no Wine prefix");
    const std::string minigalaxy = ".var/app/io.github.sharkwouter.Minigalaxy/config/minigalaxy/config.json";
    // Each launcher that left no folder here is named; one that did is not.
    for (const auto& [place, outcome] : std::vector<std::pair<fs::path, std::string>> {
             { home.home / ".config/minigalaxy/config.json", "install_dir passed over: not an absolute path" },
             { home.home / minigalaxy, "record unreadable: not a JSON object" },
             { home.home / "GOG Games", "no such folder" },
             { home.home / ".local/share/faugus-launcher/games.json", "record unreadable: not a JSON list" },
             { faugusFlatpak / "games.json", "record unreadable: not a regular file" },
             { "relative/popTB.exe", "passed over: not an absolute path" },
             { home.home / ".cxoffice", "no trace of CrossOver in any of its folders" },
             { home.home / ".Phoenicis", "no trace of Phoenicis in any of its folders" },
             { home.home / "Games/umu", "no trace of umu in any of its folders" },
             { home.home / ".local/share/wineprefixes", "no trace of winetricks in any of its folders" },
             { home.home / ".PlayOnLinux", "no trace of PlayOnLinux in any of its folders" },
             { home.home / ".local/share/bottles", "no trace of Bottles in any of its folders" },
             { home.home / ".local/share/lutris", "not looked at" },
             { home.home / ".config/minigalaxy", "not looked at" },
             { home.home / ".local/share/faugus-launcher", "not looked at" } })
        EXPECT_EQ(home.outcomeAt(place), outcome) << place;

    // An empty or relative WINEPREFIX or HOME is no prefix and no home, and the search
    // goes on with what is absolute: here the game in Steam.
    const fs::path steamGame = gameAt(steam / "steamapps/common/Populous 3/levels");
    for (const char* prefix : { "", "relative" }) {
        home.environment = { { "HOME", home.home }, { "WINEPREFIX", prefix } };
        const std::vector<FoundLevelsFolder> found = home.search();
        ASSERT_EQ(found.size(), 1U) << prefix;
        EXPECT_TRUE(sameFolder(found.front().path, steamGame));
    }
    home.environment = { { "HOME", "relative" } }; // the home the password database gives is looked in instead
    EXPECT_TRUE(home.search().empty());
    EXPECT_EQ(home.outcomeAt(home.scratch / "relative"), "not looked at");
    const std::string passwordHome = std::string(::getpwuid(::getuid())->pw_dir) + "/";
    EXPECT_TRUE(std::ranges::any_of(
        home.trace, [&](const auto& looked) { return looked.first.string().starts_with(passwordHome); }));
    alarm(0);
    EXPECT_TRUE(fs::exists(relativeGame));
    if (::getuid() == 0) { // nor for a user the password database does not know, as in some containers
        const ChildEnd unknownUser = runInChild([&](int) {
            home.environment = { { "HOME", "relative" } };
            const bool unknown = ::setuid(54321) == 0;
            return unknown && home.search().empty() // and looks at nothing relative
                    && std::ranges::none_of(home.trace, [](const auto& looked) { return looked.first.is_relative(); })
                ? 0
                : 1;
        });
        EXPECT_TRUE(unknownUser.exitedWith(0));
    }
}

// A library listing one game a thousand times, and a second Heroic that is the first
// through a link: each record is read once, and each entry taken once.
TEST(GameSearch, ARecordIsReadOnceHoweverOftenItIsNamed)
{
    Home home;
    const fs::path game = home.scratch / "not installed";
    std::string entries;
    for (int i = 0; i < 1000; ++i)
        entries += R"({"install_path":")" + game.string() + R"(","appName":"1"},)";
    put(home.home / ".config/heroic/gog_store/installed.json", R"({"installed":[)" + entries + "7]}");
    fs::create_directories(home.home / ".var/app/com.heroicgameslauncher.hgl");
    fs::create_directory_symlink(home.home / ".config", home.home / ".var/app/com.heroicgameslauncher.hgl/config");
    home.search();
    for (const fs::path& place : { home.home / ".config/heroic/GamesConfig/1.json", game / "levels" })
        EXPECT_EQ(std::ranges::count(home.trace, place, [](const auto& looked) { return looked.first; }), 1) << place;
}

// Each record and each place the search reads, one at a time, in the way a home can break
// it: a link to itself, two links to each other, a link to nowhere, and a folder the
// player may not enter (left behind by a run as root). The search ends, the game is
// still found where it is, and a record that cannot be read is noted with the reason.
TEST(GameSearch, ABrokenRecordOrFolderNeverEndsTheSearch)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make a folder that another user may not enter";
    const std::vector<std::pair<const char*, bool>> places { // below the home; true for a record
        { ".wine", false }, { ".wine/system.reg", true }, { ".wine/user.reg", true }, { ".wine/dosdevices/c:", false },
        { ".local/share/Steam", false }, { ".local/share/Steam/steamapps/libraryfolders.vdf", true },
        { ".local/share/Steam/config/libraryfolders.vdf", true },
        { ".local/share/Steam/steamapps/appmanifest_2616430.acf", true }, { ".config/heroic", false },
        { ".config/heroic/gog_store/installed.json", true }, { ".config/heroic/GamesConfig/1.json", true },
        { ".config/heroic/sideload_apps/library.json", true }, { ".local/share/lutris/games", false },
        { ".local/share/lutris/games/pop.yml", true }, { ".local/share/bottles", false },
        { ".local/share/bottles/data.yml", true }, { ".var/app/com.usebottles.bottles/data/bottles/data.yml", true },
        { ".local/share/bottles/bottles", false }, { ".local/share/bottles/bottles/b/placeholder.yml", true },
        { "Games", false }, { "Games/gog", false }, { "Games/Heroic/Prefixes", false },
        { ".PlayOnLinux/wineprefix/other", false }, { ".config/minigalaxy/config.json", true }, { "GOG Games", false },
        { ".local/share/faugus-launcher/games.json", true }, { "Faugus", false }
    };
    const char* const loop = "Too many levels of symbolic links";
    for (const auto& [place, isRecord] : places)
        for (const std::string_view kind : { "self-link", "loop", "dangling link", "folder no one may enter" }) {
            SCOPED_TRACE(std::string(place) + " as a " + std::string(kind));
            Home home;
            const fs::path steam = home.home / ".local/share/Steam";
            makeWinePrefix(home.home / ".wine");
            put(home.home / ".wine/system.reg", registry("Software\\Other", "\"Path\"=\"C:\\\\Other\""));
            put(home.home / ".wine/user.reg", registry("Software\\Other", "\"Path\"=\"C:\\\\Other\""));
            put(steam / "steamapps/libraryfolders.vdf", "\"libraryfolders\" { }");
            put(steam / "config/libraryfolders.vdf", "\"libraryfolders\" { }");
            put(steam / "steamapps/appmanifest_2616430.acf", "\"AppState\" { \"installdir\" \"Pop\" }");
            fs::create_directories(steam / "steamapps/common");
            put(home.home / ".config/heroic/gog_store/installed.json",
                R"({"installed":[{"install_path":"/nowhere","appName":"1"}]})");
            put(home.home / ".config/heroic/GamesConfig/1.json", R"({"1":{"winePrefix":"/nowhere"}})");
            put(home.home / ".config/heroic/sideload_apps/library.json", R"({"games":[]})");
            put(home.home / ".local/share/lutris/games/pop.yml", "game:\n  working_dir: /nowhere\n");
            put(home.home / ".local/share/bottles/data.yml", "custom_bottles_path: /nowhere\n");
            put(home.home / ".var/app/com.usebottles.bottles/data/bottles/data.yml", "{}\n");
            put(home.home / ".local/share/bottles/bottles/b/placeholder.yml", "Path: /nowhere\n");
            put(home.home / ".config/minigalaxy/config.json", R"({"install_dir":"/nowhere"})");
            put(home.home / ".local/share/faugus-launcher/games.json", R"([{"path":"/nowhere/pop.exe"}])");
            for (const char* folder : { "Games/gog/g", "Games/Heroic/Prefixes/h", ".PlayOnLinux/wineprefix/other",
                     "GOG Games/g/prefix", "Faugus/f" })
                makeWinePrefix(home.home / folder);
            const fs::path levels = gameAt(
                makeWinePrefix(home.home / ".PlayOnLinux/wineprefix/pop") / "drive_c/GOG Games/Populous 3/levels");
            const fs::path broken = home.home / place;
            fs::remove_all(broken);
            if (kind == "self-link") {
                fs::create_symlink(broken.filename(), broken);
            } else if (kind == "loop") {
                fs::create_symlink(broken.filename().string() + ".other", broken);
                fs::create_symlink(broken.filename(), broken.string() + ".other");
            } else if (kind == "dangling link") {
                fs::create_symlink("nowhere", broken);
            } else {
                fs::create_directory(broken);
                fs::permissions(broken, fs::perms::none);
            }
            // A link to nowhere is no record, and a registry file that is not there is no news.
            const std::string expected = kind == "folder no one may enter" ? "record unreadable: not a regular file"
                                                                           : std::string("record unreadable: ") + loop;
            const bool record = isRecord; // a lambda may not capture a structured binding before C++20's fix
            const ChildEnd child = runInChild(
                [&](int) {
                    const std::vector<FoundLevelsFolder> found = home.search();
                    const bool noted = !record || kind == "dangling link" || home.outcomeAt(broken) == expected;
                    return found.size() == 1 && sameFolder(found.front().path, levels) && noted ? 0 : 1;
                },
                true);
            EXPECT_TRUE(child.exitedWith(0)) << "status " << child.status;
        }
}

#endif

// The readers of the formats that have no library: Wine's registry files and Steam's
// KeyValues, each as its writer writes it.
TEST(Records, ReadAsTheirWritersWriteThem)
{
    const std::string file
        = "[Software\\\\Other]\n\"InstallPath\"=\"C:\\\\Other\"\n"
          "[Software\\\\Game\\\\\\]x] 123\n\"Version\"=dword:00000001\n\"Path\"=\"C:\\\\Say \\\"hi\\\"\"\n"
          "@=\"default\"\n\"Name\"=str(2):\"Jeux vid\\xe9o\\x80 "
          "\\x1f600\\xd83d\\xde00\\t\\0371\\xd83d\\xe000\\xdc00\\100\"\n"
          "[Software\\\\A\\\\Same]\n\"Other\"=\"a\"\n[Software\\\\B\\\\Same]\n\"Path\"=\"b\"\n"
          "[Software\\\\Open\n\"Path\"=\"C:\\\\Pop\n[Software\\\\Unclosed]\n\"Path\"=\"C:\\\\Pop\\x41";
    const std::vector<RegistryValueName> wanted { { "software\\game\\]x", "PATH" }, { "Software\\Game\\]x", "" },
        { "SOFTWARE\\GAME\\]X", "name" }, { "Software\\Game\\]x", "InstallPath" }, { "Software\\Game\\]x", "Version" },
        { "Software\\Open", "Path" }, { "Software\\A\\Same", "Path" }, { "Software\\B\\Same", "Path" },
        { "Software\\Unclosed", "Path" } }; // a quote left open at the end, after an escape, is no value
    const std::vector<std::optional<std::string>> values = wineRegistryValues(file, wanted);
    const std::vector<std::optional<std::string>> expected { "C:\\Say \"hi\"", "default",
        "Jeux vid\xc3\xa9o\xc2\x80 \xe1\xbd\xa0"
        "0\xf0\x9f\x98\x80\t\x1f"
        "1\xee\x80\x80\xef\xbf\xbd@",
        std::nullopt, std::nullopt, std::nullopt, std::nullopt, "b", std::nullopt };
    EXPECT_EQ(values, expected);
    EXPECT_EQ(wineRegistryValues("\n[Software\\\\Unclosed]", wanted).back(), std::nullopt); // cut off after its header
    EXPECT_EQ(
        wineRegistryValues("[Software\\\\Unclosed]\n\"Path\"=\"\\10", wanted).back(), std::nullopt); // in an escape

    const std::vector<KeyValue> entries
        = parseKeyValues("// comment\n\"libraryfolders\"{\"0\"{\"path\" \"C:\\\\Steam\" "
                         "bare word \"apps\"{\"path\" \"no\"}}\"1\" \"D:\\\\Old\"}"
                         "\"unclosed\" {\"path\" \"/mnt\\");
    ASSERT_EQ(entries.size(), 2U);
    EXPECT_EQ(entries[0].key, "libraryfolders");
    ASSERT_EQ(entries[0].block.size(), 2U);
    EXPECT_EQ(entries[0].block[0].valueOf("PATH"), "C:\\Steam");
    EXPECT_EQ(entries[0].block[0].valueOf("bare"), "word");
    ASSERT_EQ(entries[0].block[0].block.size(), 3U);
    EXPECT_EQ(entries[0].block[0].block[2].valueOf("path"), "no");
    EXPECT_EQ(entries[0].valueOf("1"), "D:\\Old");
    EXPECT_TRUE(entries[1].block.empty());
    EXPECT_TRUE(parseKeyValues("{ \"path\" \"/no key\" }").empty());
    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "\"k\"{";
    EXPECT_EQ(parseKeyValues(deep).size(), 1U); // read to a depth Steam never writes, no further
}
