// SPDX-License-Identifier: MIT
#include "search.h"

#include "catalogue/levelcatalogue.h"
#include "folderpaths.h"
#include "platform/entryname.h"

namespace varnholt {

namespace fs = std::filesystem;

bool holdsASlotFile(const fs::path& folder)
{
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        for (const LevelSlot& slot : levelSlots) {
            for (const std::string_view extension : levelFileExtensions) {
                if (equalIgnoringCase(name, levelFileName(slot.levelNumber, extension)))
                    return true;
            }
        }
    }
    return false;
}

std::vector<fs::path> levelsCopiesIn(const WindowsSystem& system)
{
    std::vector<fs::path> copies;
    for (const fs::path& local : system.localAppDataFolders()) {
        for (const std::string_view below :
            { "", R"(VirtualStore\Program Files (x86)\)", R"(VirtualStore\Program Files\)" }) {
            std::optional<fs::path> folder
                = followWindowsPath(local, std::string(below) + std::string(installedLevels));
            if (folder && holdsASlotFile(*folder))
                copies.push_back(resolvedPath(*folder));
        }
    }
    return copies;
}

Search::Search(std::size_t most, const SearchTrace& trace)
    : m_most(most)
    , m_trace(trace)
{
}

void Search::note(const fs::path& place, std::string_view outcome) const
{
    if (m_trace)
        m_trace(place, outcome);
}

void Search::offerGameFolder(const fs::path& gameFolder, const WindowsSystem* system)
{
    if (done() || !m_gameFolders.insert(sameFolderKey(gameFolder)).second)
        return; // looked at once, however many records name it
    if (const std::optional<fs::path> levels = subfolder(gameFolder, "levels"))
        offerLevelsFolder(*levels, system);
    else
        note(gameFolder / "levels", isFolder(gameFolder) ? "no levels folder" : "no such folder");
}

void Search::offerLevelsFolder(const fs::path& folder, const WindowsSystem* system, bool isDefault)
{
    if (done())
        return;
    if (!isFolder(folder)) {
        note(folder, "no such folder");
        return;
    }
    if (!isDefault && !equalIgnoringCase(folder.filename().string(), "levels")) {
        note(folder, "not a folder named levels");
        return;
    }
    if (!isDefault && !holdsASlotFile(folder)) {
        note(folder, "folder holds no slot file");
        return;
    }
    fs::path absolute = resolvedPath(folder);
    const std::string key = sameFolderKey(absolute);
    if (!m_seenFolders.insert(key).second) {
        note(folder, "found again");
        return;
    }
    note(folder, isDefault ? "found: the default installation" : "found");
    FoundLevelsFolder found { std::move(absolute), isDefault, false, {} };
    if (system != nullptr) {
        // A "copy" that is this very folder, through a link, is no second place the game
        // may read.
        for (fs::path& copy : levelsCopiesIn(*system)) {
            if (sameFolderKey(copy) != key)
                found.copies.push_back(std::move(copy));
        }
    }
    m_found.push_back(std::move(found));
}

void Search::noteUnreadable(const fs::path& record, std::string_view why) const
{
    note(record, "record unreadable: " + std::string(why));
}

std::optional<std::string> Search::readRecord(const fs::path& file) const
{
    // Read once a search, however many places name the file (through links included);
    // what it held, or that it held nothing, is kept for the others.
    std::string key = sameFolderKey(file);
    if (const auto read = m_records.find(key); read != m_records.end())
        return read->second;
    RecordFile record = readRecordFile(file);
    if (record.problem.kind == RecordProblem::Kind::NoSuchFile)
        note(file, record.problem.why);
    else if (!record.text)
        noteUnreadable(file, record.problem.why);
    m_records.emplace(std::move(key), record.text);
    return std::move(record.text);
}

bool Search::firstVisit(const fs::path& place)
{
    return m_visited.insert(sameFolderKey(place)).second;
}

void Search::keepCopiesOf(const WindowsSystem& system)
{
    if (done())
        return;
    for (fs::path& copy : levelsCopiesIn(system))
        m_copies.push_back(std::move(copy));
}

void Search::offerCopies()
{
    for (const fs::path& copy : m_copies) {
        if (done())
            return;
        if (!m_seenFolders.insert(sameFolderKey(copy)).second)
            continue;
        note(copy, "found: a copy of the levels that the game may read instead of its installation's");
        m_found.push_back({ resolvedPath(copy), false, true, {} });
    }
}

} // namespace varnholt
