// SPDX-License-Identifier: MIT
#include "heroic.h"

#include "folderpaths.h"
#include "jsonrecord.h"

#include <map>
#include <unordered_set>

namespace varnholt {
namespace {

namespace fs = std::filesystem;
std::optional<fs::path> prefixOf(Search& search, const fs::path& configFolder, std::string_view appName,
    std::string_view runner, const RecordedPath& pathOf)
{
    if (appName.empty() || appName.find_first_of("/\\") != std::string_view::npos || appName == ".." || appName == ".")
        return std::nullopt;
    // Today's settings file, then the one newer Heroics write per runner.
    const fs::path settingsFolder = configFolder / "GamesConfig";
    if (const std::optional<Json> settings
        = jsonRecord(search, settingsFolder / (std::string(appName) + ".json"), Json::value_t::object)) {
        const auto game = settings->find(std::string(appName));
        if (game != settings->end())
            return pathOf(jsonString(*game, "winePrefix"));
    }
    if (const std::optional<Json> settings = jsonRecord(search,
            settingsFolder / (std::string(appName) + "_" + std::string(runner) + ".json"), Json::value_t::object)) {
        const auto game = settings->find("settings");
        if (game != settings->end())
            return pathOf(jsonString(*game, "winePrefix"));
    }
    return std::nullopt;
}

} // namespace

void forEachHeroicGame(Search& search, const HeroicFolders& folders, const RecordedPath& pathOf,
    const std::function<void(const HeroicGame&)>& visit)
{
    const fs::path& configFolder = folders.config;
    std::vector<fs::path> gogRecords { configFolder / "gog_store" / "installed.json" };
    std::vector<fs::path> sideloadRecords { configFolder / "sideload_apps" / "library.json" };
    if (folders.state)
        gogRecords.push_back(*folders.state / "gog_store" / "installed.json");
    if (folders.data)
        sideloadRecords.push_back(*folders.data / "sideload_apps" / "library.json");
    if (search.done())
        return;
    if (!isFolder(configFolder)) {
        search.note(configFolder, "no such folder");
        return;
    }
    // A library may list one game many times over: each entry is taken once, and each
    // game's settings are read once, however many entries name it.
    std::unordered_set<std::string> entries;
    std::map<std::string, std::optional<fs::path>, std::less<>> prefixes;
    const auto add = [&](std::string_view folder, std::string_view appName, std::string_view runner) {
        if (search.done())
            return;
        std::string entry = std::string(folder) + '\0' + std::string(appName) + '\0' + std::string(runner);
        if (!entries.insert(std::move(entry)).second)
            return;
        std::optional<fs::path> path = pathOf(folder);
        if (!path) {
            if (!folder.empty())
                search.note(folder, "passed over: not an absolute path");
            return;
        }
        const std::string game = std::string(appName) + '\0' + std::string(runner);
        auto prefix = prefixes.find(game);
        if (prefix == prefixes.end())
            prefix = prefixes.emplace(game, prefixOf(search, configFolder, appName, runner, pathOf)).first;
        visit({ std::move(*path), prefix->second });
    };
    for (const fs::path& record : gogRecords) {
        if (search.done())
            return;
        // An entry listed again is dropped while the library is read, so that a library
        // listing one game thousands of times holds it once.
        std::unordered_set<std::string> listed;
        const Json::parser_callback_t once = [&](int depth, Json::parse_event_t event, Json& parsed) {
            if (depth != 2 || event != Json::parse_event_t::object_end)
                return true;
            return listed
                .insert(
                    std::string(jsonString(parsed, "install_path")) + '\0' + std::string(jsonString(parsed, "appName")))
                .second;
        };
        const std::optional<Json> gog = jsonRecord(search, record, Json::value_t::object, once);
        const auto installed = gog ? gog->find("installed") : Json::const_iterator();
        if (!gog || installed == gog->end() || !installed->is_array())
            continue;
        for (const Json& game : *installed)
            add(jsonString(game, "install_path"), jsonString(game, "appName"), "gog");
    }
    for (const fs::path& record : sideloadRecords) {
        if (search.done())
            return;
        const std::optional<Json> sideloaded = jsonRecord(search, record, Json::value_t::object);
        if (!sideloaded)
            continue;
        const auto list = sideloaded->find("games");
        if (list != sideloaded->end() && list->is_array()) {
            for (const Json& game : *list) {
                const std::optional<fs::path> executable = pathOf(
                    jsonString(game.is_object() && game.contains("install") ? game["install"] : Json(), "executable"));
                if (executable)
                    add(executable->parent_path().string(), jsonString(game, "app_name"), "sideload");
            }
        }
    }
}

std::vector<fs::path> heroicDefaultPrefixes(const fs::path& heroicGamesFolder)
{
    std::vector<fs::path> prefixes;
    for (const fs::path& base : { heroicGamesFolder / "Prefixes", heroicGamesFolder / "Prefixes" / "default" }) {
        for (const fs::path& prefix : sortedEntries(base)) {
            prefixes.push_back(prefix);
            prefixes.push_back(prefix / "pfx");
        }
    }
    return prefixes;
}

} // namespace varnholt
