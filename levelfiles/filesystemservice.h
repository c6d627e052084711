// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace varnholt {

// Attribute bits as the game sees them.
inline constexpr int readOnlyAttribute = 1;
inline constexpr int directoryAttribute = 0x10;
inline constexpr int archiveAttribute = 0x20;

// An entry of the levels folder found by a look-up, under the name it really has there.
struct FileRecord {
    std::string name;
};

// The file services the level file operations work through, bound to one levels folder.
//
// Names are bare names inside that folder, resolved as the game resolves them: the exact
// name first, otherwise the one entry whose name differs only in letter case. Two entries
// that both differ only in case from the name, with no exact match, make the name
// ambiguous and the operation fails rather than guess.
//
// Every failure throws std::system_error. Nothing outside the folder is ever read or
// written: a symbolic link in the folder is replaced as a link, never followed. A file
// under its final name is always either as it was or completely replaced, because every
// copy goes to a flushed temporary file first and is then renamed into place.
class FileSystemService {
public:
    // Without a folder (the levels folder could not be entered) every operation fails.
    explicit FileSystemService(std::optional<std::filesystem::path> levelsFolder);

    // Copies source whole to destination. Fails when the source does not exist. Without
    // overwrite, fails when the destination exists in any letter case and never replaces
    // it; with overwrite, fails when the existing destination is read-only.
    void copyFile(std::string_view source, std::string_view destination, bool overwrite);

    // Each copy is complete on disk before it takes its name, so a crash leaves every file
    // either as it was or completely replaced. This makes the renames themselves durable.
    void flushFolder() const;

    // Fails when no entry has that name.
    [[nodiscard]] FileRecord getFile(std::string_view name) const;

    // True when an entry has that name in any letter case.
    [[nodiscard]] bool fileExists(std::string_view name) const;

    // Only the read-only bit can be changed. A symbolic link is never read-only, and
    // what it points at is never changed.
    [[nodiscard]] int attributes(const FileRecord& file) const;
    void setAttributes(const FileRecord& file, int attributes);

    // Removes the temporary files that a killed run left in the folder.
    void removeLeftoverTemporaries();

private:
    [[nodiscard]] const std::filesystem::path& folder() const;
    [[nodiscard]] std::optional<std::string> resolve(std::string_view name) const;
    [[nodiscard]] std::filesystem::path pathOf(std::string_view entryName) const;

    std::optional<std::filesystem::path> m_folder;
};

} // namespace varnholt
