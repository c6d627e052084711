// SPDX-License-Identifier: MIT
#include "filesystemservice.h"

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

FileSystemService::FileSystemService(const std::optional<fs::path>& levelsFolder)
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

const platform::Folder& FileSystemService::folder() const
{
    if (!m_folder)
        std::rethrow_exception(m_whyNoFolder);
    return *m_folder;
}

bool FileSystemService::folderAcceptsNewFiles() const
{
    return m_folder != nullptr && m_folder->acceptsNewFiles();
}

bool FileSystemService::lockFolder()
{
    return m_folder != nullptr && m_folder->tryLock();
}

std::optional<FileRecord> FileSystemService::findFile(std::string_view name) const
{
    // Only bare names: nothing may reach outside the folder.
    if (!isPlainFileName(name))
        return std::nullopt;
    // The exact name is the usual case: one look-up gives both the entry and its status.
    if (const std::optional<platform::EntryStatus> exact = folder().status(name))
        return FileRecord { std::string(name), *exact };
    std::optional<std::string> found = resolveEntryName(folder(), name);
    if (!found)
        return std::nullopt;
    const std::optional<platform::EntryStatus> status = folder().status(*found);
    if (!status)
        return std::nullopt; // gone in between
    return FileRecord { std::move(*found), *status };
}

FileRecord FileSystemService::getFile(std::string_view name) const
{
    std::optional<FileRecord> found = findFile(name);
    if (!found)
        fail(std::errc::no_such_file_or_directory, "no file " + std::string(name));
    return std::move(*found);
}

bool FileSystemService::fileExists(std::string_view name) const
{
    try {
        return findFile(name).has_value();
    } catch (const AmbiguousName&) {
        return true; // several entries differ from the name only in case: one of them is there all the same
    }
}

std::vector<std::string> FileSystemService::names() const
{
    return folder().names();
}

void FileSystemService::requireReplaceable(const FileRecord& file)
{
    if (file.status.type == platform::EntryType::Directory)
        fail(std::errc::is_a_directory, file.name + " is a folder, which no file can replace");
    // A symbolic link is never read-only, and what it points at is never changed.
    if (file.status.readOnly && !file.status.mayClearReadOnly)
        fail(std::errc::permission_denied, file.name + " is read-only, and not this user's to make writable");
}

PreparedCopy FileSystemService::prepareCopy(std::string_view source) const
{
    return std::make_unique<platform::TemporaryCopy>(folder(), getFile(source).name);
}

void FileSystemService::commitReplacing(PreparedCopy& copy, const FileRecord& destination) const
{
    copy->commitReplacing(destination.name);
}

void FileSystemService::copyToNewFile(std::string_view source, std::string_view destination)
{
    if (!isPlainFileName(destination) || fileExists(destination))
        fail(std::errc::file_exists, std::string(destination) + " exists already");
    prepareCopy(source)->commitAsNew(destination);
}

void FileSystemService::flushFolder() const
{
    folder().flush();
}

std::string FileSystemService::readFile(std::string_view name, std::size_t limit) const
{
    return folder().read(getFile(name).name, limit);
}

void FileSystemService::removeLeftoverTemporaries() const
{
    for (const std::string& name : folder().names()) {
        const std::optional<platform::EntryStatus> status
            = isTemporaryName(name) ? folder().status(name) : std::nullopt;
        if (status && status->type == platform::EntryType::File)
            folder().removeFile(name);
    }
}

} // namespace varnholt
