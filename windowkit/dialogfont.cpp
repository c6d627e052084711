// SPDX-License-Identifier: MIT
#include "dialogfont.h"

namespace varnholt {

QFont dialogFont()
{
#ifdef Q_OS_WIN
    QFont font(QStringLiteral("Microsoft Sans Serif"));
#else
    QFont font(QStringLiteral("Liberation Sans"));
#endif
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8);
    return font;
}

QFont headingFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(26.25);
    font.setWeight(QFont::Bold);
    return font;
}

} // namespace varnholt
