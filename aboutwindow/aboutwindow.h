// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QPointer>

namespace varnholt {

// Opens the About window over its owner, or brings the one already open to the front;
// `window` keeps track of it. The About window's own folder provides this, so that the
// main window needs none of its headers.
void showAboutWindow(QPointer<QDialog>& window, QWidget* owner);

} // namespace varnholt
