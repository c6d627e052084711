// SPDX-License-Identifier: MIT
#include "windowsplaces.h"

#include "steam.h"
#include "wineprefixsystem.h"

#include <array>

namespace varnholt {
namespace {

namespace fs = std::filesystem;

// The default installation's Program Files, and where a 32-bit game lands on 64-bit Windows.
constexpr std::array<std::string_view, 2> programFiles { R"(C:\Program Files\)", R"(C:\Program Files (x86)\)" };
constexpr std::string_view gameKey = R"(Software\Bullfrog Productions Ltd\Populous: The Beginning)";
// GOG's installer and GOG Galaxy record the folder chosen under the game's GOG id.
constexpr std::string_view gogKey = R"(Software\GOG.com\Games\1207659027)";
// Where GOG's installers put the game when the player leaves the folder as it is, newest first.
constexpr std::array<std::string_view, 4> gogFolders { R"(C:\GOG Games\Populous - The Beginning)",
    R"(C:\GOG Games\Populous 3)", R"(C:\Program Files (x86)\GOG.com\Populous 3)",
    R"(C:\Program Files\GOG.com\Populous 3)" };
constexpr std::string_view steamKey = R"(Software\Valve\Steam)";

// A folder a Windows path of the system names, or a note of why there is none.
std::optional<fs::path> folderOf(Search& search, const WindowsSystem& system, std::string_view windowsPath)
{
    std::optional<fs::path> folder = system.folder(windowsPath);
    if (!folder)
        search.note(system.describe() + ": " + std::string(windowsPath), "no such folder");
    return folder;
}

} // namespace

void lookInWindows(Search& search, const WindowsSystem& system, bool first, Look look)
{
    const bool folders = look != Look::Records;
    const bool records = look != Look::Folders;
    for (const std::string_view programs : programFiles) {
        if (!folders)
            break;
        if (const std::optional<fs::path> found
            = folderOf(search, system, std::string(programs) + std::string(installedLevels))) {
            search.offerLevelsFolder(*found, &system, first);
            break; // the "(x86)" folder serves only while the usual one is missing
        }
    }
    if (search.done())
        return;
    std::vector<std::optional<std::string>> machine(3);
    std::vector<std::optional<std::string>> user(2);
    if (records) {
        const std::array<RegistryValueName, 3> machineNames { { { gameKey, "InstallPath" }, { gogKey, "path" },
            { steamKey, "InstallPath" } } };
        const std::array<RegistryValueName, 2> userNames { { { gameKey, "InstallPath" }, { steamKey, "SteamPath" } } };
        machine = system.registryValues(RegistryHive::LocalMachine, machineNames);
        user = system.registryValues(RegistryHive::CurrentUser, userNames);
    }
    for (const std::optional<std::string>& gameFolder : { machine[0], user[0], machine[1] }) {
        if (!gameFolder || search.done())
            continue;
        if (const std::optional<fs::path> found = folderOf(search, system, *gameFolder))
            search.offerGameFolder(*found, &system);
    }
    for (const std::string_view gog : gogFolders) {
        if (search.done() || !folders)
            break;
        if (const std::optional<fs::path> found = folderOf(search, system, gog))
            search.offerGameFolder(*found, &system);
    }
    for (const std::optional<std::string>& steam : { user[1], machine[2] }) {
        if (!steam || search.done())
            continue;
        if (const std::optional<fs::path> steamFolder = folderOf(search, system, *steam))
            lookInSteam(search, *steamFolder, [&](std::string_view library) { return system.folder(library); });
    }
}

void lookInPrefixes(Search& search, const std::vector<fs::path>& prefixes)
{
    const WinePrefixSystem::Note note
        = [&](const fs::path& record, std::string_view why) { search.noteUnreadable(record, why); };
    std::vector<WinePrefixSystem> systems;
    for (const fs::path& prefix : prefixes) {
        if (search.done())
            return;
        // However many records name a prefix, it is looked at once.
        if (!search.firstVisit(prefix))
            continue;
        WinePrefixSystem system(prefix, note, &search.recordReader());
        if (!system.exists()) {
            search.note(prefix, "no Wine prefix");
            continue;
        }
        lookInWindows(search, system, false, Look::Folders);
        search.keepCopiesOf(system);
        systems.push_back(std::move(system));
    }
    for (const WinePrefixSystem& system : systems) {
        if (search.done())
            return;
        lookInWindows(search, system, false, Look::Records);
    }
}

} // namespace varnholt
