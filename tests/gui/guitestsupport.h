// SPDX-License-Identifier: MIT
#pragma once

#include "support/scratchfolder.h"
#include "support/wineprefix.h"

#include <QApplication>
#include <QString>
#include <QWidget>

#include <filesystem>
#include <memory>

namespace varnholt::test {

// A game installed in a throw-away Wine prefix, with every level the tests choose.
struct InstalledGame {
    InstalledGame();
    [[nodiscard]] EnvironmentLookup environment() const;

    ScratchFolder scratch;
    std::filesystem::path prefix;
    std::filesystem::path levels;
};

// The visible top-level windows of a kind, by object name, and the first of them.
int visibleWindows(const QString& objectName);
QWidget* visibleWindow(const QString& objectName);

// Sets up the application as the program's entry does.
void setUpApplication();

} // namespace varnholt::test
