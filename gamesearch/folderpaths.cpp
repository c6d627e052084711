// SPDX-License-Identifier: MIT
#include "folderpaths.h"

#include "platform/entryname.h"

#include <algorithm>

#ifndef _WIN32
#include <sys/stat.h>
#endif

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

std::vector<fs::path> sortedEntries(const fs::path& folder)
{
    std::vector<fs::path> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        entries.push_back(it->path());
    std::sort(entries.begin(), entries.end());
    return entries;
}

fs::path resolvedPath(const fs::path& path)
{
    std::error_code error;
    const fs::path whole = fs::absolute(path, error);
    if (error)
        return path;
    fs::path resolved = whole.root_path();
    const fs::path steps = whole.relative_path();
    for (auto step = steps.begin(); step != steps.end(); ++step) {
        if (step->empty() || *step == ".")
            continue;
        if (*step != "..") {
            resolved /= *step;
            continue;
        }
        if (fs::is_symlink(fs::symlink_status(resolved, error))) {
            fs::path target = fs::canonical(resolved, error);
            if (error) { // a link to nowhere, or a loop: the system decides what follows
                for (; step != steps.end(); ++step)
                    resolved /= *step;
                return resolved;
            }
            resolved = std::move(target);
        }
        resolved = resolved.parent_path();
    }
    return resolved;
}

std::string sameFolderKey(const fs::path& folder)
{
#ifndef _WIN32
    struct stat status { };
    if (::stat(folder.c_str(), &status) == 0)
        return std::to_string(status.st_dev) + ':' + std::to_string(status.st_ino);
    // Not there: the folder it would be in, found however it is reached.
    std::error_code error;
    const fs::path key = fs::weakly_canonical(folder, error);
    return "path:" + (error ? resolvedPath(folder) : key).string();
#else
    std::error_code error;
    const fs::path key = fs::weakly_canonical(folder, error);
    return "path:" + (error ? resolvedPath(folder) : key).string();
#endif
}

} // namespace varnholt
