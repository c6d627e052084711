// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt {

// A string value to look for: its key, as "Software\Vendor\Product" with single
// backslashes, and its name ("" for the key's default value).
struct RegistryValueName {
    std::string_view key;
    std::string_view name;
};

// The string values of a Wine registry file (system.reg, user.reg), read in one pass:
// for each wanted value, its text as UTF-8, or nothing. Keys and names match in any
// letter case, as the registry's do. The file is read as Wine writes it: sections
// "[Software\\Vendor\\Product] 1700000000", values "\"Name\"=\"text\"" or
// "\"Name\"=str(2):\"text\"", every backslash, quote and bracket escaped with a
// backslash, characters below 32 as C or octal escapes and every character above 127 as
// "\x" with up to four hexadecimal digits of its UTF-16 code unit. A malformed file is
// no error, only a file in which fewer values are found.
std::vector<std::optional<std::string>> wineRegistryValues(
    std::string_view registryFile, std::span<const RegistryValueName> wanted);

} // namespace varnholt
