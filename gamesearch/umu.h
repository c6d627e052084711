// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <vector>

namespace varnholt {

// The prefixes umu-run makes when it is given no WINEPREFIX: ~/Games/umu/GAMEID, and
// ~/Games/umu/umu-default for a game started without a GAMEID.
std::vector<std::filesystem::path> umuPrefixes(const std::filesystem::path& home);

} // namespace varnholt
