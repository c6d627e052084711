// SPDX-License-Identifier: MIT
#pragma once

#include "search.h"

namespace varnholt {

// A game Minigalaxy has installed: its folder, and for a Windows game the Wine prefix
// Minigalaxy keeps inside that folder.
struct MinigalaxyGame {
    std::filesystem::path folder;
    std::optional<std::filesystem::path> prefix;
};

// The games in the folder one Minigalaxy installs to: its config.json's "install_dir",
// or ~/GOG Games when the record names none or is missing or malformed (Minigalaxy then
// starts afresh with its default). A folder met before, through another Minigalaxy,
// gives nothing again.
std::vector<MinigalaxyGame> minigalaxyGames(
    Search& search, const std::filesystem::path& configFile, const std::filesystem::path& home);

} // namespace varnholt
