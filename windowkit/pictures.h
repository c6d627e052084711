// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QPixmap>

namespace varnholt {

// The globe: the icon of both windows and the picture of the About window, 32 by 32.
QIcon programIcon();

// The pictures for a screen with this many device pixels to a logical one, sharp on
// high-density screens: the globe, 32 by 32, and the main window's banner, 350 by 128.
QPixmap programIconPicture(qreal devicePixelRatio);
QPixmap bannerPicture(qreal devicePixelRatio);

} // namespace varnholt
