// SPDX-License-Identifier: MIT
// libFuzzer target: any bytes as a Wine registry file. The reader must neither crash nor
// read outside its input, and answer with valid UTF-8 only.
#include "gamesearch/wineregistry.h"

#include <array>
#include <cstdint>
#include <cstdlib>

namespace {

bool isUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1
            : (lead >> 5) == 6                 ? 2
            : (lead >> 4) == 14                ? 3
            : (lead >> 3) == 30                ? 4
                                               : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2)
                return false;
        }
        i += length;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    constexpr std::array<varnholt::RegistryValueName, 3> wanted { { { R"(Software\Game)", "Path" },
        { R"(Software\Game)", "" }, { R"(Software\Wow6432Node\Game)", "path" } } };
    for (const std::optional<std::string>& value : varnholt::wineRegistryValues(file, wanted)) {
        if (value && !isUtf8(*value))
            std::abort();
    }
    return 0;
}
