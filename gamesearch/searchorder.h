// SPDX-License-Identifier: MIT
#pragma once

#include "search.h"

namespace varnholt {

// Looks in every place the game may be on this system, in the documented order, until
// the search has found all it wants.
void searchInOrder(Search& search, const EnvironmentLookup& environment);

} // namespace varnholt
