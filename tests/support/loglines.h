// SPDX-License-Identifier: MIT
#pragma once

#include "catalogue/levelcatalogue.h"

#include <string>
#include <string_view>

namespace varnholt::test {

// The activity log's lines as the player reads them, written out once for every test.
inline std::string backedUpLine(std::string_view slotFile)
{
    return std::string(slotFile) + " multiplayer level backed up";
}

inline std::string copiedLine(std::string_view levelFile, std::string_view slotFile, bool failed = false)
{
    return std::string(levelFile) + " copied to " + std::string(slotFile) + (failed ? " *** FAILED ***" : "");
}

inline std::string restoredLine(std::string_view slotFile, bool failed = false)
{
    return std::string(slotFile) + (failed ? " restore *** FAILED ***" : " restored");
}

// The window's lines for one slot in a Change, each ended as the window ends it: its
// files restored (level 0), or a level's copied over them but for the ".inf" of a level
// that keeps the slot's own.
inline std::string slotLines(LevelNumber slot, LevelNumber level = 0, bool failed = false)
{
    std::string all;
    for (const char* extension : { ".dat", ".hdr", ".ver", ".inf" }) {
        const std::string slotFile = levelFileName(slot, extension);
        if (level == 0)
            all += restoredLine(slotFile, failed) + "\r\n";
        else if (std::string_view(extension) != ".inf" || !isInInfExclusionSet(level))
            all += copiedLine(levelFileName(level, extension), slotFile, failed) + "\r\n";
    }
    return all;
}

// The line that ends every Change.
inline const std::string changeEndLine = std::string(100, '-') + "\r\n";

} // namespace varnholt::test
