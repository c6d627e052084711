// SPDX-License-Identifier: MIT
#include "levelfileoperations.h"

#include "catalogue/levelcatalogue.h"

#include <exception>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

namespace varnholt {
namespace {

std::string joined(std::string_view first, std::string_view second, std::string_view third = {})
{
    std::string line(first);
    line += second;
    line += third;
    return line;
}

std::string backedUpLine(std::string_view slotFile)
{
    return joined(slotFile, " multiplayer level backed up");
}

} // namespace

void writeToStandardError(std::string_view line)
{
    std::cerr << "varnholt: " << line << '\n';
}

// One slot file to be replaced, with what to log for it.
struct LevelFileOperations::Replacement {
    std::string_view source;
    std::string_view slotFile;
    std::string successLine;
    std::string failureLine;
    bool backupFirst;
};

LevelFileOperations::LevelFileOperations(LogLineWriter appendLogLine, LogLineWriter writeReason)
    : m_appendLogLine(std::move(appendLogLine))
    , m_writeReason(writeReason ? std::move(writeReason) : LogLineWriter(writeToStandardError))
{
}

LevelFileOperations::~LevelFileOperations() = default;

void LevelFileOperations::setLevelsFolder(const std::optional<std::filesystem::path>& folder)
{
    m_levelsFolder = folder;
    m_fileSystem.reset();
    if (folder)
        fileSystem(); // opened now, so that later renames of the folder do not matter
}

bool LevelFileOperations::lockLevelsFolder()
{
    if (fileSystem().lockFolder())
        return true;
    setLevelsFolder(std::nullopt);
    return false;
}

OpenLevelsFolder& LevelFileOperations::fileSystem()
{
    if (!m_fileSystem)
        m_fileSystem = std::make_unique<OpenLevelsFolder>(m_levelsFolder);
    return *m_fileSystem;
}

const OpenLevelsFolder* LevelFileOperations::levelsFolder() const
{
    return m_fileSystem && m_fileSystem->hasFolder() ? m_fileSystem.get() : nullptr;
}

std::error_code LevelFileOperations::whyNoLevelsFolder() const
{
    return m_fileSystem ? m_fileSystem->whyNoFolder() : std::make_error_code(std::errc::no_such_file_or_directory);
}

void LevelFileOperations::reason(std::string_view file, const std::exception& error)
{
    m_writeReason(joined(file, ": ", error.what()));
}

void LevelFileOperations::backUp(std::string_view slotFile)
{
    fileSystem().copyToNewFile(slotFile, backupFileName(slotFile));
    // Durable at once: an overwrite of the slot must never outlive a crash that its
    // backup did not. A backup that could not be flushed does not count as taken.
    fileSystem().flushFolder();
}

void LevelFileOperations::backUpSlotFile(std::string_view slotFile)
{
    try {
        backUp(slotFile);
        m_appendLogLine(backedUpLine(slotFile));
    } catch (const std::system_error& error) {
        // A backup that cannot be taken now is taken before the slot is first overwritten.
        // One that exists, or a slot file that does not, is the usual case: no reason.
        if (error.code() != std::errc::file_exists && error.code() != std::errc::no_such_file_or_directory)
            reason(slotFile, error);
    } catch (const std::exception& error) {
        reason(slotFile, error);
    }
}

bool LevelFileOperations::ensureBackup(std::string_view slotFile)
{
    // The multiplayer level must never be overwritten while its only copy is the slot
    // file itself: take the backup first if start-up could not.
    const std::string backupName = backupFileName(slotFile);
    const std::optional<FoundEntry> backup = fileSystem().findFile(backupName);
    if (!backup) {
        backUp(slotFile);
        return true;
    }
    if (backup->status.type != platform::EntryType::File)
        throw std::system_error(std::make_error_code(std::errc::invalid_argument),
            backup->name + " is not a regular file, so it is no backup");
    return false;
}

void LevelFileOperations::replaceTogether(std::span<Replacement> files)
{
    std::vector<bool> backedUp(files.size(), false);
    std::vector<FoundEntry> slots;
    std::vector<PreparedCopy> copies;
    const auto logFile = [&](std::size_t i, bool succeeded) {
        if (backedUp[i])
            m_appendLogLine(backedUpLine(files[i].slotFile));
        m_appendLogLine(succeeded ? files[i].successLine : files[i].failureLine);
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        try {
            slots.push_back(fileSystem().getFile(files[i].slotFile));
            if (files[i].backupFirst)
                backedUp[i] = ensureBackup(files[i].slotFile);
            OpenLevelsFolder::requireReplaceable(slots.back());
            copies.push_back(fileSystem().prepareCopy(files[i].source));
        } catch (const std::exception& error) {
            reason(files[i].slotFile, error);
            for (std::size_t other = 0; other < files.size(); ++other) {
                if (other != i)
                    m_writeReason(joined(files[other].slotFile, ": left as it was, with the rest of its slot"));
                logFile(other, false);
            }
            return; // the prepared copies go with their temporary files
        }
    }
    // Everything is on disk: now one rename per file, with nothing in between that could fail.
    for (std::size_t i = 0; i < files.size(); ++i) {
        try {
            fileSystem().commitReplacing(copies[i], slots[i]);
            logFile(i, true);
        } catch (const std::exception& error) {
            reason(files[i].slotFile, error);
            logFile(i, false);
        }
    }
}

void LevelFileOperations::overwriteSlot(std::span<const SlotFileCopy> files)
{
    std::vector<Replacement> replacements;
    for (const SlotFileCopy& file : files)
        replacements.push_back({ file.levelFile, file.slotFile, joined(file.levelFile, " copied to ", file.slotFile),
            joined(file.levelFile, " copied to ", joined(file.slotFile, " *** FAILED ***")), true });
    replaceTogether(replacements);
}

void LevelFileOperations::restoreSlot(std::span<const std::string> slotFiles)
{
    std::vector<std::string> backups;
    backups.reserve(slotFiles.size()); // the replacements point into it
    std::vector<Replacement> replacements;
    for (const std::string& slotFile : slotFiles) {
        backups.push_back(backupFileName(slotFile));
        replacements.push_back({ backups.back(), slotFile, joined(slotFile, " restored"),
            joined(slotFile, " restore *** FAILED ***"), false });
    }
    replaceTogether(replacements);
}

bool LevelFileOperations::flush()
{
    if (!levelsFolder())
        return true; // without a folder there is nothing to make durable
    try {
        fileSystem().flushFolder();
        return true;
    } catch (const std::exception& error) {
        reason("the levels folder", error);
        return false;
    }
}

void LevelFileOperations::removeLeftovers()
{
    try {
        fileSystem().removeLeftoverTemporaries();
    } catch (const std::exception&) {
        // Leftovers are harmless; the folder may simply not be there.
    }
}

} // namespace varnholt
