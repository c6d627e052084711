// SPDX-License-Identifier: MIT
// libFuzzer target: any bytes as Steam's KeyValues text. The reader must neither crash,
// nor recurse without bound, nor read outside its input.
#include "gamesearch/keyvalues.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<varnholt::KeyValue> entries
        = varnholt::parseKeyValues(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const varnholt::KeyValue& entry : entries)
        (void)entry.valueOf("path");
    return 0;
}
