// SPDX-License-Identifier: MIT
#pragma once

#include "levelfiles/levelsfolder.h"
#include "scratchfolder.h"

#include <filesystem>
#include <map>
#include <string>

namespace varnholt::test {

// A Wine prefix laid out as Wine lays it out: drive C is dosdevices/c:, a link.
std::filesystem::path makeWinePrefix(const std::filesystem::path& prefix,
                                     const std::string& driveFolder = "drive_c");

// Makes the game's levels folder under drive C of a prefix and returns it.
std::filesystem::path makeLevelsFolder(const std::filesystem::path& prefix,
                                       const std::string& programFiles = "Program Files");

// An environment with exactly these variables set.
EnvironmentLookup environmentOf(std::map<std::string, std::string> variables);

} // namespace varnholt::test
