// SPDX-License-Identifier: MIT
#pragma once

namespace varnholt {

// Keeps every window of a fixed size at that size, whoever asks to change it. Qt keeps
// the frame from being dragged, but on Windows another program's SetWindowPos, or a
// maximise asked through the system menu, would still resize the window and leave its
// controls in a corner. Elsewhere the window manager keeps to the size hints; there
// this does nothing. Installed once for the application.
void keepFixedSizeWindowsFixed();

} // namespace varnholt
