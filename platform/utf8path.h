// SPDX-License-Identifier: MIT
#pragma once

// Names and paths travel through the program as UTF-8 strings; these convert them where
// the system wants its own path type (on Windows, wide characters).
#include <filesystem>
#include <string>
#include <string_view>

namespace varnholt {

inline std::filesystem::path pathFromUtf8(std::string_view utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string utf8Of(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return { text.begin(), text.end() };
}

} // namespace varnholt
