// SPDX-License-Identifier: MIT
#pragma once

namespace varnholt {

// The application as every window of the program expects it: its name and version, the
// dialog font and the program's icon. The program, the tests, the screenshots and the
// benchmarks all set it up through this one function, after making the QApplication
// (only a program that shows windows makes one).
void setUpApplication();

} // namespace varnholt
