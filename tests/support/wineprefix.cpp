// SPDX-License-Identifier: MIT
#include "wineprefix.h"

namespace varnholt::test {

namespace fs = std::filesystem;

fs::path makeWinePrefix(const fs::path& prefix, const std::string& driveFolder)
{
    fs::create_directories(prefix / driveFolder);
    fs::create_directories(prefix / "dosdevices");
    fs::create_directory_symlink("../" + driveFolder, prefix / "dosdevices" / "c:");
    return prefix;
}

fs::path makeLevelsFolder(const fs::path& prefix, const std::string& programFiles)
{
    const fs::path folder = prefix / "dosdevices" / "c:" / programFiles / "Bullfrog" / "Populous" / "levels";
    fs::create_directories(folder);
    return folder;
}

EnvironmentLookup environmentOf(std::map<std::string, std::string> variables)
{
    return [variables = std::move(variables)](const char* name) -> std::optional<std::string> {
        const auto found = variables.find(name);
        if (found == variables.end())
            return std::nullopt;
        return found->second;
    };
}

} // namespace varnholt::test
