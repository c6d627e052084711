// SPDX-License-Identifier: MIT
#pragma once

#include "search.h"

#include <functional>

namespace varnholt {

// What one Lutris game file records of a game: folders that may be the game's (the
// folder of "exe", "working_dir", "game_path") and its Wine "prefix".
struct LutrisGame {
    std::vector<std::filesystem::path> gameFolders;
    std::optional<std::filesystem::path> prefix;
};

// The games of every game file (*.yml) in Lutris's games folders, in their order. A
// relative "exe" is taken from the folder of "game_path" when there is one, as Lutris
// does, else from the game's directory, which Lutris's Wine installers make its
// "prefix"; any other relative path, which Lutris resolves against its own working
// folder, is passed over.
// Each is visited as it is read, until the search is done.
void forEachLutrisGame(Search& search, const std::vector<std::filesystem::path>& gamesFolders,
    const std::filesystem::path& home, const std::function<void(const LutrisGame&)>& visit);

} // namespace varnholt
