// SPDX-License-Identifier: MIT
#include "pictures.h"

namespace varnholt {

namespace {

// A picture at exactly the screen's device pixels: from the @2x file on a high-density
// screen, smoothly scaled, so that it stays sharp at 1.25 and 1.5 as well as at 2.
QPixmap sharpPicture(const QString& name, QSize logicalSize, qreal devicePixelRatio)
{
    if (devicePixelRatio <= 1)
        return QPixmap(name + QStringLiteral(".png"));
    QPixmap picture = QPixmap(name + QStringLiteral("@2x.png"))
                          .scaled(QSize(qRound(logicalSize.width() * devicePixelRatio),
                                      qRound(logicalSize.height() * devicePixelRatio)),
                              Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    picture.setDevicePixelRatio(devicePixelRatio);
    return picture;
}

} // namespace

QIcon programIcon()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/resources/icon.png"));
    icon.addFile(QStringLiteral(":/resources/icon@2x.png"));
    return icon;
}

QPixmap programIconPicture(qreal devicePixelRatio)
{
    return sharpPicture(QStringLiteral(":/resources/icon"), QSize(32, 32), devicePixelRatio);
}

QPixmap bannerPicture(qreal devicePixelRatio)
{
    return sharpPicture(QStringLiteral(":/resources/banner"), QSize(350, 128), devicePixelRatio);
}

} // namespace varnholt
