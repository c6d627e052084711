// SPDX-License-Identifier: MIT
#pragma once

#include "gamesearch/gamesearch.h"
#include "scratchfolder.h"
#include "session/mainwindowlogic.h"

#include <map>

namespace varnholt::test {

// A Wine prefix laid out as Wine lays it out: drive C is the link dosdevices/c:.
std::filesystem::path makeWinePrefix(const std::filesystem::path& prefix, const std::string& driveFolder = "drive_c");

// The game's levels folder under drive C of a prefix, as the search shows it: through drive_c.
std::filesystem::path makeLevelsFolder(const std::filesystem::path& prefix);

// An environment with exactly these variables set.
EnvironmentLookup environmentOf(const std::map<std::string, std::filesystem::path>& variables);

// The game installed in a throw-away prefix: the three slots and the levels tests choose.
struct InstalledGame {
    InstalledGame();
    [[nodiscard]] EnvironmentLookup environment() const { return environmentOf({ { "WINEPREFIX", prefix } }); }
    // How the program is pointed at it: on Linux by the prefix, as a player's Wine is; on
    // Windows, which searches itself and not this folder, by naming the levels folder.
    [[nodiscard]] LevelsFolderChoice choice() const;
    [[nodiscard]] std::string file(const char* name) const { return readFile(levels / name); }

    ScratchFolder scratch;
    std::filesystem::path prefix;
    std::filesystem::path levels;
};

} // namespace varnholt::test
