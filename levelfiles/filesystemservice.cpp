// SPDX-License-Identifier: MIT
#include "filesystemservice.h"

#include "entryname.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace varnholt {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view temporaryPrefix = ".varnholt-";
constexpr std::string_view temporarySuffix = ".tmp";
constexpr std::size_t temporaryRandomLength = 6; // the XXXXXX of mkstemps

[[noreturn]] void fail(std::errc code, const std::string& what)
{
    throw std::system_error(std::make_error_code(code), what);
}

[[noreturn]] void failFromErrno(const std::string& what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

bool isReadOnlyMode(mode_t mode)
{
    return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

std::optional<struct stat> statWithoutFollowing(const fs::path& path)
{
    struct stat status {};
    if (::lstat(path.c_str(), &status) == 0)
        return status;
    if (errno == ENOENT)
        return std::nullopt;
    failFromErrno("cannot look up " + path.string());
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    [[nodiscard]] int get() const { return m_fd; }
    // Closes now, so that a late write error is not lost.
    void close(const std::string& what)
    {
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0)
            failFromErrno(what);
    }

private:
    int m_fd;
};

// A file in the levels folder that receives a copy before it is renamed into place.
// Until it is committed, it is removed again whatever happens.
class TemporaryFile {
public:
    explicit TemporaryFile(const fs::path& folder)
    {
        std::string pattern = (folder / temporaryPrefix).string();
        pattern.append(temporaryRandomLength, 'X');
        pattern += temporarySuffix;
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        const int fd = ::mkostemps(name.data(), static_cast<int>(temporarySuffix.size()), O_CLOEXEC);
        if (fd < 0)
            failFromErrno("cannot create a temporary file in " + folder.string());
        m_path = name.data();
        m_fd = fd;
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_committed)
            ::unlink(m_path.c_str());
    }

    [[nodiscard]] int fd() const { return m_fd; }
    [[nodiscard]] const fs::path& path() const { return m_path; }

    // Makes the content durable before the file may stand under a final name.
    void flushAndClose()
    {
        if (::fsync(m_fd) != 0)
            failFromErrno("cannot flush " + m_path.string());
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0)
            failFromErrno("cannot close " + m_path.string());
    }

    // Replaces whatever entry stands under the destination name, a symbolic link as a link.
    void renameOver(const fs::path& destination)
    {
        if (::rename(m_path.c_str(), destination.c_str()) != 0)
            failFromErrno("cannot replace " + destination.string());
        m_committed = true;
    }

    // Gives the file the destination name only if no entry has it yet.
    void renameToNew(const fs::path& destination)
    {
        if (::renameat2(AT_FDCWD, m_path.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0) {
            m_committed = true;
            return;
        }
        if (errno != EINVAL && errno != ENOSYS)
            failFromErrno("cannot create " + destination.string());
        // The file system cannot rename without replacing; a hard link never replaces either.
        if (::link(m_path.c_str(), destination.c_str()) != 0)
            failFromErrno("cannot create " + destination.string());
        ::unlink(m_path.c_str());
        m_committed = true;
    }

private:
    fs::path m_path;
    int m_fd = -1;
    bool m_committed = false;
};

void copyContent(int source, int destination, const std::string& what)
{
    // The kernel copies without passing the bytes through us where it can.
    bool kernelCopy = true;
    while (kernelCopy) {
        const ssize_t copied = ::copy_file_range(source, nullptr, destination, nullptr, 1 << 30, 0);
        if (copied == 0)
            return;
        if (copied > 0)
            continue;
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)
            failFromErrno(what);
        kernelCopy = false;
    }
    std::array<char, 1 << 16> buffer{};
    for (;;) {
        const ssize_t got = ::read(source, buffer.data(), buffer.size());
        if (got == 0)
            return;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            failFromErrno(what);
        }
        for (ssize_t written = 0; written < got;) {
            const ssize_t put = ::write(destination, buffer.data() + written,
                                        static_cast<std::size_t>(got - written));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                failFromErrno(what);
            }
            written += put;
        }
    }
}

mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

} // namespace

FileSystemService::FileSystemService(std::optional<fs::path> levelsFolder)
    : m_folder(std::move(levelsFolder)), m_umask(currentUmask())
{
}

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
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos
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
    if (destinationName && (attributes(FileRecord{*destinationName}) & readOnlyAttribute) != 0)
        fail(std::errc::permission_denied, *destinationName + " is read-only");

    const fs::path sourcePath = pathOf(*sourceName);
    FileDescriptor input(::open(sourcePath.c_str(), O_RDONLY | O_CLOEXEC));
    if (input.get() < 0)
        failFromErrno("cannot open " + sourcePath.string());
    struct stat sourceStatus {};
    if (::fstat(input.get(), &sourceStatus) != 0)
        failFromErrno("cannot look up " + sourcePath.string());
    if (!S_ISREG(sourceStatus.st_mode))
        fail(std::errc::invalid_argument, sourcePath.string() + " is not a file");

    TemporaryFile copy(folder());
    copyContent(input.get(), copy.fd(), "cannot copy " + sourcePath.string());
    // Like the game's own platform, a copy carries the source's permissions.
    if (::fchmod(copy.fd(), sourceStatus.st_mode & 07777) != 0)
        failFromErrno("cannot set the mode of " + copy.path().string());
    if (::geteuid() == 0) {
        // Run with sudo, keep the player's own folder owned by the player.
        struct stat folderStatus {};
        if (::stat(folder().c_str(), &folderStatus) == 0)
            (void)::fchown(copy.fd(), folderStatus.st_uid, folderStatus.st_gid);
    }
    copy.flushAndClose();
    input.close("cannot close " + sourcePath.string());

    if (destinationName)
        copy.renameOver(pathOf(*destinationName));
    else if (overwrite)
        copy.renameOver(pathOf(destination));
    else
        copy.renameToNew(pathOf(destination));
    flushFolder();
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
        // Two entries that differ only in case: one of them is there all the same.
        if (error.code() == std::errc::invalid_argument && !name.empty())
            return true;
        throw;
    }
}

int FileSystemService::attributes(const FileRecord& file) const
{
    const fs::path path = pathOf(file.name);
    const std::optional<struct stat> status = statWithoutFollowing(path);
    if (!status)
        fail(std::errc::no_such_file_or_directory, "no file " + path.string());
    if (S_ISLNK(status->st_mode))
        return archiveAttribute;
    const int kind = S_ISDIR(status->st_mode) ? directoryAttribute : archiveAttribute;
    return kind | (isReadOnlyMode(status->st_mode) ? readOnlyAttribute : 0);
}

void FileSystemService::setAttributes(const FileRecord& file, int attributes)
{
    const fs::path path = pathOf(file.name);
    const std::optional<struct stat> status = statWithoutFollowing(path);
    if (!status)
        fail(std::errc::no_such_file_or_directory, "no file " + path.string());
    if (S_ISLNK(status->st_mode))
        return; // a link has no mode of its own, and its target is not ours to change

    const mode_t mode = status->st_mode & 07777;
    const bool wantReadOnly = (attributes & readOnlyAttribute) != 0;
    mode_t newMode = mode;
    if (wantReadOnly)
        newMode = mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    else if (isReadOnlyMode(mode))
        newMode = mode | (((mode & (S_IRUSR | S_IRGRP | S_IROTH)) >> 1) & ~m_umask);
    if (newMode != mode && ::chmod(path.c_str(), newMode) != 0)
        failFromErrno("cannot change the mode of " + path.string());
}

bool FileSystemService::isTemporaryName(std::string_view name)
{
    if (name.size() != temporaryPrefix.size() + temporaryRandomLength + temporarySuffix.size()
        || !name.starts_with(temporaryPrefix) || !name.ends_with(temporarySuffix))
        return false;
    const std::string_view random = name.substr(temporaryPrefix.size(), temporaryRandomLength);
    return std::all_of(random.begin(), random.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    });
}

void FileSystemService::removeLeftoverTemporaries()
{
    std::error_code error;
    std::vector<fs::path> leftovers;
    for (fs::directory_iterator it(folder(), error), end; !error && it != end; it.increment(error)) {
        if (isTemporaryName(it->path().filename().string()) && it->is_regular_file(error)
            && !it->is_symlink(error))
            leftovers.push_back(it->path());
    }
    for (const fs::path& leftover : leftovers)
        ::unlink(leftover.c_str());
}

void FileSystemService::flushFolder() const
{
    // Makes the rename itself durable. Some file systems cannot flush a folder; the
    // rename has happened all the same, so that is no failure of the copy.
    FileDescriptor directory(::open(folder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.get() >= 0)
        (void)::fsync(directory.get());
}

} // namespace varnholt
