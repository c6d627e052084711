// SPDX-License-Identifier: MIT
#include "quitafterlastwindow.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace varnholt {

QuitAfterLastWindow::QuitAfterLastWindow()
{
    QApplication::setQuitOnLastWindowClosed(false);
    qApp->installEventFilter(this);
}

bool QuitAfterLastWindow::isProgramWindow(const QObject* object)
{
    // Known by name, as the tests and screen readers know them.
    return object->isWidgetType()
        && (object->objectName() == QLatin1String("frmMain") || object->objectName() == QLatin1String("frmAbout"));
}

bool QuitAfterLastWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Decide once the close has been carried out, when the window is no longer visible.
    if (event->type() == QEvent::Close && isProgramWindow(watched))
        QTimer::singleShot(0, this, &QuitAfterLastWindow::quitIfNoWindowIsOpen);
    return false;
}

void QuitAfterLastWindow::quitIfNoWindowIsOpen()
{
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        if (isProgramWindow(window) && window->isVisible())
            return;
    }
    QCoreApplication::quit();
}

} // namespace varnholt
