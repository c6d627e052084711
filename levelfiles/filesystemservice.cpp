// SPDX-License-Identifier: MIT
#include "filesystemservice.h"

#include "entryname.h"
#include "platformfiles.h"
#include "temporaryname.h"

#include <system_error>
#include <vector>

namespace varnholt {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void fail(std::errc code, const std::string& what)
{
    throw std::system_error(std::make_error_code(code), what);
}

platform::EntryStatus statusOf(const fs::path& path)
{
    const std::optional<platform::EntryStatus> status = platform::entryStatus(path);
    if (!status)
        fail(std::errc::no_such_file_or_directory, "no file " + path.string());
    return *status;
}

} // namespace

FileSystemService::FileSystemService(std::optional<fs::path> levelsFolder) : m_folder(std::move(levelsFolder)) {}

const fs::path& FileSystemService::folder() const
{
    if (!m_folder)
        fail(std::errc::no_such_file_or_directory, "the levels folder could not be entered");
    return *m_folder;
}

fs::path FileSystemService::pathOf(std::string_view entryName) const
{
    return folder() / fs::path(entryName);
}

std::optional<std::string> FileSystemService::resolve(std::string_view name) const
{
    // Only bare names: nothing may reach outside the folder.
    if (name.empty() || name == "." || name == ".." || name.find_first_of("/\\:") != std::string_view::npos
        || name.find('\0') != std::string_view::npos)
        fail(std::errc::invalid_argument, "not a bare file name: " + std::string(name));
    return resolveEntryName(folder(), name);
}

void FileSystemService::copyFile(std::string_view source, std::string_view destination, bool overwrite)
{
    const std::optional<std::string> sourceName = resolve(source);
    if (!sourceName)
        fail(std::errc::no_such_file_or_directory, "no file " + std::string(source));
    const std::optional<std::string> destinationName = resolve(destination);
    if (destinationName && !overwrite)
        fail(std::errc::file_exists, *destinationName + " exists already");
    if (destinationName && statusOf(pathOf(*destinationName)).readOnly)
        fail(std::errc::permission_denied, *destinationName + " is read-only");

    platform::TemporaryCopy copy(pathOf(*sourceName), folder());
    if (!overwrite)
        copy.commitAsNew(pathOf(destination));
    else
        copy.commitReplacing(pathOf(destinationName ? *destinationName : destination));
}

void FileSystemService::flushFolder() const
{
    platform::flushFolder(folder());
}

FileRecord FileSystemService::getFile(std::string_view name) const
{
    std::optional<std::string> found = resolve(name);
    if (!found)
        fail(std::errc::no_such_file_or_directory, "no file " + std::string(name));
    return FileRecord{std::move(*found)};
}

bool FileSystemService::fileExists(std::string_view name) const
{
    try {
        return resolve(name).has_value();
    } catch (const std::system_error& error) {
        // Several entries differ from the name only in case: one of them is there all the same.
        if (error.code() == std::errc::invalid_argument && !name.empty())
            return true;
        throw;
    }
}

int FileSystemService::attributes(const FileRecord& file) const
{
    const platform::EntryStatus status = statusOf(pathOf(file.name));
    return (status.isDirectory ? directoryAttribute : archiveAttribute) | (status.readOnly ? readOnlyAttribute : 0);
}

void FileSystemService::setAttributes(const FileRecord& file, int attributes)
{
    const fs::path path = pathOf(file.name);
    // A link is replaced as a whole; what it points at, outside the folder, is not ours to change.
    if (!statusOf(path).isLink)
        platform::setReadOnly(path, (attributes & readOnlyAttribute) != 0);
}

void FileSystemService::removeLeftoverTemporaries()
{
    std::error_code error;
    std::vector<fs::path> leftovers;
    for (fs::directory_iterator it(folder(), error), end; !error && it != end; it.increment(error)) {
        if (isTemporaryName(it->path().filename().string()) && it->is_regular_file(error) && !it->is_symlink(error))
            leftovers.push_back(it->path());
    }
    for (const fs::path& leftover : leftovers)
        fs::remove(leftover, error);
}

} // namespace varnholt
