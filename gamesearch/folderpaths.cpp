// SPDX-License-Identifier: MIT
#include "folderpaths.h"

#include "levelfiles/entryname.h"

#include <algorithm>

namespace varnholt {

namespace fs = std::filesystem;

bool isFolder(const fs::path& path)
{
    std::error_code error;
    return fs::is_directory(path, error);
}

std::optional<fs::path> subfolder(const fs::path& folder, std::string_view step)
{
    if (!isPlainFileName(step))
        return std::nullopt;
    try {
        const std::optional<std::string> entry = resolveEntryName(folder, step);
        if (entry && isFolder(folder / *entry))
            return folder / *entry;
    } catch (const std::exception&) {
        // an unreadable folder or an ambiguous name: not the game's folder
    }
    return std::nullopt;
}

std::optional<fs::path> followWindowsPath(fs::path folder, std::string_view steps)
{
    while (!steps.empty()) {
        const std::size_t end = steps.find_first_of("\\/");
        const std::string_view step = steps.substr(0, end);
        steps = end == std::string_view::npos ? std::string_view() : steps.substr(end + 1);
        if (step.empty())
            continue;
        std::optional<fs::path> next = subfolder(folder, step);
        if (!next)
            return std::nullopt;
        folder = std::move(*next);
    }
    return folder;
}

std::vector<fs::path> entriesOf(const fs::path& folder)
{
    std::vector<fs::path> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        entries.push_back(it->path());
    std::sort(entries.begin(), entries.end());
    return entries;
}

fs::path sameFolderKey(const fs::path& folder)
{
    std::error_code error;
    fs::path key = fs::weakly_canonical(folder, error);
    return error ? folder.lexically_normal() : key;
}

} // namespace varnholt
