// SPDX-License-Identifier: MIT
#pragma once

#include "session/controloperations.h"

#include <array>
#include <functional>
#include <map>
#include <vector>

namespace varnholt::test {

// The main window as the logic sees it, without widgets: no selector has an entry yet,
// but Change starts enabled so that a test sees the logic disable it.
class FakeWindow final : public ControlOperations {
public:
    void setSelectorText(Selector selector, std::string_view text) override;
    [[nodiscard]] int selectorListIndex(Selector selector) const override { return index[at(selector)]; }
    [[nodiscard]] LevelNumber selectorItemData(Selector selector, int entry) const override
    {
        return entriesOf(selector)[static_cast<std::size_t>(entry)].levelNumber;
    }
    void setSelectorVisible(Selector selector, bool shown) override
    {
        calls.push_back(nameOf(selector) + (shown ? " shown" : " hidden"));
    }
    [[nodiscard]] bool option1Value() const override { return option1; }
    void setChangeEnabled(bool enabled) override
    {
        changeEnabled = enabled;
        calls.emplace_back(enabled ? "Change enabled" : "Change disabled");
    }
    void appendText1Text(std::string_view text) override { log += text; }
    void showSlotContent(const LevelSlot& slot, std::string_view description) override
    {
        slotContents[slot.levelNumber] = description;
    }
    void showMessage(std::string_view text) override { messages.emplace_back(text); }
    void endProgram() override { ended = true; }

    static std::size_t at(Selector selector) { return static_cast<std::size_t>(selector); }
    static std::string nameOf(Selector selector) { return "Combo" + std::to_string(at(selector) + 1); }

    std::array<int, 6> index { -1, -1, -1, -1, -1, -1 };
    bool option1 = true;
    bool changeEnabled = true;
    std::string log;
    std::vector<std::string> messages;
    std::map<LevelNumber, std::string> slotContents; // by slot

    bool ended = false;
    // What the logic did, in order: "Combo1 set to ...", "Combo4 hidden", "Change enabled".
    std::vector<std::string> calls;
    std::function<void()> onSelectorClick; // the Click event the real window raises
};

} // namespace varnholt::test
