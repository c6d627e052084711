// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QPixmap>

namespace varnholt {

// The globe: the icon of both windows and the picture of the About window, 32 by 32.
QIcon programIcon();
QPixmap programIconPicture();

// The title banner of the main window, 350 by 128.
QPixmap bannerPicture();

} // namespace varnholt
