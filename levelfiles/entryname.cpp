// SPDX-License-Identifier: MIT
#include "entryname.h"

#include "platformfiles.h"

#include <algorithm>
#include <system_error>

namespace varnholt {
namespace {

namespace fs = std::filesystem;

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

} // namespace

std::optional<std::string> resolveEntryName(const fs::path& folder, std::string_view name)
{
    if (platform::entryStatus(folder / fs::path(name)))
        return std::string(name);

    std::optional<std::string> match;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::string candidate = it->path().filename().string();
        if (!equalIgnoringCase(candidate, name))
            continue;
        if (match)
            throw std::system_error(std::make_error_code(std::errc::invalid_argument),
                                    "several entries differ from " + std::string(name)
                                        + " only in letter case");
        match = std::move(candidate);
    }
    if (error)
        throw std::system_error(error, "cannot read " + folder.string());
    return match;
}

} // namespace varnholt
