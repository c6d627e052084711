// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt {

// Reads one environment variable; nothing when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;

std::optional<std::string> processEnvironment(const char* name);

struct FoundLevelsFolder {
    std::filesystem::path path;
    // The folder of the game's default installation in the first system: the program
    // then behaves exactly as it always has.
    bool isDefault = false;
    // A per-user copy of the levels (a working copy, or Windows' VirtualStore), which the
    // game may read instead of its installation's.
    bool isCopy = false;
    // For an installation's folder: the copies of its levels, holding slot files, that
    // the game may read instead of it.
    std::vector<std::filesystem::path> copies;
};

// Told of every place looked at, and what was found there or why it was passed over.
using SearchTrace = std::function<void(const std::filesystem::path& place, std::string_view outcome)>;

// Every levels folder found, in the order tried, at most `most` of them:
//   1. in the first system (Windows itself, or on Linux the prefix $WINEPREFIX when it is
//      absolute, else ~/.wine): the default installation folder, the registry's
//      InstallPath, GOG's record, GOG's folders, and Steam installed there;
//   2. on Linux, Steam's libraries, then the game folders Heroic and Lutris record;
//      on Windows, those Heroic records;
//   3. on Linux, every further prefix a launcher made or records, looked in as in 1,
//      the usual folders of them all before any of their registries;
//   4. the per-user copies of the levels found in any of them.
// Beyond the default installation, a folder counts only when it is named "levels" and
// holds at least one slot file. The search only reads, never walks a folder tree, reads
// records only when they are regular files of a bounded size, and stops as soon as it
// has found `most` folders.
std::vector<FoundLevelsFolder> findLevelsFolders(const EnvironmentLookup& environment,
    std::size_t most = std::numeric_limits<std::size_t>::max(), const SearchTrace& trace = {});

} // namespace varnholt
