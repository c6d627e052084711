// SPDX-License-Identifier: MIT
#pragma once

#include "mainwindow/dialogfont.h"

#include <QApplication>
#include <QWidget>

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

// The application as the program's entry sets it up.
inline void setUpApplication()
{
    QApplication::setApplicationName(QStringLiteral("Varnholt"));
    QApplication::setFont(dialogFont());
}

} // namespace varnholt::test
