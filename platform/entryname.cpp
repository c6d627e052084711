// SPDX-License-Identifier: MIT
#include "entryname.h"

#include "platformfiles.h"

#include <algorithm>
#include <system_error>

namespace varnholt {
namespace {

namespace fs = std::filesystem;

template <typename Names> std::optional<std::string> onlyMatchIn(const Names& names, std::string_view name)
{
    std::optional<std::string> match;
    for (const std::string& candidate : names) {
        if (!equalIgnoringCase(candidate, name))
            continue;
        if (match)
            throw AmbiguousName("several entries differ from " + std::string(name) + " only in letter case");
        match = candidate;
    }
    return match;
}

} // namespace

bool isPlainFileName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".."
        && name.find_first_of(std::string_view("/\\:\0", 4)) == std::string_view::npos;
}

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

std::optional<std::string> resolveEntryName(const platform::Folder& folder, std::string_view name)
{
    if (folder.status(name))
        return std::string(name);
    return onlyMatchIn(folder.names(), name);
}

std::optional<std::string> resolveEntryName(const fs::path& folder, std::string_view name)
{
    std::error_code error;
    if (fs::exists(fs::symlink_status(folder / fs::path(name), error)))
        return std::string(name);
    std::vector<std::string> names;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    if (error)
        throw std::system_error(error, "cannot read " + folder.string());
    return onlyMatchIn(names, name);
}

} // namespace varnholt
