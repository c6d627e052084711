// SPDX-License-Identifier: MIT
#include "steam.h"

#include "folderpaths.h"
#include "keyvalues.h"
#include "platform/entryname.h"

namespace varnholt {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view gameManifest = "appmanifest_2616430.acf";
// The folder the game's Steam edition installs to, for a library without its manifest.
constexpr std::string_view usualInstallFolder = "Populous 3";

bool isNumber(std::string_view text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The library paths a libraryfolders.vdf lists: today's blocks with a "path", and the
// old format's numbered values.
std::vector<std::string> recordedLibraries(std::string_view text)
{
    std::vector<std::string> paths;
    for (const KeyValue& top : parseKeyValues(text)) {
        if (!top.isBlock || !equalIgnoringCase(top.key, "libraryfolders"))
            continue;
        for (const KeyValue& library : top.block) {
            if (library.isBlock && !library.valueOf("path").empty())
                paths.emplace_back(library.valueOf("path"));
            else if (!library.isBlock && isNumber(library.key) && !library.value.empty())
                paths.push_back(library.value);
        }
    }
    return paths;
}

} // namespace

std::vector<fs::path> steamLibraries(Search& search, const fs::path& steamFolder, const SteamPathMapper& folderOf)
{
    std::vector<fs::path> libraries;
    if (!search.firstVisit(steamFolder))
        return libraries;
    libraries.push_back(steamFolder);
    std::vector<std::string> recorded;
    const std::optional<fs::path> steamapps = subfolder(steamFolder, "steamapps");
    for (const std::optional<fs::path>& list :
        { steamapps ? std::optional(*steamapps / "libraryfolders.vdf") : std::nullopt,
            std::optional(steamFolder / "config" / "libraryfolders.vdf") }) {
        if (!list)
            continue;
        if (const std::optional<std::string> text = search.readRecord(*list)) {
            for (std::string& path : recordedLibraries(*text))
                recorded.push_back(std::move(path));
        }
    }
    for (const std::string& path : recorded) {
        const std::optional<fs::path> library = folderOf(path);
        if (!library)
            search.note(path, "no such library folder");
        else if (search.firstVisit(*library))
            libraries.push_back(*library);
    }
    return libraries;
}

void lookInSteamLibrary(Search& search, const fs::path& library)
{
    if (search.done())
        return;
    const std::optional<fs::path> steamapps = subfolder(library, "steamapps");
    const std::optional<fs::path> common = steamapps ? subfolder(*steamapps, "common") : std::nullopt;
    if (!common) {
        search.note(library / "steamapps" / "common", "no such folder");
        return;
    }
    std::string installFolder(usualInstallFolder);
    const fs::path manifest = *steamapps / gameManifest;
    if (const std::optional<std::string> text = search.readRecord(manifest)) {
        for (const KeyValue& state : parseKeyValues(*text)) {
            if (state.isBlock && equalIgnoringCase(state.key, "AppState"))
                installFolder = state.valueOf("installdir");
        }
        if (!isPlainFileName(installFolder)) {
            search.note(manifest, "record unreadable: no plain installdir");
            return;
        }
    }
    if (const std::optional<fs::path> game = subfolder(*common, installFolder))
        search.offerGameFolder(*game);
    else
        search.note(*common / installFolder, "no such folder");
}

void lookInSteam(Search& search, const fs::path& steamFolder, const SteamPathMapper& folderOf)
{
    for (const fs::path& library : steamLibraries(search, steamFolder, folderOf))
        lookInSteamLibrary(search, library);
}

std::vector<fs::path> protonPrefixes(const fs::path& library)
{
    std::vector<fs::path> prefixes;
    const std::optional<fs::path> steamapps = subfolder(library, "steamapps");
    const std::optional<fs::path> compatdata = steamapps ? subfolder(*steamapps, "compatdata") : std::nullopt;
    if (!compatdata)
        return prefixes;
    for (const fs::path& game : sortedEntries(*compatdata))
        prefixes.push_back(game / "pfx");
    return prefixes;
}

} // namespace varnholt
