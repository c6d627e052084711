// SPDX-License-Identifier: MIT
#include "wineprefix.h"

namespace varnholt::test {

namespace fs = std::filesystem;

fs::path makeWinePrefix(const fs::path& prefix, const std::string& driveFolder)
{
    fs::create_directories(prefix / driveFolder);
#ifndef _WIN32 // Windows has its own drive C
    fs::create_directories(prefix / "dosdevices");
    fs::create_directory_symlink("../" + driveFolder, prefix / "dosdevices" / "c:");
#endif
    return prefix;
}

fs::path makeLevelsFolder(const fs::path& prefix)
{
    fs::path folder = prefix / "drive_c/Program Files/Bullfrog/Populous/levels";
    fs::create_directories(folder);
    return folder;
}

EnvironmentLookup environmentOf(const std::map<std::string, fs::path>& variables)
{
    return [variables](const char* name) -> std::optional<std::string> {
        const auto found = variables.find(name);
        return found == variables.end() ? std::nullopt : std::optional(found->second.string());
    };
}

InstalledGame::InstalledGame()
    : prefix(makeWinePrefix(scratch / "prefix"))
    , levels(makeLevelsFolder(prefix))
{
    for (const int level : { 2080, 2100, 2120, 2005, 2021, 2062 })
        writeLevel(levels, level);
}

LevelsFolderChoice InstalledGame::choice() const
{
#ifdef _WIN32
    return { environmentOf({}), levels };
#else
    return environment();
#endif
}

} // namespace varnholt::test
