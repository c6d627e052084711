// SPDX-License-Identifier: MIT
#include "pictures.h"

namespace varnholt {

QIcon programIcon()
{
    return QIcon(programIconPicture());
}

QPixmap programIconPicture()
{
    return QPixmap(QStringLiteral(":/resources/icon.png"));
}

QPixmap bannerPicture()
{
    return QPixmap(QStringLiteral(":/resources/banner.png"));
}

} // namespace varnholt
