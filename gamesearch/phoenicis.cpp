// SPDX-License-Identifier: MIT
#include "phoenicis.h"

#include "folderpaths.h"

namespace varnholt {

std::vector<std::filesystem::path> phoenicisContainers(const std::filesystem::path& userFolder)
{
    return sortedEntries(userFolder / "containers" / "wineprefix");
}

} // namespace varnholt
