// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt {

namespace platform {
class Folder;
}

// Several entries differ from a name only in letter case, and none matches it exactly.
class AmbiguousName : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A name that stays inside its folder: not empty, not "." or "..", no separator, no
// drive colon and no NUL.
bool isPlainFileName(std::string_view name);

// Letter case as the game's names know it: ASCII only.
char asciiLower(char c);
bool equalIgnoringCase(std::string_view a, std::string_view b);

// Finds the entry of a folder that a name means, as the game's platform resolves names
// on Linux: the exact name first, otherwise the one entry whose name differs from it only
// in letter case. Returns nothing when no entry matches. Throws AmbiguousName when
// several entries differ only in case and none matches exactly, and std::system_error
// when the folder cannot be read. The name must be plain.
std::optional<std::string> resolveEntryName(const platform::Folder& folder, std::string_view name);
std::optional<std::string> resolveEntryName(const std::filesystem::path& folder, std::string_view name);

} // namespace varnholt
