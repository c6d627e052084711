// SPDX-License-Identifier: MIT
#pragma once

#include "search.h"

#include <functional>

namespace varnholt {

// A game Heroic has installed: its folder and, for a Windows game on Linux, its prefix.
struct HeroicGame {
    std::filesystem::path folder;
    std::optional<std::filesystem::path> winePrefix;
};

// The folder a path as Heroic records it names here, when it is absolute.
using RecordedPath = std::function<std::optional<std::filesystem::path>(std::string_view recorded)>;

// Where one Heroic keeps its records: its configuration folder, and on Linux the state and
// data folders newer versions move the store files to.
struct HeroicFolders {
    std::filesystem::path config;
    std::optional<std::filesystem::path> state;
    std::optional<std::filesystem::path> data;
};

// The games one Heroic has installed: GOG's installed.json ("install_path" of each entry
// of "installed"), and the side-loaded games' library.json (the folder of each
// "executable"), each with the "winePrefix" of its GamesConfig/APPNAME.json (or of
// GamesConfig/APPNAME_RUNNER.json, as newer versions write it).
// Each is visited as it is read, until the search is done.
void forEachHeroicGame(Search& search, const HeroicFolders& folders, const RecordedPath& pathOf,
    const std::function<void(const HeroicGame&)>& visit);

// The prefixes in Heroic's default prefix folder: Prefixes/TITLE since Heroic 2.21,
// Prefixes/default/TITLE before, each with its Proton "pfx" folder.
std::vector<std::filesystem::path> heroicDefaultPrefixes(const std::filesystem::path& heroicGamesFolder);

} // namespace varnholt
