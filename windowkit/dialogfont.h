// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>

namespace varnholt {

// The windows are laid out in pixels for an 8-point sans-serif dialog font; a larger
// desktop default would clip their captions. On Linux, Liberation Sans has the metrics
// of the Windows face.
QFont dialogFont();

// The face of the main window's heading, Arial or its metric-compatible stand-in.
QFont headingFont();

} // namespace varnholt
