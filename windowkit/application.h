// SPDX-License-Identifier: MIT
#pragma once

namespace varnholt {

// The application as every window of the program expects it: its name and version, the
// dialog font and the program's icon (the last two only for a QApplication, which has
// windows). The program, the tests, the screenshots and the benchmarks all set it up
// through this one function, after making the application object.
void setUpApplication();

} // namespace varnholt
