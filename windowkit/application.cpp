// SPDX-License-Identifier: MIT
#include "application.h"

#include "dialogfont.h"
#include "pictures.h"

#include <QApplication>

namespace varnholt {

void setUpApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Varnholt"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VARNHOLT_VERSION));
    // Asked from a command line, the program runs without windows, and so without fonts.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        return;
    QApplication::setFont(dialogFont());
    QApplication::setWindowIcon(programIcon());
}

} // namespace varnholt
