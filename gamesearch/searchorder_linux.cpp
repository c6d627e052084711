// SPDX-License-Identifier: MIT
// Where the game may be on Linux: in Wine prefixes, those of the launchers that players
// use included, in Steam's libraries, where Proton leaves the game's own files, and in
// the folders Heroic and Lutris install games to.
#include "searchorder.h"

#include "bottles.h"
#include "folderpaths.h"
#include "heroic.h"
#include "lutris.h"
#include "steam.h"
#include "windowsplaces.h"
#include "wineprefixsystem.h"

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
        for (void (LinuxSearch::*source)() : { &LinuxSearch::lookInSteamLibraries, &LinuxSearch::lookInHeroicGames,
                 &LinuxSearch::lookInLutrisGames, &LinuxSearch::lookInPrefixes }) {
            if (m_search.done())
                return;
            (this->*source)();
        }
    }

private:
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
    }

    void lookInPrefixes()
    {
        m_prefixes.push_back(m_home / ".wine");
        for (const fs::path& prefix : heroicDefaultPrefixes(m_home / "Games/Heroic"))
            m_prefixes.push_back(prefix);
        // Lutris installs GOG games in ~/Games/gog/SLUG (older versions in ~/Games/SLUG),
        // the prefix being that folder, or its pfx folder with the game beside it.
        for (const fs::path& game : entriesOf(m_home / "Games/gog")) {
            m_prefixes.push_back(game);
            m_prefixes.push_back(game / "pfx");
        }
        for (const fs::path& folder : entriesOf(m_home / "Games"))
            m_prefixes.push_back(folder);
        for (const fs::path& prefix : entriesOf(m_home / ".PlayOnLinux/wineprefix"))
            m_prefixes.push_back(prefix);
        for (const fs::path& dataFolder :
            { m_home / ".var/app/com.usebottles.bottles/data/bottles", m_data / "bottles" }) {
            for (fs::path& bottle : bottles(m_search, dataFolder, m_home))
                m_prefixes.push_back(std::move(bottle));
        }
        for (const fs::path& library : m_steamLibraries) {
            for (fs::path& prefix : protonPrefixes(library))
                m_prefixes.push_back(std::move(prefix));
        }
        varnholt::lookInPrefixes(m_search, m_prefixes);
        // The game installed beside a Lutris prefix: ~/Games/gog/SLUG/FOLDER/levels.
        for (const fs::path& game : m_search.done() ? std::vector<fs::path>() : entriesOf(m_home / "Games/gog")) {
            if (!isFolder(game / "pfx"))
                continue;
            for (const fs::path& folder : entriesOf(game)) {
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
