// SPDX-License-Identifier: MIT
#pragma once

// For the platform files only.

#include "platformfiles.h"

namespace varnholt::platform {

// The error number a fault test's hook makes this step fail with; 0 to let it run.
int injectedFailure(Step step);

} // namespace varnholt::platform
