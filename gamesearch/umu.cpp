// SPDX-License-Identifier: MIT
#include "umu.h"

#include "folderpaths.h"

#include <algorithm>

namespace varnholt {

namespace fs = std::filesystem;

std::vector<fs::path> umuPrefixes(const fs::path& home)
{
    const fs::path folder = home / "Games" / "umu";
    std::vector<fs::path> prefixes = sortedEntries(folder);
    // The prefix every game without an id shares comes first.
    std::stable_partition(
        prefixes.begin(), prefixes.end(), [](const fs::path& prefix) { return prefix.filename() == "umu-default"; });
    return prefixes;
}

} // namespace varnholt
