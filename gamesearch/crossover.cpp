// SPDX-License-Identifier: MIT
#include "crossover.h"

#include "folderpaths.h"

namespace varnholt {

std::vector<std::filesystem::path> crossOverBottles(const std::filesystem::path& home)
{
    return sortedEntries(home / ".cxoffice");
}

} // namespace varnholt
