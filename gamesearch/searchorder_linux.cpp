// SPDX-License-Identifier: MIT
// Where the game may be on Linux: in Wine prefixes, those of the launchers that players
// use included, in Steam's libraries, where Proton leaves the game's own files, and in
// the folders Heroic, Lutris, Minigalaxy and Faugus Launcher install games to.
#include "searchorder.h"

#include "bottles.h"
#include "crossover.h"
#include "faugus.h"
#include "folderpaths.h"
#include "heroic.h"
#include "lutris.h"
#include "minigalaxy.h"
#include "phoenicis.h"
#include "steam.h"
#include "umu.h"
#include "windowsplaces.h"
#include "wineprefixsystem.h"
#include "winetricks.h"

#include <algorithm>

#include <pwd.h>
#include <unistd.h>

namespace varnholt {
namespace {

namespace fs = std::filesystem;

// An absolute path from the environment; a relative or empty one means nothing, as it
// does to Wine and to the launchers.
std::optional<fs::path> absoluteVariable(const EnvironmentLookup& environment, const char* name)
{
    std::optional<std::string> value = environment(name);
    if (!value || value->empty() || value->front() != '/')
        return std::nullopt;
    return fs::path(*value);
}

std::optional<fs::path> homeFolder(const EnvironmentLookup& environment)
{
    if (std::optional<fs::path> home = absoluteVariable(environment, "HOME"))
        return home;
    const passwd* user = ::getpwuid(::getuid());
    if (user == nullptr || user->pw_dir == nullptr || user->pw_dir[0] != '/')
        return std::nullopt;
    return fs::path(user->pw_dir);
}

// An XDG base folder: the variable when it is absolute, else its default under the home.
fs::path xdgFolder(const EnvironmentLookup& environment, const char* name, const fs::path& fallback)
{
    return absoluteVariable(environment, name).value_or(fallback);
}

std::optional<fs::path> absolutePath(std::string_view recorded)
{
    fs::path path(recorded);
    return path.is_absolute() ? std::optional(path) : std::nullopt;
}

class LinuxSearch {
public:
    LinuxSearch(Search& search, const EnvironmentLookup& environment)
        : m_search(search)
        , m_environment(environment)
    {
    }

    void run()
    {
        const std::optional<fs::path> home = homeFolder(m_environment);
        // $WINEPREFIX when set, absolute, else ~/.wine: where the game always was looked for.
        // A relative or empty $WINEPREFIX is no prefix (Wine refuses it), and the search
        // goes on with Steam and the launchers.
        const std::optional<std::string> variable = m_environment("WINEPREFIX");
        const std::optional<fs::path> winePrefix = absoluteVariable(m_environment, "WINEPREFIX");
        if (winePrefix)
            lookInFirstPrefix(*winePrefix);
        else if (variable)
            m_search.note(*variable, "WINEPREFIX passed over: not an absolute path");
        else if (home)
            lookInFirstPrefix(*home / ".wine");
        if (!home)
            return;
        m_home = *home;
        m_config = xdgFolder(m_environment, "XDG_CONFIG_HOME", m_home / ".config");
        m_data = xdgFolder(m_environment, "XDG_DATA_HOME", m_home / ".local/share");
        m_state = xdgFolder(m_environment, "XDG_STATE_HOME", m_home / ".local/state");

        // Each source only while nothing is found yet: a plain start reads no record more
        // than it needs to decide.
        for (void (LinuxSearch::*source)() :
            { &LinuxSearch::lookInSteamLibraries, &LinuxSearch::lookInHeroicGames, &LinuxSearch::lookInLutrisGames,
                &LinuxSearch::lookInMinigalaxyGames, &LinuxSearch::lookInFaugusGames, &LinuxSearch::lookInPrefixes }) {
            if (m_search.done())
                return;
            (this->*source)();
        }
    }

private:
    // Tells the trace of a launcher that has none of its folders here, after it was looked
    // for, so that "searched, not there" reads differently from "never searched".
    void noteWhenNoTrace(std::string_view launcher, const std::vector<fs::path>& folders) const
    {
        if (!m_search.done() && !folders.empty() && std::ranges::none_of(folders, isFolder))
            m_search.note(folders.front(), "no trace of " + std::string(launcher) + " in any of its folders");
    }

    // A game folder a launcher records, with the prefix it runs the game in, which is
    // searched in its turn.
    void offerGameInPrefix(const fs::path& folder, const std::optional<fs::path>& prefix)
    {
        const std::optional<WinePrefixSystem> system
            = prefix ? std::optional<WinePrefixSystem>(std::in_place, *prefix) : std::nullopt;
        m_search.offerGameFolder(folder, system ? &*system : nullptr);
        if (prefix)
            m_prefixes.push_back(*prefix);
    }

    void lookInFirstPrefix(const fs::path& prefix)
    {
        const WinePrefixSystem system(
            prefix, [&](const fs::path& record, std::string_view why) { m_search.noteUnreadable(record, why); },
            &m_search.recordReader());
        (void)m_search.firstVisit(prefix);
        if (!system.exists()) {
            m_search.note(prefix, "no Wine prefix");
            return;
        }
        lookInWindows(m_search, system, true);
        m_search.keepCopiesOf(system);
    }

    void lookInSteamLibraries()
    {
        for (const char* steam : { ".steam/steam", ".local/share/Steam",
                 ".var/app/com.valvesoftware.Steam/.local/share/Steam", "snap/steam/common/.local/share/Steam" }) {
            const fs::path folder = m_home / steam;
            if (m_search.done())
                return;
            if (!isFolder(folder)) {
                m_search.note(folder, "no such folder");
                continue;
            }
            for (fs::path& library : steamLibraries(m_search, folder, absolutePath)) {
                lookInSteamLibrary(m_search, library);
                m_steamLibraries.push_back(std::move(library));
            }
        }
        noteWhenNoTrace("Steam",
            { m_home / ".steam/steam", m_home / ".local/share/Steam",
                m_home / ".var/app/com.valvesoftware.Steam/.local/share/Steam",
                m_home / "snap/steam/common/.local/share/Steam" });
    }

    void lookInHeroicGames()
    {
        const std::vector<HeroicFolders> heroics { { m_config / "heroic", m_state / "Heroic", m_data / "heroic" },
            { m_home / ".var/app/com.heroicgameslauncher.hgl/config/heroic",
                m_home / ".var/app/com.heroicgameslauncher.hgl/.local/state/Heroic",
                m_home / ".var/app/com.heroicgameslauncher.hgl/data/heroic" } };
        for (const HeroicFolders& heroic : heroics) {
            forEachHeroicGame(m_search, heroic, absolutePath, [&](const HeroicGame& game) {
                if (!game.winePrefix) {
                    m_search.offerGameFolder(game.folder);
                    return;
                }
                const WinePrefixSystem system(*game.winePrefix);
                m_search.offerGameFolder(game.folder, &system);
                m_prefixes.push_back(*game.winePrefix);
            });
        }
        noteWhenNoTrace("Heroic",
            { m_config / "heroic", m_state / "Heroic", m_home / ".var/app/com.heroicgameslauncher.hgl",
                m_home / "Games/Heroic" });
    }

    void lookInLutrisGames()
    {
        const std::vector<fs::path> gamesFolders { m_data / "lutris/games", m_config / "lutris/games",
            m_home / ".var/app/net.lutris.Lutris/data/lutris/games",
            m_home / ".var/app/net.lutris.Lutris/config/lutris/games" };
        forEachLutrisGame(m_search, gamesFolders, m_home, [&](const LutrisGame& game) {
            const std::optional<WinePrefixSystem> system
                = game.prefix ? std::optional<WinePrefixSystem>(std::in_place, *game.prefix) : std::nullopt;
            for (const fs::path& folder : game.gameFolders)
                m_search.offerGameFolder(folder, system ? &*system : nullptr);
            if (game.prefix)
                m_prefixes.push_back(*game.prefix);
        });
        noteWhenNoTrace("Lutris",
            { m_data / "lutris", m_config / "lutris", m_home / ".var/app/net.lutris.Lutris", m_home / "Games/gog" });
    }

    void lookInMinigalaxyGames()
    {
        const fs::path flatpak = m_home / ".var/app/io.github.sharkwouter.Minigalaxy";
        for (const fs::path& config :
            { m_config / "minigalaxy/config.json", flatpak / "config/minigalaxy/config.json" }) {
            for (const MinigalaxyGame& game : minigalaxyGames(m_search, config, m_home))
                offerGameInPrefix(game.folder, game.prefix);
        }
        noteWhenNoTrace("Minigalaxy", { m_config / "minigalaxy", flatpak, m_home / "GOG Games" });
    }

    void lookInFaugusGames()
    {
        const fs::path flatpak = m_home / ".var/app/io.github.Faugus.faugus-launcher";
        // games.json moved from the configuration folder to the data folder in newer versions.
        forEachFaugusGame(m_search,
            { m_data / "faugus-launcher/games.json", m_config / "faugus-launcher/games.json",
                flatpak / "data/faugus-launcher/games.json", flatpak / "config/faugus-launcher/games.json" },
            m_home, [&](const FaugusGame& game) { offerGameInPrefix(game.folder, game.prefix); });
        noteWhenNoTrace("Faugus Launcher",
            { m_data / "faugus-launcher", m_config / "faugus-launcher", flatpak, m_home / "Faugus" });
    }

    void lookInPrefixes()
    {
        m_prefixes.push_back(m_home / ".wine");
        for (const fs::path& prefix : heroicDefaultPrefixes(m_home / "Games/Heroic"))
            m_prefixes.push_back(prefix);
        // Lutris installs GOG games in ~/Games/gog/SLUG (older versions in ~/Games/SLUG),
        // the prefix being that folder, or its pfx folder with the game beside it.
        for (const fs::path& game : sortedEntries(m_home / "Games/gog")) {
            m_prefixes.push_back(game);
            m_prefixes.push_back(game / "pfx");
        }
        for (const fs::path& folder : sortedEntries(m_home / "Games"))
            m_prefixes.push_back(folder);
        for (const fs::path& prefix : sortedEntries(m_home / ".PlayOnLinux/wineprefix"))
            m_prefixes.push_back(prefix);
        noteWhenNoTrace("PlayOnLinux", { m_home / ".PlayOnLinux" });
        for (const fs::path& dataFolder :
            { m_home / ".var/app/com.usebottles.bottles/data/bottles", m_data / "bottles" }) {
            for (fs::path& bottle : bottles(m_search, dataFolder, m_home))
                m_prefixes.push_back(std::move(bottle));
        }
        noteWhenNoTrace("Bottles", { m_data / "bottles", m_home / ".var/app/com.usebottles.bottles" });
        // umu's, Faugus Launcher's default ones, winetricks', CrossOver's bottles and the
        // containers of Phoenicis, native and Flatpak.
        for (const std::vector<fs::path>& prefixes : { umuPrefixes(m_home), faugusDefaultPrefixes(m_home),
                 winetricksPrefixes(m_data), crossOverBottles(m_home), phoenicisContainers(m_home / ".Phoenicis"),
                 phoenicisContainers(m_home / ".var/app/org.phoenicis.playonlinux/.Phoenicis") })
            m_prefixes.insert(m_prefixes.end(), prefixes.begin(), prefixes.end());
        noteWhenNoTrace("umu", { m_home / "Games/umu" });
        noteWhenNoTrace("winetricks", { m_data / "wineprefixes" });
        noteWhenNoTrace("CrossOver", { m_home / ".cxoffice" });
        noteWhenNoTrace("Phoenicis", { m_home / ".Phoenicis", m_home / ".var/app/org.phoenicis.playonlinux" });
        for (const fs::path& library : m_steamLibraries) {
            for (fs::path& prefix : protonPrefixes(library))
                m_prefixes.push_back(std::move(prefix));
        }
        varnholt::lookInPrefixes(m_search, m_prefixes);
        // The game installed beside a Lutris prefix: ~/Games/gog/SLUG/FOLDER/levels.
        for (const fs::path& game : m_search.done() ? std::vector<fs::path>() : sortedEntries(m_home / "Games/gog")) {
            if (!isFolder(game / "pfx"))
                continue;
            for (const fs::path& folder : sortedEntries(game)) {
                if (folder.filename() != "pfx")
                    m_search.offerGameFolder(folder);
            }
        }
    }

    Search& m_search;
    const EnvironmentLookup& m_environment;
    fs::path m_home;
    fs::path m_config;
    fs::path m_data;
    fs::path m_state;
    std::vector<fs::path> m_steamLibraries;
    std::vector<fs::path> m_prefixes;
};

} // namespace

void searchInOrder(Search& search, const EnvironmentLookup& environment)
{
    LinuxSearch(search, environment).run();
}

} // namespace varnholt
