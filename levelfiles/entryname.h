// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace varnholt {

// Finds the entry of a folder that a name means, as the game's platform resolves names
// on Linux: the exact name first, otherwise the one entry whose name differs from it only
// in letter case. Returns nothing when no entry matches. Throws std::system_error when
// several entries differ only in case and none matches exactly, or when the folder
// cannot be read.
std::optional<std::string> resolveEntryName(const std::filesystem::path& folder, std::string_view name);

} // namespace varnholt
