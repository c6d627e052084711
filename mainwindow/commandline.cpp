// SPDX-License-Identifier: MIT
#include "commandline.h"

#include "levelfiles/slotcontents.h"

namespace varnholt {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> levelsFolders(const LevelsFolderChoice& choice, std::size_t most)
{
    std::vector<fs::path> folders;
    for (FoundLevelsFolder& found : choice.folders(most))
        folders.push_back(std::move(found.path));
    return folders;
}

} // namespace

int listLevelsFolders(const LevelsFolderChoice& choice, std::ostream& out)
{
    const std::vector<fs::path> folders = levelsFolders(choice, std::numeric_limits<std::size_t>::max());
    for (const fs::path& folder : folders)
        out << folder.string() << '\n';
    return folders.empty() ? 1 : 0;
}

int showSlots(const LevelsFolderChoice& choice, std::ostream& out, std::ostream& errors)
{
    const std::vector<fs::path> folders = levelsFolders(choice, 1);
    const FileSystemService files(folders.empty() ? std::nullopt : std::optional(folders.front()));
    if (!files.hasFolder()) {
        errors << (choice.namedFolder ? namedFolderMissingMessage(choice.namedFolder->string())
                                      : std::string(levelsFolderMissingMessage))
               << '\n';
        return 1;
    }
    for (const LevelSlot& slot : levelSlots)
        out << slot.levelNumber << ": " << identifySlot(files, slot).describe() << '\n';
    return 0;
}

} // namespace varnholt
