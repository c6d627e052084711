// SPDX-License-Identifier: MIT
#pragma once

#include "filesystemservice.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

namespace varnholt {

// The three operations that do all of the program's work on disk, one slot file at a
// time. None of them reports failure to its caller: each appends its own outcome line
// to the activity log, except a failed backup, which stays silent.
class LevelFileOperations {
public:
    using LogLineWriter = std::function<void(std::string_view line)>;

    explicit LevelFileOperations(LogLineWriter appendLogLine);
    ~LevelFileOperations();
    LevelFileOperations(const LevelFileOperations&) = delete;
    LevelFileOperations& operator=(const LevelFileOperations&) = delete;

    // The folder every name is resolved in; none until the levels folder was entered.
    void setLevelsFolder(std::optional<std::filesystem::path> folder);

    // Backs up a slot file once: an existing backup is never replaced.
    void copymplevl(std::string_view mplevlname);

    // Overwrites the slot file with the single-player level file.
    void copysplevl(std::string_view splevlname, std::string_view mplevlname);

    // Puts the slot file back from its backup. The backup stays.
    void restoremplevl(std::string_view mplevlname);

    // Makes the overwrites and restores done so far durable, once for a whole batch; a
    // crash before it may leave some of them undone, but never a file half-written.
    void flush();

    // Silently removes what a killed run left half-done in the levels folder.
    void removeLeftovers();

private:
    FileSystemService& fileSystem();
    // Of the slot file last looked up, keeping every other attribute.
    void clearReadOnly();
    void backUp(std::string_view mplevlname);

    LogLineWriter m_appendLogLine;
    std::optional<std::filesystem::path> m_levelsFolder;
    std::unique_ptr<FileSystemService> m_fileSystem;
    std::optional<FileRecord> m_currentFile;
};

} // namespace varnholt
