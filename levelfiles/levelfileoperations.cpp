// SPDX-License-Identifier: MIT
#include "levelfileoperations.h"

#include "catalogue/levelcatalogue.h"

#include <exception>
#include <string>

namespace varnholt {
namespace {

std::string joined(std::string_view first, std::string_view second, std::string_view third = {})
{
    std::string line(first);
    line += second;
    line += third;
    return line;
}

} // namespace

LevelFileOperations::LevelFileOperations(LogLineWriter appendLogLine)
    : m_appendLogLine(std::move(appendLogLine))
{
}

LevelFileOperations::~LevelFileOperations() = default;

void LevelFileOperations::setLevelsFolder(std::optional<std::filesystem::path> folder)
{
    m_levelsFolder = std::move(folder);
    m_fileSystem.reset();
    m_currentFile.reset();
}

FileSystemService& LevelFileOperations::fileSystem()
{
    if (!m_fileSystem)
        m_fileSystem = std::make_unique<FileSystemService>(m_levelsFolder);
    return *m_fileSystem;
}

void LevelFileOperations::backUp(std::string_view mplevlname)
{
    fileSystem().copyFile(mplevlname, backupFileName(mplevlname), false);
    // Durable at once: an overwrite of the slot must never outlive a crash that its backup did not.
    fileSystem().flushFolder();
    m_appendLogLine(joined(mplevlname, " multiplayer level backed up"));
}

void LevelFileOperations::copymplevl(std::string_view mplevlname)
{
    try {
        backUp(mplevlname);
    } catch (const std::exception&) {
        // A backup that cannot be taken now is taken before the slot is first overwritten.
    }
}

void LevelFileOperations::clearReadOnly()
{
    FileSystemService& files = fileSystem();
    if ((files.attributes(*m_currentFile) & readOnlyAttribute) != 0)
        files.setAttributes(*m_currentFile, files.attributes(*m_currentFile) - readOnlyAttribute);
}

void LevelFileOperations::copysplevl(std::string_view splevlname, std::string_view mplevlname)
{
    try {
        m_currentFile = fileSystem().getFile(mplevlname);
        // The multiplayer level must never be overwritten while its only copy is the slot
        // file itself: take the backup first if start-up could not.
        if (!fileSystem().fileExists(backupFileName(mplevlname)))
            backUp(mplevlname);
        clearReadOnly();
        fileSystem().copyFile(splevlname, m_currentFile->name, true);
        m_appendLogLine(joined(splevlname, " copied to ", mplevlname));
    } catch (const std::exception&) {
        m_appendLogLine(joined(splevlname, " copied to ", joined(mplevlname, " *** FAILED ***")));
    }
}

void LevelFileOperations::restoremplevl(std::string_view mplevlname)
{
    try {
        m_currentFile = fileSystem().getFile(mplevlname);
        clearReadOnly();
        fileSystem().copyFile(backupFileName(mplevlname), m_currentFile->name, true);
        m_appendLogLine(joined(mplevlname, " restored"));
    } catch (const std::exception&) {
        m_appendLogLine(joined(mplevlname, " restore *** FAILED ***"));
    }
}

void LevelFileOperations::flush()
{
    try {
        fileSystem().flushFolder();
    } catch (const std::exception&) {
        // Without a folder there is nothing to make durable.
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
