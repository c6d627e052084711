// SPDX-License-Identifier: MIT
#include "bottles.h"

#include "folderpaths.h"
#include "yamlrecord.h"

namespace varnholt {

namespace fs = std::filesystem;

std::vector<fs::path> bottles(Search& search, const fs::path& dataFolder, const fs::path& home)
{
    std::vector<fs::path> found;
    if (!isFolder(dataFolder))
        return found;
    std::vector<fs::path> bottleFolders { dataFolder / "bottles" };
    std::error_code error;
    // A data.yml that is there in any form (a link to itself included) is read, and when
    // it cannot be, the reason is noted; only a missing one is passed over in silence.
    if (fs::exists(fs::symlink_status(dataFolder / "data.yml", error))) {
        if (const std::optional<YAML::Node> data = yamlRecord(search, dataFolder / "data.yml")) {
            if (std::optional<fs::path> custom = recordedPath(yamlString(*data, "custom_bottles_path"), home))
                bottleFolders.push_back(std::move(*custom));
        }
    }
    for (const fs::path& folder : bottleFolders) {
        for (const fs::path& bottle : entriesOf(folder)) {
            const fs::path placeholder = bottle / "placeholder.yml";
            if (!fs::exists(fs::symlink_status(placeholder, error))) {
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
