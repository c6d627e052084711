// SPDX-License-Identifier: MIT
#pragma once

#include "platform/platformfiles.h"

#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace varnholt {

// An entry of the levels folder found by a look-up, under the name it really has there.
struct FoundEntry {
    std::string name;
    platform::EntryStatus status;
};

// A complete copy of a file, flushed under a temporary name, waiting to take its place.
using PreparedCopy = std::unique_ptr<platform::TemporaryCopy>;

// One levels folder, held open while this lives, and the file services the level file
// operations work through there.
//
// Names are bare names inside that folder, resolved as the game resolves them: the exact
// name first, otherwise the one entry whose name differs only in letter case. Two entries
// that both differ only in case from the name, with no exact match, make the name
// ambiguous and the operation fails rather than guess.
//
// Every failure throws std::system_error (an ambiguous name: AmbiguousName). Nothing
// outside the folder is ever read or written: a symbolic link in the folder is replaced
// as a link, never followed, and only regular files are ever opened. A file under its
// final name is always either as it was or completely replaced, because every copy goes
// to a flushed temporary file first and is then renamed into place.
class OpenLevelsFolder {
public:
    // Without a folder, or one that cannot be opened, every operation fails.
    explicit OpenLevelsFolder(const std::optional<std::filesystem::path>& levelsFolder);

    [[nodiscard]] bool hasFolder() const { return m_folder != nullptr; }

    // Why there is no folder, as the system said it when opening it; nothing with a folder.
    [[nodiscard]] std::error_code whyNoFolder() const { return m_whyNoFolderCode; }

    // Whether this user may create files in the folder; false without a folder.
    [[nodiscard]] bool folderAcceptsNewFiles() const;

    // Takes the program's lock on the folder for as long as this lives; false
    // when another Varnholt holds it.
    [[nodiscard]] bool lockFolder();

    // Copies source whole to a new file, destination. Fails when the source is not a
    // regular file, and when the destination exists in any letter case: it is never
    // replaced. (Replacing goes through prepareCopy and commitReplacing.)
    void copyToNewFile(std::string_view source, std::string_view destination);

    // The first half of a copy: the source's content complete on disk, under a temporary
    // name. Committing it replaces the destination in one rename.
    [[nodiscard]] PreparedCopy prepareCopy(std::string_view source) const;
    void commitReplacing(PreparedCopy& copy, const FoundEntry& destination) const;

    // Each copy is complete on disk before it takes its name, so a crash leaves every file
    // either as it was or completely replaced. This makes the renames themselves durable.
    void flushFolder() const;

    // Fails when no entry has that name.
    [[nodiscard]] FoundEntry getFile(std::string_view name) const;

    // The entry the name means, in any letter case; nothing when there is none. A name
    // that is not a plain file name never names an entry.
    [[nodiscard]] std::optional<FoundEntry> findFile(std::string_view name) const;

    // True when an entry has that name in any letter case.
    [[nodiscard]] bool fileExists(std::string_view name) const;

    // Every entry of the folder, by name.
    [[nodiscard]] std::vector<std::string> names() const;

    // Fails when the entry is a folder, which no rename of a file can replace, or when it
    // is read-only and this user could not make it writable; the replacing rename then
    // needs no change to the old file at all. Checked before any file of a slot is
    // replaced, so that a slot is never left half-replaced by a rename bound to fail.
    static void requireReplaceable(const FoundEntry& file);

    // The content of a regular file, up to a limit; fails on anything else or a larger file.
    [[nodiscard]] std::string readFile(std::string_view name, std::size_t limit) const;

    // Removes the temporary files that a killed run left in the folder.
    void removeLeftoverTemporaries() const;

private:
    [[nodiscard]] const platform::Folder& folder() const;

    std::unique_ptr<platform::Folder> m_folder;
    std::exception_ptr m_whyNoFolder; // what every operation fails with while there is no folder
    std::error_code m_whyNoFolderCode;
};

} // namespace varnholt
