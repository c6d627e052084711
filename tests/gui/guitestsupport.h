// SPDX-License-Identifier: MIT
#pragma once

#include "windowkit/application.h"

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
using varnholt::setUpApplication;

} // namespace varnholt::test
