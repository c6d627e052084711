// SPDX-License-Identifier: MIT
#include "commandline.h"

#include "levelfiles/slotcontents.h"

namespace varnholt {

int listLevelsFolders(const LevelsFolderChoice& choice, std::ostream& out, std::ostream& notes, bool verbose)
{
    const SearchTrace trace = [&](const std::filesystem::path& place, std::string_view outcome) {
        out << place.string() << ": " << outcome << '\n';
    };
    const std::vector<FoundLevelsFolder> folders
        = choice.folders(std::numeric_limits<std::size_t>::max(), verbose ? trace : SearchTrace());
    if (verbose && choice.namedFolder)
        out << choice.namedFolder->string() << ": " << (folders.empty() ? "no such folder" : "named, used") << '\n';
    for (const FoundLevelsFolder& folder : folders) {
        if (!verbose)
            out << folder.path.string() << '\n';
    }
    if (!folders.empty()) {
        for (const std::filesystem::path& copy : folders.front().copies)
            notes << levelsCopyWarning(folders.front().path.string(), copy.string()) << '\n';
    }
    return folders.empty() ? 1 : 0;
}

int showSlots(const LevelsFolderChoice& choice, std::ostream& out, std::ostream& errors)
{
    const std::vector<FoundLevelsFolder> folders = choice.folders(1);
    const FileSystemService files(folders.empty() ? std::nullopt : std::optional(folders.front().path));
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
