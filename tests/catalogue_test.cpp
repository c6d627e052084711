// SPDX-License-Identifier: MIT
#include "catalogue/levelcatalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace varnholt;

TEST(LevelCatalogue, OnlyTheFirstEntryOfEachSelectorCarriesItsSlotsNumber)
{
    for (const Selector selector : allSelectors) {
        const LevelSlot& slot = slotOf(selector);
        EXPECT_EQ(selectorFor(editionOf(selector), slot), selector);
        EXPECT_EQ(entriesOf(selector).front().text, slot.defaultEntryText);
        for (const SelectorEntry& entry : entriesOf(selector))
            EXPECT_EQ(entry.levelNumber == slot.levelNumber, &entry == &entriesOf(selector).front()) << entry.text;
    }
}

TEST(LevelCatalogue, BaseGameHoldsEachLevelOnceNumberedFromItsText)
{
    std::set<int> seen;
    for (const Selector selector : { Selector::Combo1, Selector::Combo2, Selector::Combo3 }) {
        for (const SelectorEntry& entry : entriesOf(selector).subspan(1)) {
            const int level = std::stoi(std::string(entry.text));
            EXPECT_EQ(entry.levelNumber, 2000 + level) << entry.text;
            EXPECT_TRUE(seen.insert(level).second) << entry.text;
        }
    }
    EXPECT_EQ(seen,
        (std::set<int> { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25 }));
}

TEST(LevelCatalogue, ExactlySixSelectableLevelsKeepTheSlotsInfFile)
{
    std::set<LevelNumber> excluded;
    for (const Selector selector : allSelectors)
        for (const SelectorEntry& entry : entriesOf(selector))
            if (isInInfExclusionSet(entry.levelNumber))
                excluded.insert(entry.levelNumber);
    EXPECT_EQ(excluded, (std::set<LevelNumber> { 2005, 2007, 2010, 2015, 2020, 2025 }));
}
