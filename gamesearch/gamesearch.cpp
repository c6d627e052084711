// SPDX-License-Identifier: MIT
#include "gamesearch.h"

#include "catalogue/levelcatalogue.h"
#include "levelfiles/entryname.h"
#include "wineregistry.h"
#include "wineprefixsystem.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace varnholt {
namespace {

namespace fs = std::filesystem;

constexpr std::array<std::string_view, 2> defaultFolders { R"(C:\Program Files\Bullfrog\Populous\levels)",
    R"(C:\Program Files (x86)\Bullfrog\Populous\levels)" };
constexpr std::string_view gameRegistryKey = R"(Software\Bullfrog Productions Ltd\Populous: The Beginning)";
constexpr std::string_view installPathValue = "InstallPath";
constexpr std::string_view gogFolder = R"(C:\GOG Games\Populous - The Beginning\levels)";
constexpr std::string_view steamGameFolder = R"(steamapps\common\Populous 3\levels)";

// A levels folder holds at least one of the twelve slot files.
bool holdsASlotFile(const fs::path& folder)
{
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        for (const LevelSlot& slot : levelSlots) {
            for (const std::string_view extension : levelFileExtensions) {
                if (equalIgnoringCase(name, levelFileName(slot.levelNumber, extension)))
                    return true;
            }
        }
    }
    return false;
}

class Search {
public:
    Search(std::vector<FoundLevelsFolder>& found, std::size_t most)
        : m_found(found)
        , m_most(most)
    {
    }

    [[nodiscard]] bool done() const { return m_found.size() >= m_most; }

    void offer(const std::optional<fs::path>& folder, bool isDefault = false)
    {
        if (done() || !folder
            || (!isDefault && (!equalIgnoringCase(folder->filename().string(), "levels") || !holdsASlotFile(*folder))))
            return;
        std::error_code error;
        fs::path absolute = fs::absolute(*folder, error).lexically_normal();
        const fs::path same = fs::weakly_canonical(absolute, error);
        const bool seen = std::any_of(m_found.begin(), m_found.end(), [&](const FoundLevelsFolder& earlier) {
            std::error_code ignored;
            return fs::weakly_canonical(earlier.path, ignored) == same;
        });
        if (!seen)
            m_found.push_back({ std::move(absolute), isDefault });
    }

    // Looks where an installation of the game on that system would be: 1 to 3 above.
    void lookIn(const WindowsSystem& system, bool first)
    {
        for (const std::string_view folder : defaultFolders) {
            if (const std::optional<fs::path> found = system.folder(folder)) {
                offer(found, first);
                break; // the "(x86)" folder serves only while the usual one is missing
            }
        }
        for (const RegistryHive hive : { RegistryHive::LocalMachine, RegistryHive::CurrentUser }) {
            if (done())
                return;
            if (const std::optional<std::string> installPath
                = system.registryValue(hive, gameRegistryKey, installPathValue)) {
                if (const std::optional<fs::path> game = system.folder(*installPath))
                    offer(subfolder(*game, "levels"));
            }
        }
        if (!done())
            offer(system.folder(gogFolder));
    }

    void lookInSteam(const fs::path& steamFolder)
    {
        std::vector<fs::path> libraries { steamFolder };
        if (const std::optional<std::string> list = smallTextFile(steamFolder / "steamapps" / "libraryfolders.vdf")) {
            for (const std::string& library : steamLibraryPaths(*list))
                libraries.emplace_back(library);
        }
        for (const fs::path& library : libraries)
            offer(followWindowsPath(library, steamGameFolder));
    }

private:
    std::vector<FoundLevelsFolder>& m_found;
    std::size_t m_most;
};

} // namespace

std::optional<std::string> processEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr)
        return std::nullopt;
    return std::string(value);
}

std::vector<FoundLevelsFolder> findLevelsFolders(const SearchPlaces& places, std::size_t most)
{
    std::vector<FoundLevelsFolder> found;
    Search search(found, most);
    if (!places.systems.empty())
        search.lookIn(*places.systems.front(), true);
    for (const fs::path& steamFolder : places.steamFolders)
        search.lookInSteam(steamFolder);
    for (std::size_t i = 1; i < places.systems.size() && !search.done(); ++i)
        search.lookIn(*places.systems[i], false);
    return found;
}

std::optional<FoundLevelsFolder> findLevelsFolder(const EnvironmentLookup& environment)
{
    std::vector<FoundLevelsFolder> found = findLevelsFolders(searchPlaces(environment), 1);
    if (found.empty())
        return std::nullopt;
    return std::move(found.front());
}

} // namespace varnholt
