// SPDX-License-Identifier: MIT
#include "application.h"

#include "dialogfont.h"
#include "fixedsize.h"
#include "pictures.h"

#include <QApplication>

namespace varnholt {

void setUpApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Varnholt"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VARNHOLT_VERSION));
    QApplication::setFont(dialogFont());
    QApplication::setWindowIcon(programIcon());
    keepFixedSizeWindowsFixed();
}

} // namespace varnholt
