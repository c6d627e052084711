// SPDX-License-Identifier: MIT
// Where the game may be on Linux: in Wine prefixes, those of the launchers that players
// use included, and in Steam's libraries, where Proton leaves the game's own files.
#include "gamesearch.h"

#include "wineregistry.h"
#include "wineprefixsystem.h"

#include <algorithm>
#include <pwd.h>
#include <unistd.h>

namespace varnholt {
namespace {

namespace fs = std::filesystem;

std::optional<fs::path> homeFolder(const EnvironmentLookup& environment)
{
    std::optional<std::string> home = environment("HOME");
    if (!home || home->empty()) {
        const passwd* user = ::getpwuid(::getuid());
        if (user == nullptr || user->pw_dir == nullptr)
            return std::nullopt;
        home = user->pw_dir;
    }
    return fs::path(*home);
}

// The entries of a folder, sorted, so that the order tried does not depend on the disk.
std::vector<fs::path> entriesOf(const fs::path& folder)
{
    std::vector<fs::path> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        entries.push_back(it->path());
    std::sort(entries.begin(), entries.end());
    return entries;
}

class PrefixList {
public:
    void add(const fs::path& prefix)
    {
        std::error_code error;
        const fs::path same = fs::weakly_canonical(prefix, error);
        if (error || std::find(m_seen.begin(), m_seen.end(), same) != m_seen.end())
            return;
        auto system = std::make_unique<WinePrefixSystem>(prefix);
        if (!system->exists())
            return;
        m_seen.push_back(same);
        m_systems.push_back(std::move(system));
    }
    void addEach(const fs::path& folder, std::string_view below = {})
    {
        for (const fs::path& entry : entriesOf(folder))
            add(below.empty() ? entry : entry / below);
    }
    std::vector<std::unique_ptr<WindowsSystem>> take() { return std::move(m_systems); }

private:
    std::vector<fs::path> m_seen;
    std::vector<std::unique_ptr<WindowsSystem>> m_systems;
};

} // namespace

SearchPlaces searchPlaces(const EnvironmentLookup& environment)
{
    SearchPlaces places;
    const std::optional<fs::path> home = homeFolder(environment);
    const std::optional<std::string> winePrefix = environment("WINEPREFIX");
    // Wine refuses a prefix that is empty or relative, and so does the game; then there is
    // no default prefix, and the default folder is not looked for anywhere.
    const bool usablePrefix = !winePrefix || (!winePrefix->empty() && winePrefix->front() == '/');
    if (!usablePrefix)
        return places;
    if (!home && !winePrefix)
        return places;
    const fs::path defaultPrefix = winePrefix ? fs::path(*winePrefix) : *home / ".wine";
    // The default prefix comes first even when it does not exist: it is where the game
    // always was looked for, and nothing else takes its place in the order.
    places.systems.push_back(std::make_unique<WinePrefixSystem>(defaultPrefix));
    if (!home)
        return places;

    for (const char* steam :
        { ".steam/steam", ".local/share/Steam", ".var/app/com.valvesoftware.Steam/.local/share/Steam" }) {
        std::error_code error;
        const fs::path folder = *home / steam;
        const fs::path same = fs::weakly_canonical(folder, error);
        if (!fs::is_directory(folder, error))
            continue;
        const bool seen
            = std::any_of(places.steamFolders.begin(), places.steamFolders.end(), [&](const fs::path& earlier) {
                  std::error_code ignored;
                  return fs::weakly_canonical(earlier, ignored) == same;
              });
        if (!seen)
            places.steamFolders.push_back(folder);
    }

    PrefixList prefixes;
    prefixes.add(*home / ".wine");
    prefixes.addEach(*home / ".PlayOnLinux/wineprefix");
    prefixes.addEach(*home / "Games/Heroic/Prefixes/default");
    prefixes.addEach(*home / "Games/Heroic/Prefixes/default", "pfx");
    for (const char* games : { ".local/share/lutris/games", ".config/lutris/games" }) {
        for (const fs::path& gameFile : entriesOf(*home / games)) {
            const std::optional<std::string> text = smallTextFile(gameFile);
            std::optional<std::string> prefix = text ? lutrisGamePrefix(*text) : std::nullopt;
            if (prefix && prefix->starts_with("~/"))
                prefix = (*home / prefix->substr(2)).string();
            if (prefix && prefix->starts_with('/'))
                prefixes.add(*prefix);
        }
    }
    prefixes.addEach(*home / "Games");
    prefixes.addEach(*home / ".var/app/com.usebottles.bottles/data/bottles/bottles");
    prefixes.addEach(*home / ".local/share/bottles/bottles");
    std::vector<std::unique_ptr<WindowsSystem>> others = prefixes.take();
    // The default prefix, met again among the launchers' ones, is there already.
    const auto isDefault = [&](const std::unique_ptr<WindowsSystem>& system) {
        std::error_code error;
        return fs::weakly_canonical(static_cast<const WinePrefixSystem&>(*system).prefix(), error)
            == fs::weakly_canonical(defaultPrefix, error);
    };
    for (std::unique_ptr<WindowsSystem>& other : others) {
        if (!isDefault(other))
            places.systems.push_back(std::move(other));
    }
    return places;
}

} // namespace varnholt
