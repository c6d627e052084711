// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varnholt {

// One entry of Valve's KeyValues text, the format of Steam's .vdf and .acf files: a key
// and either a string value or a block of entries in braces.
struct KeyValue {
    std::string key;
    std::string value;
    std::vector<KeyValue> block;
    bool isBlock = false;

    // The value of the first entry of the block with that key, in any letter case.
    [[nodiscard]] std::string_view valueOf(std::string_view name) const;
};

// The entries of a KeyValues text, at its top level. Keys and values are quoted (with
// backslash escapes) or bare words; "//" starts a comment. Whatever is malformed ends the
// reading: the entries complete before it are kept. Blocks deeper than Steam ever writes
// them are not read.
std::vector<KeyValue> parseKeyValues(std::string_view text);

} // namespace varnholt
