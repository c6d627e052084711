// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <string_view>

namespace varnholt {

// Text from the core, which keeps it as UTF-8, as the windows show it.
inline QString qtText(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace varnholt
