// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <vector>

namespace varnholt {

// CrossOver's bottles on Linux, each a Wine prefix: ~/.cxoffice/BOTTLE.
std::vector<std::filesystem::path> crossOverBottles(const std::filesystem::path& home);

} // namespace varnholt
