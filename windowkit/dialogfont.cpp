// SPDX-License-Identifier: MIT
#include "dialogfont.h"

#include <QStringList>

namespace varnholt {

QFont dialogFont()
{
    QFont font;
#ifdef Q_OS_WIN
    // Wine has no Microsoft Sans Serif; it has Liberation Sans where Linux has.
    font.setFamilies(QStringList() << QStringLiteral("Microsoft Sans Serif") << QStringLiteral("Liberation Sans"));
#else
    font.setFamilies(QStringList() << QStringLiteral("Liberation Sans"));
#endif
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8);
    return font;
}

QFont headingFont()
{
    QFont font;
    font.setFamilies(QStringList() << QStringLiteral("Arial") << QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(26.25);
    font.setWeight(QFont::Bold);
    return font;
}

} // namespace varnholt
