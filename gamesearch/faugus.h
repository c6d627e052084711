// SPDX-License-Identifier: MIT
#pragma once

#include "search.h"

#include <functional>

namespace varnholt {

// A game Faugus Launcher runs: the folder of its executable, and its Wine prefix.
struct FaugusGame {
    std::filesystem::path folder;
    std::optional<std::filesystem::path> prefix;
};

// The games of Faugus Launcher's games.json records, a list of games each with the
// "path" of its executable and its "prefix". Each is visited as it is read, until the
// search is done.
void forEachFaugusGame(Search& search, const std::vector<std::filesystem::path>& records,
    const std::filesystem::path& home, const std::function<void(const FaugusGame&)>& visit);

// The prefixes in the folder Faugus Launcher makes them in by default: ~/Faugus/GAMEID.
std::vector<std::filesystem::path> faugusDefaultPrefixes(const std::filesystem::path& home);

} // namespace varnholt
