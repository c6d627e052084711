// SPDX-License-Identifier: MIT
#include "levelsfolder.h"

#include <array>
#include <cstdlib>
#include <exception>

#ifndef _WIN32
#include "entryname.h"

#include <pwd.h>
#include <unistd.h>
#endif

namespace varnholt {
namespace {

namespace fs = std::filesystem;

constexpr std::array<std::string_view, 2> programFolders{"Program Files", "Program Files (x86)"};
constexpr std::array<std::string_view, 3> gameFolderSteps{"Bullfrog", "Populous", "levels"};

bool isFolder(const fs::path& path)
{
    std::error_code error;
    return fs::is_directory(path, error);
}

#ifndef _WIN32

std::optional<fs::path> winePrefix(const EnvironmentLookup& environment)
{
    if (const std::optional<std::string> prefix = environment("WINEPREFIX")) {
        // Wine refuses a prefix that is empty or relative, and so does the game.
        if (prefix->empty() || prefix->front() != '/')
            return std::nullopt;
        return fs::path(*prefix);
    }
    std::optional<std::string> home = environment("HOME");
    if (!home || home->empty()) {
        const passwd* user = ::getpwuid(::getuid());
        if (user == nullptr || user->pw_dir == nullptr)
            return std::nullopt;
        home = user->pw_dir;
    }
    return fs::path(*home) / ".wine";
}

// One step down, in any letter case, as Wine takes it.
std::optional<fs::path> subfolder(const fs::path& folder, std::string_view step)
{
    try {
        const std::optional<std::string> entry = resolveEntryName(folder, step);
        if (entry && isFolder(folder / *entry))
            return folder / *entry;
    } catch (const std::exception&) {
        // an unreadable folder or an ambiguous name: not the game's folder
    }
    return std::nullopt;
}

#endif

} // namespace

std::optional<std::string> processEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr)
        return std::nullopt;
    return std::string(value);
}

std::optional<fs::path> findLevelsFolder([[maybe_unused]] const EnvironmentLookup& environment)
{
#ifdef _WIN32
    for (const std::string_view programFolder : programFolders) {
        fs::path folder = fs::path("c:\\") / programFolder;
        for (const std::string_view step : gameFolderSteps)
            folder /= step;
        if (isFolder(folder))
            return folder;
    }
    return std::nullopt;
#else
    const std::optional<fs::path> prefix = winePrefix(environment);
    if (!prefix)
        return std::nullopt;
    // The drive is whatever the link points at; Wine itself never assumes drive_c.
    const fs::path driveC = *prefix / "dosdevices" / "c:";
    if (!isFolder(driveC))
        return std::nullopt;
    for (const std::string_view programFolder : programFolders) {
        std::optional<fs::path> folder = subfolder(driveC, programFolder);
        for (auto step = gameFolderSteps.begin(); folder && step != gameFolderSteps.end(); ++step)
            folder = subfolder(*folder, *step);
        if (folder)
            return folder;
    }
    return std::nullopt;
#endif
}

} // namespace varnholt
