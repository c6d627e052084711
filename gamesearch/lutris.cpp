// SPDX-License-Identifier: MIT
#include "lutris.h"

#include "folderpaths.h"
#include "yamlrecord.h"

namespace varnholt {

namespace fs = std::filesystem;

void forEachLutrisGame(Search& search, const std::vector<fs::path>& gamesFolders, const fs::path& home,
    const std::function<void(const LutrisGame&)>& visit)
{
    for (const fs::path& folder : gamesFolders) {
        if (search.done())
            return;
        if (!isFolder(folder)) {
            search.note(folder, "no such folder");
            continue;
        }
        for (const fs::path& file : sortedEntries(folder)) {
            if (search.done())
                return;
            if (file.extension() != ".yml")
                continue;
            const std::optional<YAML::Node> record = yamlRecord(search, file);
            const YAML::Node game = record ? (*record)["game"] : YAML::Node();
            if (!game || !game.IsMap())
                continue;
            LutrisGame found;
            const std::optional<fs::path> gamePath = recordedPath(yamlString(game, "game_path"), home);
            const std::string exe = yamlString(game, "exe");
            std::optional<fs::path> exePath = recordedPath(exe, home);
            found.prefix = recordedPath(yamlString(game, "prefix"), home);
            const std::optional<fs::path>& gameDirectory = gamePath ? gamePath : found.prefix;
            if (!exePath && gameDirectory && !exe.empty())
                exePath = *gameDirectory / exe;
            if (exePath)
                found.gameFolders.push_back(exePath->parent_path());
            if (std::optional<fs::path> workingFolder = recordedPath(yamlString(game, "working_dir"), home))
                found.gameFolders.push_back(std::move(*workingFolder));
            if (gamePath)
                found.gameFolders.push_back(*gamePath);
            visit(found);
        }
    }
}

} // namespace varnholt
