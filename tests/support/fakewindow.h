// SPDX-License-Identifier: MIT
#pragma once

#include "mainwindow/controloperations.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace varnholt::test {

// The main window as the logic sees it, without widgets. It starts as the real window
// is created (base-game selectors shown, none with a current entry) except that Change
// starts enabled, so that a test sees the logic disable it.
class FakeWindow final : public ControlOperations {
public:
    struct SelectorState {
        int index = -1;
        bool visible = true;
    };

    FakeWindow();

    // Chooses an entry as the user would, raising the selector's Click event.
    void choose(Selector selector, std::string_view text);

    void setSelectorText(Selector selector, std::string_view text) override;
    [[nodiscard]] int selectorListIndex(Selector selector) const override;
    [[nodiscard]] LevelNumber selectorItemData(Selector selector, int index) const override;
    void setSelectorVisible(Selector selector, bool visible) override;
    [[nodiscard]] bool option1Value() const override { return option1; }
    void setChangeEnabled(bool enabled) override;
    [[nodiscard]] std::string text1Text() const override { return log; }
    void setText1Text(std::string text) override { log = std::move(text); }
    void showMessage(std::string_view text) override { messages.emplace_back(text); }
    void endProgram() override { ended = true; }

    [[nodiscard]] SelectorState& state(Selector selector);

    std::array<SelectorState, 6> selectors;
    bool option1 = true;
    bool changeEnabled = true;
    std::string log;
    std::vector<std::string> messages;
    bool ended = false;
    // What the logic did to the window, in order, as "Combo4 hidden" or "Change enabled".
    std::vector<std::string> calls;
    // The window's Click handler of the selectors; the logic's selectorClicked in tests.
    std::function<void()> onSelectorClick;
};

} // namespace varnholt::test
