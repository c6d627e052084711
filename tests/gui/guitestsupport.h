// SPDX-License-Identifier: MIT
#pragma once

#include "mainwindow/frmmain.h"
#include "support/wineprefix.h"
#include "windowkit/application.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QWidget>

#include <memory>

namespace varnholt::test {

// The visible top-level windows with this object name.
inline QWidgetList visibleWindows(const QString& objectName)
{
    QWidgetList found;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == objectName && window->isVisible())
            found << window;
    return found;
}

inline QWidget* aboutWindow()
{
    return visibleWindows("frmAbout").value(0);
}

// The application set up as the program's entry sets it up, and the main window started
// on an installed game and shown. A message box no test expects fails that test at once,
// instead of waiting for a person.
inline void startMainWindow(std::unique_ptr<InstalledGame>& game, std::unique_ptr<frmMain>& window)
{
    setUpApplication();
    frmMain::setMessageBoxHook([](QMessageBox& box) { QFAIL(qPrintable("unexpected: " + box.text())); });
    game = std::make_unique<InstalledGame>();
    window = std::make_unique<frmMain>(game->choice());
    window->Form_Load();
    window->show();
}

} // namespace varnholt::test
