// SPDX-License-Identifier: MIT
#pragma once

#include "catalogue/levelcatalogue.h"

#include <string>
#include <string_view>

namespace varnholt {

// What the window logic may do to the main window, and nothing more. The real window
// implements it with widgets; tests implement it with a plain fake.
class ControlOperations {
public:
    virtual ~ControlOperations() = default;

    // Makes the entry with this text the selector's current entry (its Text). Like a
    // choice by the user, this raises the selector's Click event.
    virtual void setSelectorText(Selector selector, std::string_view text) = 0;
    // The index of the current entry (ListIndex), -1 when there is none.
    [[nodiscard]] virtual int selectorListIndex(Selector selector) const = 0;
    // The level number kept with an entry (ItemData).
    [[nodiscard]] virtual LevelNumber selectorItemData(Selector selector, int index) const = 0;
    virtual void setSelectorVisible(Selector selector, bool visible) = 0;

    // Whether the base-game option button Option1 is chosen (its Value).
    [[nodiscard]] virtual bool option1Value() const = 0;

    virtual void setChangeEnabled(bool enabled) = 0;

    // Adds to the activity log Text1: the same as writing back its whole text with this
    // added at its end, at the cost of the added text alone, as the log may grow long
    // over a session.
    virtual void appendText1Text(std::string_view text) = 0;

    // Tells, beside the slot's selectors and its "play as" label, what the slot holds now.
    virtual void showSlotContent(const LevelSlot& slot, std::string_view description) = 0;

    // A message box with this text and one OK button; returns when it is closed.
    virtual void showMessage(std::string_view text) = 0;

    // Ends the program at once: no further event procedure runs.
    virtual void endProgram() = 0;
};

} // namespace varnholt
