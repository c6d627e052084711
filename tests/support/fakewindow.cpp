// SPDX-License-Identifier: MIT
#include "fakewindow.h"

#include <stdexcept>

namespace varnholt::test {

void FakeWindow::setSelectorText(Selector selector, std::string_view text)
{
    const auto entries = entriesOf(selector);
    for (std::size_t entry = 0; entry < entries.size(); ++entry) {
        if (entries[entry].text == text) {
            index[at(selector)] = static_cast<int>(entry);
            calls.push_back(nameOf(selector) + " set to " + std::string(text));
            if (onSelectorClick)
                onSelectorClick();
            return;
        }
    }
    throw std::invalid_argument("no entry " + std::string(text));
}

} // namespace varnholt::test
