// SPDX-License-Identifier: MIT
#include "bottles.h"

#include "folderpaths.h"
#include "yamlrecord.h"

namespace varnholt {

namespace fs = std::filesystem;

namespace {

// A record that is there in any form (a link to itself included), or that cannot even be
// looked at for another reason than its absence (in a folder the player may not enter):
// reading it then notes why it cannot be read. Only a missing one is passed over in silence.
bool mayBeThere(const fs::path& record)
{
    std::error_code error;
    const fs::file_status status = fs::symlink_status(record, error);
    return fs::exists(status) || (error && error != std::errc::no_such_file_or_directory);
}

} // namespace

std::vector<fs::path> bottles(Search& search, const fs::path& dataFolder, const fs::path& home)
{
    std::vector<fs::path> found;
    if (!isFolder(dataFolder))
        return found;
    std::vector<fs::path> bottleFolders { dataFolder / "bottles" };
    if (mayBeThere(dataFolder / "data.yml")) {
        if (const std::optional<YAML::Node> data = yamlRecord(search, dataFolder / "data.yml")) {
            if (std::optional<fs::path> custom = recordedPath(yamlString(*data, "custom_bottles_path"), home))
                bottleFolders.push_back(std::move(*custom));
        }
    }
    for (const fs::path& folder : bottleFolders) {
        for (const fs::path& bottle : sortedEntries(folder)) {
            const fs::path placeholder = bottle / "placeholder.yml";
            if (!mayBeThere(placeholder)) {
                found.push_back(bottle);
                continue;
            }
            if (const std::optional<YAML::Node> record = yamlRecord(search, placeholder)) {
                if (std::optional<fs::path> path = recordedPath(yamlString(*record, "Path"), home))
                    found.push_back(std::move(*path));
            }
        }
    }
    return found;
}

} // namespace varnholt
