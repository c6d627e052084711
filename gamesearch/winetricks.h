// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <vector>

namespace varnholt {

// The prefixes winetricks makes with "prefix=NAME": $XDG_DATA_HOME/wineprefixes/NAME.
std::vector<std::filesystem::path> winetricksPrefixes(const std::filesystem::path& dataFolder);

} // namespace varnholt
