// SPDX-License-Identifier: MIT
#include "guitestsupport.h"

#include "mainwindow/dialogfont.h"

namespace varnholt::test {

InstalledGame::InstalledGame()
    : prefix(makeWinePrefix(scratch / "prefix")), levels(makeLevelsFolder(prefix))
{
    for (const int level : {2080, 2100, 2120, 2005, 2006, 2021, 2057})
        writeLevel(levels, level);
}

EnvironmentLookup InstalledGame::environment() const
{
    return environmentOf({{"WINEPREFIX", prefix.string()}});
}

int visibleWindows(const QString& objectName)
{
    int count = 0;
    for (const QWidget* window : QApplication::topLevelWidgets())
        count += (window->objectName() == objectName && window->isVisible()) ? 1 : 0;
    return count;
}

QWidget* visibleWindow(const QString& objectName)
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == objectName && window->isVisible())
            return window;
    return nullptr;
}

void setUpApplication()
{
    QApplication::setApplicationName(QStringLiteral("Varnholt"));
    QApplication::setFont(dialogFont());
}

} // namespace varnholt::test
