// SPDX-License-Identifier: MIT
#pragma once

#include "openlevelsfolder.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace varnholt {

// One file of a slot to be overwritten: the single-player level file and the slot file.
struct SlotFileCopy {
    std::string levelFile;
    std::string slotFile;
};

// The three operations that do all of the program's work on disk, one slot file at a
// time, and the same for all files of a slot together. None of them reports failure to
// its caller: each appends its own outcome line to the activity log, except a failed
// backup, which stays silent. Why something failed goes to the reason writer, which
// writes to standard error unless told otherwise.
// Where reasons go when no writer is given: "varnholt: " and the line, on standard error.
void writeToStandardError(std::string_view line);

class LevelFileOperations {
public:
    using LogLineWriter = std::function<void(std::string_view line)>;

    explicit LevelFileOperations(LogLineWriter appendLogLine, LogLineWriter writeReason = {});
    ~LevelFileOperations();
    LevelFileOperations(const LevelFileOperations&) = delete;
    LevelFileOperations& operator=(const LevelFileOperations&) = delete;

    // The folder every name is resolved in, held open from now on; none until the levels
    // folder was entered. Names keep meaning what they meant in the folder opened here,
    // even when the folder is renamed or replaced later.
    void setLevelsFolder(const std::optional<std::filesystem::path>& folder);

    // Takes the program's lock on the levels folder, for as long as it stays set. False
    // when another Varnholt is working in it; the folder is then let go of, so that every
    // operation fails without touching anything.
    [[nodiscard]] bool lockLevelsFolder();

    // Backs up a slot file once: an existing backup is never replaced.
    void backUpSlotFile(std::string_view slotFile);

    // Overwrites the files of one slot with a single-player level's, or puts them back
    // from their backups (which stay), all at once, so that a slot never holds the files
    // of two levels: every copy is made complete first, and only when all are ready do
    // they take their places. When one cannot be made, none does, and each file of the
    // slot gets its failure line, in order.
    void overwriteSlot(std::span<const SlotFileCopy> files);
    void restoreSlot(std::span<const std::string> slotFiles);

    // Makes the overwrites and restores done so far durable, once for a whole batch; a
    // crash before it may leave some of them undone, but never a file half-written.
    // False, with the reason written, when that failed.
    bool flush();

    // Silently removes what a killed run left half-done in the levels folder.
    void removeLeftovers();

    // Writes a reason where every file operation writes its own.
    void writeReason(std::string_view line) const { m_writeReason(line); }

    // The files of the levels folder, for reading; none without a folder.
    [[nodiscard]] const OpenLevelsFolder* levelsFolder() const;

    // Why the folder set last could not be opened, as the system said it.
    [[nodiscard]] std::error_code whyNoLevelsFolder() const;

private:
    struct Replacement;
    OpenLevelsFolder& fileSystem();
    void backUp(std::string_view slotFile);
    // Takes the slot file's backup unless a regular file is its backup already; says
    // whether one was taken now.
    bool ensureBackup(std::string_view slotFile);
    void replaceTogether(std::span<Replacement> files);
    void reason(std::string_view file, const std::exception& error);

    LogLineWriter m_appendLogLine;
    LogLineWriter m_writeReason;
    std::optional<std::filesystem::path> m_levelsFolder;
    std::unique_ptr<OpenLevelsFolder> m_fileSystem;
};

} // namespace varnholt
