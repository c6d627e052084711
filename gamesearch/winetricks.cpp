// SPDX-License-Identifier: MIT
#include "winetricks.h"

#include "folderpaths.h"

namespace varnholt {

std::vector<std::filesystem::path> winetricksPrefixes(const std::filesystem::path& dataFolder)
{
    return sortedEntries(dataFolder / "wineprefixes");
}

} // namespace varnholt
