// SPDX-License-Identifier: MIT
#pragma once

// The few records other programs keep of where things are installed, read as text: Wine's
// registry files, Steam's list of libraries and Lutris's game files. Each reader takes
// the file's text and answers with what it found, or nothing; a malformed file is never
// an error, only a file with nothing in it.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt {

// A string value of a registry key in a Wine registry file (system.reg, user.reg):
// sections are "[Software\\Vendor\\Product] 1700000000", values "\"Name\"=\"text\"", each
// backslash doubled. Keys and names match in any letter case, as the registry's do.
// With several keys, the value under the first of them that has it.
std::optional<std::string> wineRegistryValue(
    std::string_view registryFile, std::span<const std::string_view> keys, std::string_view name);
std::optional<std::string> wineRegistryValue(
    std::string_view registryFile, std::string_view key, std::string_view name);

// Every library folder in Steam's steamapps/libraryfolders.vdf, in the file's order.
std::vector<std::string> steamLibraryPaths(std::string_view libraryFolders);

// The Wine prefix a Lutris game file names: "prefix:" under "game:".
std::optional<std::string> lutrisGamePrefix(std::string_view gameFile);

} // namespace varnholt
