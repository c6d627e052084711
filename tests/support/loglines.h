// SPDX-License-Identifier: MIT
#pragma once

#include "catalogue/levelcatalogue.h"

#include <string>
#include <string_view>

namespace varnholt::test {

// The activity log's lines as the player reads them, written out once for every test.
struct Log {
    static std::string backedUp(std::string_view slotFile)
    {
        return std::string(slotFile) + " multiplayer level backed up";
    }
    static std::string copied(std::string_view levelFile, std::string_view slotFile, bool failed = false)
    {
        return std::string(levelFile) + " copied to " + std::string(slotFile) + (failed ? " *** FAILED ***" : "");
    }
    static std::string restored(std::string_view slotFile, bool failed = false)
    {
        return std::string(slotFile) + (failed ? " restore *** FAILED ***" : " restored");
    }
    // The window's lines for one slot in a Change, each ended as the window ends it: its
    // files restored (level 0), or a level's copied over them but for the ".inf" of a
    // level that keeps the slot's own.
    static std::string slot(LevelNumber slot, LevelNumber level = 0, bool failed = false)
    {
        std::string all;
        for (const char* extension : { ".dat", ".hdr", ".ver", ".inf" })
            if (level == 0 || std::string_view(extension) != ".inf" || !isInInfExclusionSet(level))
                all += (level == 0 ? restored(levelFileName(slot, extension), failed)
                                   : copied(levelFileName(level, extension), levelFileName(slot, extension), failed))
                    + "\r\n";
        return all;
    }
    static inline const std::string changeEnd = std::string(100, '-') + "\r\n"; // ends every Change
};

} // namespace varnholt::test
