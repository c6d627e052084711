// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <vector>

namespace varnholt {

// The Wine containers of one Phoenicis PlayOnLinux, whose user folder (~/.Phoenicis, or
// the Flatpak's) is given: containers/wineprefix/NAME.
std::vector<std::filesystem::path> phoenicisContainers(const std::filesystem::path& userFolder);

} // namespace varnholt
