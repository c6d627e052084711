// SPDX-License-Identifier: MIT
#pragma once

#include "search.h"

namespace varnholt {

// Where in a Windows system to look: the folders an installation has by default (a few
// looks each), or what its registry records (a read of megabytes, in a Wine prefix).
enum class Look { Folders, Records, FoldersAndRecords };

// Looks where an installation of the game on a Windows system would be: the default
// installation folder (the first system's is the program's default), the registry's
// InstallPath, GOG's record and GOG's folders, then Steam installed in that system.
void lookInWindows(Search& search, const WindowsSystem& system, bool first, Look look = Look::FoldersAndRecords);

// Looks in the Wine prefixes that launchers make or record, each once however often it is
// met: first in every prefix's folders, then in every prefix's registry, so that the
// game in a prefix's usual folder is found without reading every other prefix's registry.
void lookInPrefixes(Search& search, const std::vector<std::filesystem::path>& prefixes);

} // namespace varnholt
