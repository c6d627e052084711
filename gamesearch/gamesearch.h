// SPDX-License-Identifier: MIT
#pragma once

#include "windowssystem.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt {

// Where the game's default installation keeps its levels.
inline constexpr std::string_view levelsFolderWindowsPath = R"(c:\Program Files\Bullfrog\Populous\levels)";

// Reads one environment variable; nothing when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;

std::optional<std::string> processEnvironment(const char* name);

// Where to look, as the machine has it: the Windows systems the game may be installed in,
// the one a plain start uses first (on Linux the Wine prefix $WINEPREFIX, when it is an
// absolute path, else ~/.wine), then the prefixes of other launchers; and the folders of
// Steam installations.
struct SearchPlaces {
    std::vector<std::unique_ptr<WindowsSystem>> systems;
    std::vector<std::filesystem::path> steamFolders;
};
SearchPlaces searchPlaces(const EnvironmentLookup& environment);

struct FoundLevelsFolder {
    std::filesystem::path path;
    // The folder of the game's default installation in the first system: the program
    // then behaves exactly as it always has.
    bool isDefault = false;
};

// Every levels folder found, in the order tried, at most `most` of them:
//   1. the default installation folder (and its "(x86)" twin) in the first system;
//   2. the registry's InstallPath there;
//   3. the GOG.com edition's folder there;
//   4. Steam's libraries;
//   5. each further system, looked through as in 1 to 3.
// Beyond the first, a folder counts only when it holds at least one slot file. The
// search only reads, never walks a folder tree, and passes over records it cannot read.
std::vector<FoundLevelsFolder> findLevelsFolders(
    const SearchPlaces& places, std::size_t most = std::numeric_limits<std::size_t>::max());

// The folder a plain start uses, or nothing when the game is not found.
std::optional<FoundLevelsFolder> findLevelsFolder(const EnvironmentLookup& environment = processEnvironment);

} // namespace varnholt
