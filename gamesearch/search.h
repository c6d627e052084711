// SPDX-License-Identifier: MIT
#pragma once

#include "gamesearch.h"
#include "platform/recordfile.h"
#include "windowssystem.h"

#include <unordered_map>
#include <unordered_set>

namespace varnholt {

// Where the game's installer puts the levels, below Program Files (or a copy of them
// below %LocalAppData% or its VirtualStore).
inline constexpr std::string_view installedLevels = R"(Bullfrog\Populous\levels)";

// A levels folder holds at least one of the twelve slot files.
bool holdsASlotFile(const std::filesystem::path& folder);

// What one search has found so far, and what it has looked at, so that nothing is
// looked at twice however many records name it.
class Search {
public:
    Search(std::size_t most, const SearchTrace& trace);

    [[nodiscard]] bool done() const { return m_found.size() >= m_most; }

    // Tells the trace about a place, when there is one.
    void note(const std::filesystem::path& place, std::string_view outcome) const;
    // A record that is there but cannot be read, and why.
    void noteUnreadable(const std::filesystem::path& record, std::string_view why) const;
    // A launcher's record (of a few KiB), or nothing, with the reason told to the trace;
    // read once a search, however often it is asked for.
    [[nodiscard]] std::optional<std::string> readRecord(const std::filesystem::path& file) const;

    // A folder a record or a known place names as the levels folder. The default
    // installation's folder counts as it is; any other only when it is named "levels" and
    // holds a slot file. The system it was found in tells where its copies may be.
    void offerLevelsFolder(
        const std::filesystem::path& folder, const WindowsSystem* system = nullptr, bool isDefault = false);
    // The game's own folder: its "levels" subfolder.
    void offerGameFolder(const std::filesystem::path& gameFolder, const WindowsSystem* system = nullptr);

    // True the first time a prefix (or Steam folder, or library) is met, however named.
    bool firstVisit(const std::filesystem::path& place);

    // The per-user copies in a system, offered after everything else.
    void keepCopiesOf(const WindowsSystem& system);
    void offerCopies();

    [[nodiscard]] std::vector<FoundLevelsFolder> take() { return std::move(m_found); }

    // The one buffer every registry file of this search is read into.
    RecordReader& recordReader() { return m_recordReader; }

private:
    std::vector<FoundLevelsFolder> m_found;
    std::size_t m_most;
    const SearchTrace& m_trace;
    std::unordered_set<std::string> m_seenFolders;
    std::unordered_set<std::string> m_visited;
    std::unordered_set<std::string> m_gameFolders;
    mutable std::unordered_map<std::string, std::optional<std::string>> m_records;
    std::vector<std::filesystem::path> m_copies;
    RecordReader m_recordReader;
};

// The copies of the levels, holding slot files, in each user's local application data
// of a system: the working copy some community builds make before an online match, and
// the VirtualStore where Windows redirects a 32-bit program's writes to Program Files.
std::vector<std::filesystem::path> levelsCopiesIn(const WindowsSystem& system);

} // namespace varnholt
