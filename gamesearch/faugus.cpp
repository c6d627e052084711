// SPDX-License-Identifier: MIT
#include "faugus.h"

#include "folderpaths.h"
#include "jsonrecord.h"
#include "yamlrecord.h"

namespace varnholt {

namespace fs = std::filesystem;

void forEachFaugusGame(Search& search, const std::vector<fs::path>& records, const fs::path& home,
    const std::function<void(const FaugusGame&)>& visit)
{
    for (const fs::path& record : records) {
        std::error_code error;
        if (search.done())
            return;
        if (!fs::exists(fs::symlink_status(record, error)))
            continue;
        const std::optional<Json> games = jsonRecord(search, record, Json::value_t::array);
        for (const Json& game : games ? *games : Json::array()) {
            if (search.done())
                return;
            const std::string_view executable = jsonString(game, "path");
            const std::optional<fs::path> path = recordedPath(executable, home);
            if (!path) {
                if (!executable.empty())
                    search.note(executable, "passed over: not an absolute path");
                continue;
            }
            visit({ path->parent_path(), recordedPath(jsonString(game, "prefix"), home) });
        }
    }
}

std::vector<fs::path> faugusDefaultPrefixes(const fs::path& home)
{
    return sortedEntries(home / "Faugus");
}

} // namespace varnholt
