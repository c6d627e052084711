// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <vector>

namespace varnholt::bench {

// The middle of the measurements (the upper one of the two middles of an even count):
// unlike the mean, one run the machine slowed down does not move it.
inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

} // namespace varnholt::bench
