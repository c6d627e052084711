// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace varnholt {

// Where the game's default installation keeps its levels.
inline constexpr std::string_view levelsFolderWindowsPath = R"(c:\Program Files\Bullfrog\Populous\levels)";

// Reads one environment variable; nothing when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;

std::optional<std::string> processEnvironment(const char* name);

// The levels folder of the installed game, or nothing when it is not there. On Windows
// this is the path above. On Linux the game lives in a Wine prefix ($WINEPREFIX when it
// is an absolute path, else ~/.wine), drive C is the prefix's dosdevices/c: link, and
// every step of the path is matched in any letter case, as Wine matches it. A 32-bit
// game on a 64-bit system sits under "Program Files (x86)" instead, which is used when
// the folder under "Program Files" does not exist.
std::optional<std::filesystem::path> findLevelsFolder(const EnvironmentLookup& environment = processEnvironment);

} // namespace varnholt
