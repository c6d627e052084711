// SPDX-License-Identifier: MIT
#include "levelcatalogue.h"

#include <algorithm>

namespace varnholt {
namespace {

constexpr std::array<SelectorEntry, 13> combo1Entries { {
    { "Hills Divide Us (default)", 2080 },
    { "1 - The Journey Begins", 2001 },
    { "2 - Night Falls", 2002 },
    { "3 - Crisis of Faith", 2003 },
    { "4 - Combined Forces", 2004 },
    { "5 - Death from above", 2005 },
    { "7 - Unseen Enemy", 2007 },
    { "8 - Continental Divide", 2008 },
    { "9 - Fire in the Mist", 2009 },
    { "10 - From the Depths", 2010 },
    { "15 - Incarcerated", 2015 },
    { "20 - Archipelago", 2020 },
    { "21 - Fractured Earth", 2021 },
} };

constexpr std::array<SelectorEntry, 5> combo2Entries { {
    { "Linked Isles (default)", 2100 },
    { "6 - Building Bridges", 2006 },
    { "11 - Treacherous Souls", 2011 },
    { "13 - Aerial Bombardment", 2013 },
    { "19 - Unlikely Allies", 2019 },
} };

constexpr std::array<SelectorEntry, 10> combo3Entries { {
    { "Two on Two (default)", 2120 },
    { "12 - An Easy Target", 2012 },
    { "14 - Attacked from all sides", 2014 },
    { "16 - Bloodlust", 2016 },
    { "17 - Middle Ground", 2017 },
    { "18 - Headhunter", 2018 },
    { "22 - Solo", 2022 },
    { "23 - Inferno", 2023 },
    { "24 - Journey's End", 2024 },
    { "25 - The Beginning", 2025 },
} };

// The expansion's numbers follow no rule: they are data, not computed.
constexpr std::array<SelectorEntry, 9> combo4Entries { {
    { "Hills Divide Us (default)", 2080 },
    { "UW1 - Aftermath", 2060 },
    { "UW2 - Lava Flow", 2056 },
    { "UW3 - Soul Survivor", 2063 },
    { "UW7 - Protection Racket", 2078 },
    { "UW8 - Prisons", 2072 },
    { "UW9 - Overshadowed", 2074 },
    { "UW10 - Fortress", 2061 },
    { "UW12 - Natural Disaster", 2076 },
} };

constexpr std::array<SelectorEntry, 3> combo5Entries { {
    { "Linked Isles (default)", 2100 },
    { "UW4 - World Wide Web", 2062 },
    { "UW6 - No Man's Land", 2058 },
} };

constexpr std::array<SelectorEntry, 3> combo6Entries { {
    { "Two on Two (default)", 2120 },
    { "UW5 - Human Shield", 2057 },
    { "UW11 - L'Assassine", 2059 },
} };

constexpr std::array<LevelNumber, 6> infExclusionSet { 2005, 2007, 2010, 2015, 2020, 2025 };

} // namespace

Selector selectorFor(Edition edition, const LevelSlot& slot)
{
    return edition == Edition::BaseGame ? slot.baseGameSelector : slot.expansionSelector;
}

const LevelSlot& slotOf(Selector selector)
{
    const auto found = std::find_if(levelSlots.begin(), levelSlots.end(),
        [&](const LevelSlot& slot) { return slot.baseGameSelector == selector || slot.expansionSelector == selector; });
    return *found; // every selector belongs to exactly one slot
}

Edition editionOf(Selector selector)
{
    return slotOf(selector).baseGameSelector == selector ? Edition::BaseGame : Edition::Expansion;
}

std::span<const SelectorEntry> entriesOf(Selector selector)
{
    // In the order of the selectors' names.
    static constexpr std::array<std::span<const SelectorEntry>, 6> lists { combo1Entries, combo2Entries, combo3Entries,
        combo4Entries, combo5Entries, combo6Entries };
    return lists.at(static_cast<std::size_t>(selector));
}

std::string levelFileName(LevelNumber level, std::string_view extension)
{
    std::string name = "levl" + std::to_string(level);
    name += extension;
    return name;
}

std::string backupFileName(std::string_view levelFileName)
{
    std::string name = "copy of ";
    name += levelFileName;
    return name;
}

bool isInInfExclusionSet(LevelNumber level)
{
    return std::find(infExclusionSet.begin(), infExclusionSet.end(), level) != infExclusionSet.end();
}

} // namespace varnholt
