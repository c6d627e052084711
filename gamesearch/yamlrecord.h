// SPDX-License-Identifier: MIT
#pragma once

#include "search.h"

#include <yaml-cpp/yaml.h>

namespace varnholt {

// A YAML record (Lutris's game files, Bottles' placeholders and settings, all written by
// PyYAML, which folds long values onto the next line), or a note of why there is none.
std::optional<YAML::Node> yamlRecord(Search& search, const std::filesystem::path& file);

// The string at a key of a mapping, or "" when there is none.
std::string yamlString(const YAML::Node& mapping, const char* key);

// A path as Lutris and Bottles write it, "~/" expanded, when it is absolute.
std::optional<std::filesystem::path> recordedPath(std::string_view recorded, const std::filesystem::path& home);

} // namespace varnholt
