// SPDX-License-Identifier: MIT
#pragma once

#include "catalogue/levelcatalogue.h"
#include "filesystemservice.h"

#include <string>
#include <string_view>

namespace varnholt {

// What a slot's files hold now, told by their content, not by what was last chosen: after
// a restart, or a Change made by another program, this is what the game will load.
struct SlotContent {
    enum class Kind { OriginalMap, Level, NoLevel, NotBackedUp };
    Kind kind = Kind::NoLevel;
    std::string_view levelText; // the level's entry text, for Kind::Level

    // "the original map", "5 - Death from above", "files that match no level", or for a
    // slot Varnholt has never backed up, and so never changed, "the game's own map; not
    // backed up yet".
    [[nodiscard]] std::string describe() const;
};

// The slot holds the original map when its four files equal their backups, and a level
// of either edition when its ".dat", ".hdr" and ".ver" equal that level's and its ".inf"
// equals the level's, or for a level that leaves ".inf" alone, the backup's. Sizes are
// compared first, then the small files, and the large ".dat" last. A slot that matches
// no level and has no backup at all has never been changed by Varnholt, which then has
// nothing to compare it with: it holds the game's own map. Only reads.
SlotContent identifySlot(const FileSystemService& files, const LevelSlot& slot);

} // namespace varnholt
