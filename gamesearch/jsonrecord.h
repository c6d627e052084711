// SPDX-License-Identifier: MIT
#pragma once

#include "search.h"

#include <nlohmann/json.hpp>

namespace varnholt {

using Json = nlohmann::json;

// A JSON record of the kind its writer writes at the top (an object or a list), or a
// note of why there is none; what `keep` turns down is dropped as soon as it is read.
std::optional<Json> jsonRecord(Search& search, const std::filesystem::path& file, Json::value_t kind,
    const Json::parser_callback_t& keep = nullptr);

// The string at a key of an object, or "" when there is none or it is no string.
std::string_view jsonString(const Json& object, const char* key);

} // namespace varnholt
