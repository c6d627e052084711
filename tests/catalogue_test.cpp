// SPDX-License-Identifier: MIT
#include "catalogue/levelcatalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace varnholt;

TEST(LevelCatalogue, EverySelectorStartsWithItsSlotsDefaultCarryingTheSlotNumber)
{
    for (const LevelSlot& slot : levelSlots) {
        for (const Edition edition : {Edition::BaseGame, Edition::Expansion}) {
            const Selector selector = selectorFor(edition, slot);
            EXPECT_EQ(&slotOf(selector), &slot);
            EXPECT_EQ(editionOf(selector), edition);
            const SelectorEntry& first = entriesOf(selector).front();
            EXPECT_EQ(first.text, slot.defaultEntryText);
            EXPECT_EQ(first.levelNumber, slot.levelNumber);
            // No other entry may look like a restore.
            for (const SelectorEntry& entry : entriesOf(selector).subspan(1))
                EXPECT_NE(entry.levelNumber, slot.levelNumber) << entry.text;
        }
    }
}

TEST(LevelCatalogue, SlotsAndSelectorsAreLaidOutAsInTheWindow)
{
    EXPECT_EQ(levelSlots[0].levelNumber, 2080);
    EXPECT_EQ(levelSlots[1].levelNumber, 2100);
    EXPECT_EQ(levelSlots[2].levelNumber, 2120);
    EXPECT_EQ(selectorFor(Edition::BaseGame, levelSlots[0]), Selector::Combo1);
    EXPECT_EQ(selectorFor(Edition::BaseGame, levelSlots[2]), Selector::Combo3);
    EXPECT_EQ(selectorFor(Edition::Expansion, levelSlots[0]), Selector::Combo4);
    EXPECT_EQ(selectorFor(Edition::Expansion, levelSlots[2]), Selector::Combo6);

    const std::size_t sizes[] = {13, 5, 10, 9, 3, 3};
    for (const Selector selector : allSelectors)
        EXPECT_EQ(entriesOf(selector).size(), sizes[static_cast<int>(selector)]);
}

TEST(LevelCatalogue, BaseGameHoldsEachOfItsLevelsOnceNumberedFromItsText)
{
    std::set<int> seen;
    for (const Selector selector : {Selector::Combo1, Selector::Combo2, Selector::Combo3}) {
        for (const SelectorEntry& entry : entriesOf(selector).subspan(1)) {
            const int levelInText = std::stoi(std::string(entry.text));
            EXPECT_EQ(entry.levelNumber, 2000 + levelInText) << entry.text;
            EXPECT_TRUE(seen.insert(levelInText).second) << entry.text;
        }
    }
    EXPECT_EQ(seen.size(), 25U);
    EXPECT_EQ(*seen.begin(), 1);
    EXPECT_EQ(*seen.rbegin(), 25);
}

TEST(LevelCatalogue, TextsKeepTheirOwnSpellingAndNumbersAreData)
{
    EXPECT_EQ(entriesOf(Selector::Combo1)[5].text, "5 - Death from above");
    EXPECT_EQ(entriesOf(Selector::Combo1)[12].text, "21 - Fractured Earth");
    EXPECT_EQ(entriesOf(Selector::Combo3)[8].text, "24 - Journey's End");
    EXPECT_EQ(entriesOf(Selector::Combo5)[2].text, "UW6 - No Man's Land");
    EXPECT_EQ(entriesOf(Selector::Combo6)[2].text, "UW11 - L'Assassine");
    EXPECT_EQ(entriesOf(Selector::Combo4)[1].levelNumber, 2060); // UW1
    EXPECT_EQ(entriesOf(Selector::Combo4)[2].levelNumber, 2056); // UW2

    // The expansion has twelve levels, each once.
    std::set<LevelNumber> expansion;
    for (const Selector selector : {Selector::Combo4, Selector::Combo5, Selector::Combo6})
        for (const SelectorEntry& entry : entriesOf(selector).subspan(1))
            expansion.insert(entry.levelNumber);
    EXPECT_EQ(expansion.size(), 12U);
}

TEST(LevelCatalogue, ExactlySixLevelsKeepTheSlotsInfFile)
{
    std::set<LevelNumber> excluded;
    for (const Selector selector : allSelectors)
        for (const SelectorEntry& entry : entriesOf(selector))
            if (isInInfExclusionSet(entry.levelNumber))
                excluded.insert(entry.levelNumber);
    EXPECT_EQ(excluded, (std::set<LevelNumber>{2005, 2007, 2010, 2015, 2020, 2025}));
    EXPECT_FALSE(isInInfExclusionSet(2021));
    EXPECT_FALSE(isInInfExclusionSet(2024));
}

TEST(LevelCatalogue, FileNamesAreBareAndBackupsArePrefixed)
{
    EXPECT_EQ(levelFileName(2080, ".dat"), "levl2080.dat");
    EXPECT_EQ(levelFileName(2005, ".inf"), "levl2005.inf");
    EXPECT_EQ(backupFileName("levl2080.dat"), "copy of levl2080.dat");
}
