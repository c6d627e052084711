// SPDX-License-Identifier: MIT
#include "openlevelsfolder.h"

#include "platform/entryname.h"
#include "platform/temporaryname.h"

#include <exception>
#include <system_error>

namespace varnholt {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void fail(std::errc code, const std::string& what)
{
    throw std::system_error(std::make_error_code(code), what);
}

} // namespace

OpenLevelsFolder::OpenLevelsFolder(const std::optional<fs::path>& levelsFolder)
{
    if (!levelsFolder) {
        m_whyNoFolderCode = std::make_error_code(std::errc::no_such_file_or_directory);
        m_whyNoFolder = std::make_exception_ptr(std::system_error(m_whyNoFolderCode, "no levels folder"));
        return;
    }
    try {
        m_folder = std::make_unique<platform::Folder>(*levelsFolder);
    } catch (const std::system_error& error) {
        m_whyNoFolderCode = error.code();
        m_whyNoFolder = std::current_exception(); // the operations fail one by one, as without a folder, and say why
    }
}

const platform::Folder& OpenLevelsFolder::folder() const
{
    if (!m_folder)
        std::rethrow_exception(m_whyNoFolder);
    return *m_folder;
}

bool OpenLevelsFolder::folderAcceptsNewFiles() const
{
    return m_folder != nullptr && m_folder->acceptsNewFiles();
}

bool OpenLevelsFolder::lockFolder()
{
    return m_folder != nullptr && m_folder->tryLock();
}

std::optional<FoundEntry> OpenLevelsFolder::findFile(std::string_view name) const
{
    // Only bare names: nothing may reach outside the folder.
    if (!isPlainFileName(name))
        return std::nullopt;
    // The exact name is the usual case: one look-up gives both the entry and its status.
    if (const std::optional<platform::EntryStatus> exact = folder().status(name))
        return FoundEntry { std::string(name), *exact };
    std::optional<std::string> found = resolveEntryName(folder(), name);
    if (!found)
        return std::nullopt;
    const std::optional<platform::EntryStatus> status = folder().status(*found);
    if (!status)
        return std::nullopt; // gone in between
    return FoundEntry { std::move(*found), *status };
}

FoundEntry OpenLevelsFolder::getFile(std::string_view name) const
{
    std::optional<FoundEntry> found = findFile(name);
    if (!found)
        fail(std::errc::no_such_file_or_directory, "no file " + std::string(name));
    return std::move(*found);
}

bool OpenLevelsFolder::fileExists(std::string_view name) const
{
    try {
        return findFile(name).has_value();
    } catch (const AmbiguousName&) {
        return true; // several entries differ from the name only in case: one of them is there all the same
    }
}

std::vector<std::string> OpenLevelsFolder::names() const
{
    return folder().names();
}

void OpenLevelsFolder::requireReplaceable(const FoundEntry& file)
{
    if (file.status.type == platform::EntryType::Directory)
        fail(std::errc::is_a_directory, file.name + " is a folder, which no file can replace");
    // A symbolic link is never read-only, and what it points at is never changed.
    if (file.status.readOnly && !file.status.mayClearReadOnly)
        fail(std::errc::permission_denied, file.name + " is read-only, and not this user's to make writable");
}

PreparedCopy OpenLevelsFolder::prepareCopy(std::string_view source) const
{
    return std::make_unique<platform::TemporaryCopy>(folder(), getFile(source).name);
}

void OpenLevelsFolder::commitReplacing(PreparedCopy& copy, const FoundEntry& destination) const
{
    copy->commitReplacing(destination.name);
}

void OpenLevelsFolder::copyToNewFile(std::string_view source, std::string_view destination)
{
    if (!isPlainFileName(destination) || fileExists(destination))
        fail(std::errc::file_exists, std::string(destination) + " exists already");
    prepareCopy(source)->commitAsNew(destination);
}

void OpenLevelsFolder::flushFolder() const
{
    folder().flush();
}

std::string OpenLevelsFolder::readFile(std::string_view name, std::size_t limit) const
{
    return folder().read(getFile(name).name, limit);
}

void OpenLevelsFolder::removeLeftoverTemporaries() const
{
    for (const std::string& name : folder().names()) {
        const std::optional<platform::EntryStatus> status
            = isTemporaryName(name) ? folder().status(name) : std::nullopt;
        if (status && status->type == platform::EntryType::File)
            folder().removeFile(name);
    }
}

} // namespace varnholt
