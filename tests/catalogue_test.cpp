// SPDX-License-Identifier: MIT
#include "catalogue/levelcatalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace varnholt;

// Every entry of the six lists, text and number, in order, with a "*" where the level
// keeps the slot's own ".inf": the numbers are the game's and follow no rule a test could
// compute. Each list starts with its slot's own level, which no other entry names.
TEST(LevelCatalogue, EveryEntryOfTheSixListsIsPinned)
{
    const std::vector<std::string> expected {
        "Hills Divide Us (default)=2080|1 - The Journey Begins=2001|2 - Night Falls=2002|3 - Crisis of Faith=2003|"
        "4 - Combined Forces=2004|5 - Death from above=2005*|7 - Unseen Enemy=2007*|8 - Continental Divide=2008|"
        "9 - Fire in the Mist=2009|10 - From the Depths=2010*|15 - Incarcerated=2015*|20 - Archipelago=2020*|"
        "21 - Fractured Earth=2021|",
        "Linked Isles (default)=2100|6 - Building Bridges=2006|11 - Treacherous Souls=2011|"
        "13 - Aerial Bombardment=2013|19 - Unlikely Allies=2019|",
        "Two on Two (default)=2120|12 - An Easy Target=2012|14 - Attacked from all sides=2014|16 - Bloodlust=2016|"
        "17 - Middle Ground=2017|18 - Headhunter=2018|22 - Solo=2022|23 - Inferno=2023|24 - Journey's End=2024|"
        "25 - The Beginning=2025*|",
        "Hills Divide Us (default)=2080|UW1 - Aftermath=2060|UW2 - Lava Flow=2056|UW3 - Soul Survivor=2063|"
        "UW7 - Protection Racket=2078|UW8 - Prisons=2072|UW9 - Overshadowed=2074|UW10 - Fortress=2061|"
        "UW12 - Natural Disaster=2076|",
        "Linked Isles (default)=2100|UW4 - World Wide Web=2062|UW6 - No Man's Land=2058|",
        "Two on Two (default)=2120|UW5 - Human Shield=2057|UW11 - L'Assassine=2059|",
    };
    std::vector<std::string> listed;
    for (const Selector selector : allSelectors) {
        const LevelSlot& slot = slotOf(selector);
        EXPECT_EQ(selectorFor(editionOf(selector), slot), selector);
        EXPECT_EQ(entriesOf(selector).front().text, slot.defaultEntryText);
        EXPECT_EQ(entriesOf(selector).front().levelNumber, slot.levelNumber);
        listed.emplace_back();
        for (const SelectorEntry& entry : entriesOf(selector))
            listed.back() += std::string(entry.text) + "=" + std::to_string(entry.levelNumber)
                + (isInInfExclusionSet(entry.levelNumber) ? "*|" : "|");
    }
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(levelFileName(2005, ".inf"), "levl2005.inf");
    EXPECT_EQ(backupFileName("levl2080.dat"), "copy of levl2080.dat");
}
