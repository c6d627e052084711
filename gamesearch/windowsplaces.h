// SPDX-License-Identifier: MIT
#pragma once

#include "search.h"

namespace varnholt {

// Looks where an installation of the game on a Windows system would be: the default
// installation folder (the first system's is the program's default), the registry's
// InstallPath, GOG's record and GOG's folders, then Steam installed in that system.
void lookInWindows(Search& search, const WindowsSystem& system, bool first);

// Looks in a Wine prefix that a launcher made or records, once however often it is met.
void lookInPrefix(Search& search, const std::filesystem::path& prefix);

} // namespace varnholt
