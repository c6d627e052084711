// SPDX-License-Identifier: MIT
#pragma once

#include "catalogue/levelcatalogue.h"
#include "openlevelsfolder.h"

#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace varnholt {

// What a slot's files hold now, told by their content, not by what was last chosen: after
// a restart, or a Change made by another program, this is what the game will load.
struct SlotContent {
    enum class Kind { OriginalMap, Level, NoLevel, NotBackedUp, NamesInTwoCases, Unreadable };
    Kind kind = Kind::NoLevel;
    std::string_view levelText; // the level's entry text, for Kind::Level
    std::vector<std::string> sameNames; // for Kind::NamesInTwoCases, as the folder has them
    std::error_code whyUnreadable; // for Kind::Unreadable, as the system said it

    // "the original map", "5 - Death from above", "files that match no level", for a slot
    // Varnholt has never backed up, and so never changed, "the game's own map; not backed
    // up yet", or for one whose file is there under two names, which Change leaves alone,
    // "files in two letter cases, levl2080.dat and LEVL2080.DAT: Change leaves this slot
    // alone", or for a folder or file the system would not let it read, "files that cannot
    // be read: Permission denied".
    [[nodiscard]] std::string describe() const;
};

// The names under which one of a slot's files is there more than once, differing only in
// letter case ("levl2080.dat" and "LEVL2080.DAT"), sorted; empty when each is there once
// at most. Under Wine the game may read either, so writing one of them would leave the
// slot holding what the other holds. One look at the folder.
std::vector<std::string> slotNamesInTwoCases(const OpenLevelsFolder& files, const LevelSlot& slot);
std::string namesInTwoCasesText(const std::vector<std::string>& names); // "a and b", "a, b and c"

// The slot holds the original map when its four files equal their backups, and a level
// of either edition when its ".dat", ".hdr" and ".ver" equal that level's and its ".inf"
// equals the level's, or for a level that leaves ".inf" alone, the backup's. Sizes are
// compared first, then the small files, and the large ".dat" last. A slot that matches
// no level and has no backup at all has never been changed by Varnholt, which then has
// nothing to compare it with: it holds the game's own map. A slot one of whose files is
// there in two letter cases is told as such before anything else. A folder that cannot be
// listed, or a file the system refuses to read (EACCES, EPERM, EIO) where no level
// matches, is unreadable, with the system's reason: nothing can be told of what it holds.
// Only reads.
SlotContent identifySlot(const OpenLevelsFolder& files, const LevelSlot& slot);

} // namespace varnholt
