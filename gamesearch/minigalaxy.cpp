// SPDX-License-Identifier: MIT
#include "minigalaxy.h"

#include "folderpaths.h"
#include "jsonrecord.h"

namespace varnholt {

namespace fs = std::filesystem;

namespace {

std::optional<fs::path> installFolder(Search& search, const fs::path& configFile, const fs::path& home)
{
    const fs::path defaultFolder = home / "GOG Games";
    std::error_code error;
    if (!fs::exists(fs::symlink_status(configFile, error)))
        return defaultFolder;
    const std::optional<Json> config = jsonRecord(search, configFile, Json::value_t::object);
    const auto recorded = config ? config->find("install_dir") : Json::const_iterator();
    if (!config || recorded == config->end())
        return defaultFolder;
    const std::string_view folder = jsonString(*config, "install_dir");
    if (fs::path(folder).is_absolute())
        return fs::path(folder);
    search.note(configFile, "install_dir passed over: not an absolute path");
    return std::nullopt;
}

} // namespace

std::vector<MinigalaxyGame> minigalaxyGames(Search& search, const fs::path& configFile, const fs::path& home)
{
    std::vector<MinigalaxyGame> games;
    const std::optional<fs::path> folder = installFolder(search, configFile, home);
    if (!folder || !search.firstVisit(*folder))
        return games;
    if (!isFolder(*folder)) {
        search.note(*folder, "no such folder");
        return games;
    }
    for (const fs::path& game : sortedEntries(*folder)) {
        // Kept installers go to install_dir/installer.
        if (game.filename() == "installer" || !isFolder(game))
            continue;
        const fs::path prefix = game / "prefix";
        games.push_back({ game, isFolder(prefix) ? std::optional(prefix) : std::nullopt });
    }
    return games;
}

} // namespace varnholt
