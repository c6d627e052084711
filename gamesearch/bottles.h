// SPDX-License-Identifier: MIT
#pragma once

#include "search.h"

namespace varnholt {

// Every bottle (a Wine prefix) of Bottles, whose data folder is given: the bottles in
// its bottles folder, or in the custom bottles folder its data.yml names; a bottle kept
// on a path of its own is found through the placeholder.yml left in its place.
std::vector<std::filesystem::path> bottles(
    Search& search, const std::filesystem::path& dataFolder, const std::filesystem::path& home);

} // namespace varnholt
