// SPDX-License-Identifier: MIT
#pragma once

// What the program does when asked from a command line instead of through its window.
// Neither touches a file.

#include "mainwindowlogic.h"

#include <ostream>

namespace varnholt {

// Prints every levels folder found, one absolute path a line, in the order tried (the
// first is the one a plain start uses), and on `notes` where the game may read a copy of
// the first one's levels instead. Verbose, it prints every place looked at instead, one
// line each, with what was found there or why it was passed over. Returns the exit
// status: 0, or 1 when none.
int listLevelsFolders(const LevelsFolderChoice& choice, std::ostream& out, std::ostream& notes, bool verbose = false);

// Prints one line per slot, its number then what it holds. Returns the exit status: 0,
// or 1 when the levels folder is not found.
int showSlots(const LevelsFolderChoice& choice, std::ostream& out, std::ostream& errors);

} // namespace varnholt
