// SPDX-License-Identifier: MIT
// Start-up and one Change through the program's own logic against the real environment
// ($WINEPREFIX), printing the activity log: the 2-player slot takes "21 - Fractured Earth".
#include "session/mainwindowlogic.h"
#include "support/fakewindow.h"

#include <cstdio>

int main()
{
    varnholt::test::FakeWindow window;
    varnholt::MainWindowLogic logic(window);
    window.onSelectorClick = [&] { logic.selectorClicked(); };
    logic.Form_Load();
    window.setSelectorText(varnholt::Selector::Combo1, "21 - Fractured Earth");
    logic.cmdChange_Click();
    std::fputs(window.log.c_str(), stdout);
    return window.messages.empty() ? 0 : 1;
}
