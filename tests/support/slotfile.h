// SPDX-License-Identifier: MIT
#pragma once

#include "levelfiles/levelfileoperations.h"

#include <span>
#include <string>
#include <string_view>

namespace varnholt::test {

// One slot file overwritten with a level file, or put back from its backup: a slot
// operation on a single file, as the tests drive it.
inline void overwriteSlotFile(LevelFileOperations& files, std::string_view levelFile, std::string_view slotFile)
{
    const SlotFileCopy copy { std::string(levelFile), std::string(slotFile) };
    files.overwriteSlot(std::span(&copy, 1));
}

inline void restoreSlotFile(LevelFileOperations& files, std::string_view slotFile)
{
    const std::string file(slotFile);
    files.restoreSlot(std::span(&file, 1));
}

} // namespace varnholt::test
