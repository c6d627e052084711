// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace varnholt {

// Copies are written under names like ".varnholt-a1B2c3.tmp" before they are renamed
// into place, so that a killed run's leftovers can be told from anything else.
inline constexpr std::string_view temporaryPrefix = ".varnholt-";
inline constexpr std::string_view temporarySuffix = ".tmp";
inline constexpr std::size_t temporaryRandomLength = 6;

bool isTemporaryName(std::string_view name);

// A fresh name of that form, with random letters and digits.
std::string randomTemporaryName();

} // namespace varnholt
