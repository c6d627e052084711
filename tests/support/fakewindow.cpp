// SPDX-License-Identifier: MIT
#include "fakewindow.h"

#include <stdexcept>

namespace varnholt::test {

namespace {

std::string nameOf(Selector selector)
{
    return "Combo" + std::to_string(static_cast<int>(selector) + 1);
}

} // namespace

FakeWindow::FakeWindow()
{
    for (const Selector selector : allSelectors)
        state(selector).visible = editionOf(selector) == Edition::BaseGame;
}

FakeWindow::SelectorState& FakeWindow::state(Selector selector)
{
    return selectors.at(static_cast<std::size_t>(selector));
}

void FakeWindow::choose(Selector selector, std::string_view text)
{
    setSelectorText(selector, text);
}

void FakeWindow::setSelectorText(Selector selector, std::string_view text)
{
    const auto entries = entriesOf(selector);
    for (std::size_t index = 0; index < entries.size(); ++index) {
        if (entries[index].text == text) {
            state(selector).index = static_cast<int>(index);
            calls.push_back(nameOf(selector) + " set to " + std::string(text));
            if (onSelectorClick)
                onSelectorClick();
            return;
        }
    }
    throw std::invalid_argument("no entry " + std::string(text));
}

int FakeWindow::selectorListIndex(Selector selector) const
{
    return selectors.at(static_cast<std::size_t>(selector)).index;
}

LevelNumber FakeWindow::selectorItemData(Selector selector, int index) const
{
    return entriesOf(selector)[static_cast<std::size_t>(index)].levelNumber;
}

void FakeWindow::setSelectorVisible(Selector selector, bool visible)
{
    state(selector).visible = visible;
    calls.push_back(nameOf(selector) + (visible ? " shown" : " hidden"));
}

void FakeWindow::setChangeEnabled(bool enabled)
{
    changeEnabled = enabled;
    calls.push_back(enabled ? "Change enabled" : "Change disabled");
}

} // namespace varnholt::test
