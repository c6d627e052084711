// SPDX-License-Identifier: MIT
#pragma once

// The program's fixed knowledge of the game's levels: the three multiplayer
// slots that can be replaced, the levels each slot may take in each edition,
// how level numbers become file names, and which levels keep the slot's own
// ".inf" file. Nothing here reads a file or holds state.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace varnholt {

using LevelNumber = std::int32_t;

enum class Edition { BaseGame, Expansion };

// The six level selectors of the main window, in the order of their names.
enum class Selector { Combo1, Combo2, Combo3, Combo4, Combo5, Combo6 };

inline constexpr std::array<Selector, 6> allSelectors { Selector::Combo1, Selector::Combo2, Selector::Combo3,
    Selector::Combo4, Selector::Combo5, Selector::Combo6 };

struct SelectorEntry {
    std::string_view text;
    LevelNumber levelNumber;
};

struct LevelSlot {
    LevelNumber levelNumber;
    int players;
    std::string_view defaultEntryText;
    Selector baseGameSelector;
    Selector expansionSelector;
};

// In the order Change handles them; start-up backs them up in reverse.
inline constexpr std::array<LevelSlot, 3> levelSlots { {
    { 2080, 2, "Hills Divide Us (default)", Selector::Combo1, Selector::Combo4 },
    { 2100, 3, "Linked Isles (default)", Selector::Combo2, Selector::Combo5 },
    { 2120, 4, "Two on Two (default)", Selector::Combo3, Selector::Combo6 },
} };

// Every level is four files that differ only in this extension.
inline constexpr std::array<std::string_view, 4> levelFileExtensions { ".dat", ".hdr", ".ver", ".inf" };
inline constexpr std::string_view infExtension = ".inf";

Selector selectorFor(Edition edition, const LevelSlot& slot);
const LevelSlot& slotOf(Selector selector);
Edition editionOf(Selector selector);

// The entries of a selector in display order; entry 0 is the slot's default
// and carries the slot's own level number.
std::span<const SelectorEntry> entriesOf(Selector selector);

// "levl2080.dat" for level 2080 and ".dat".
std::string levelFileName(LevelNumber level, std::string_view extension);

// "copy of levl2080.dat" for "levl2080.dat".
std::string backupFileName(std::string_view levelFileName);

// These levels are put into a slot without their ".inf" file.
bool isInInfExclusionSet(LevelNumber level);

} // namespace varnholt
