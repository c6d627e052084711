// SPDX-License-Identifier: MIT
// The file primitives on Linux, where the game runs under Wine. Every name is taken
// relative to the open levels folder's descriptor.
#include "platformfiles.h"

#include "platformsteps.h"
#include "posixread.h"
#include "temporaryname.h"

#include <array>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace varnholt::platform {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void failFromErrno(Step step, const std::string& what)
{
    throw std::system_error(errno, std::generic_category(), std::string(nameOf(step)) + ": " + what);
}

// Whether a test's hook fails this step; errno then says how.
bool failsHere(Step step)
{
    const int error = injectedFailure(step);
    errno = error;
    return error != 0;
}

constexpr mode_t writeBits = S_IWUSR | S_IWGRP | S_IWOTH;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    {
    }
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
            failFromErrno(Step::Write, what);
    }

private:
    int m_fd;
};

int folderDescriptor(const Folder& folder)
{
    return static_cast<int>(folder.native());
}

// Copies in chunks and starts writing each one to disk while the next is copied, so
// that the flush before the rename has little left to wait for.
constexpr std::size_t chunkSize = std::size_t { 8 } << 20;

void copyContent(int source, int destination, const std::string& what)
{
    // The kernel copies without passing the bytes through us where it can.
    for (off_t done = 0;;) {
        const ssize_t copied
            = failsHere(Step::Write) ? -1 : ::copy_file_range(source, nullptr, destination, nullptr, chunkSize, 0);
        if (copied == 0)
            return;
        if (copied > 0) {
            (void)::sync_file_range(destination, done, copied, SYNC_FILE_RANGE_WRITE);
            done += copied;
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)
            failFromErrno(Step::Write, what);
        break;
    }
    std::array<char, std::size_t { 1 } << 16> buffer {};
    for (;;) {
        const ssize_t got = readFully(source, buffer.data(), buffer.size());
        if (got == 0)
            return;
        if (got < 0)
            failFromErrno(Step::Write, what);
        for (ssize_t written = 0; written < got;) {
            const ssize_t put = ::write(destination, buffer.data() + written, static_cast<std::size_t>(got - written));
            if (put < 0 && errno != EINTR)
                failFromErrno(Step::Write, what);
            written += put > 0 ? put : 0;
        }
    }
}

} // namespace

Folder::Folder(const fs::path& path)
    : m_path(path)
{
    m_native = failsHere(Step::OpenFolder) ? -1 : ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_native < 0)
        failFromErrno(Step::OpenFolder, path.string());
    // A folder that may be listed but not entered (no search permission) opens all the
    // same, and then no file in it could be reached: it counts as not opened.
    if (::faccessat(static_cast<int>(m_native), ".", X_OK, AT_EACCESS) != 0) {
        const int error = errno;
        ::close(static_cast<int>(m_native));
        errno = error;
        failFromErrno(Step::OpenFolder, path.string());
    }
}

Folder::~Folder()
{
    // Closing the descriptor also lets go of the lock.
    ::close(static_cast<int>(m_native));
}

std::optional<EntryStatus> Folder::status(std::string_view name) const
{
    const std::string entry(name);
    struct stat status { };
    if (failsHere(Step::LookUp)
        || ::fstatat(static_cast<int>(m_native), entry.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return std::nullopt;
        failFromErrno(Step::LookUp, entry);
    }
    const EntryType type = S_ISREG(status.st_mode) ? EntryType::File
        : S_ISDIR(status.st_mode)                  ? EntryType::Directory
        : S_ISLNK(status.st_mode)                  ? EntryType::Link
                                                   : EntryType::Other;
    // Root may change any file's mode; anyone else only their own files'.
    return EntryStatus { type, type != EntryType::Link && (status.st_mode & writeBits) == 0,
        ::geteuid() == 0 || status.st_uid == ::geteuid(), static_cast<std::uint64_t>(status.st_size) };
}

std::vector<std::string> Folder::names() const
{
    // A descriptor of its own, so that reading the entries moves no shared position.
    const int listing = failsHere(Step::ListFolder)
        ? -1
        : ::openat(static_cast<int>(m_native), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* directory = listing < 0 ? nullptr : ::fdopendir(listing);
    if (directory == nullptr) {
        const int error = errno;
        if (listing >= 0)
            ::close(listing);
        errno = error;
        failFromErrno(Step::ListFolder, m_path.string());
    }
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(directory)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    const int error = errno;
    ::closedir(directory);
    if (error != 0) {
        errno = error;
        failFromErrno(Step::ListFolder, m_path.string());
    }
    return names;
}

void Folder::flush() const
{
    if (failsHere(Step::FlushFolder) || ::fsync(static_cast<int>(m_native)) != 0) {
        // Some file systems cannot flush a folder at all; their renames are as durable as they get.
        if (errno != EINVAL && errno != EROFS && errno != EOPNOTSUPP)
            failFromErrno(Step::FlushFolder, m_path.string());
    }
}

void Folder::removeFile(std::string_view name) const noexcept
{
    const std::string entry(name);
    if (!failsHere(Step::Remove))
        (void)::unlinkat(static_cast<int>(m_native), entry.c_str(), 0);
}

bool Folder::acceptsNewFiles() const
{
    const std::string name = randomTemporaryName();
    const int probe = ::openat(
        static_cast<int>(m_native), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (probe < 0)
        return errno != EACCES && errno != EPERM && errno != EROFS;
    ::close(probe);
    removeFile(name);
    return true;
}

bool Folder::tryLock()
{
    // A lock on the folder's own descriptor: no lock file appears in the game's folder.
    // A file system without locks (some network shares) cannot keep two runs apart.
    return ::flock(static_cast<int>(m_native), LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}

namespace {

// Opens a regular file of the folder for reading. The type comes first: opening a FIFO
// or a device could wait, or do something.
int openRegularFile(int folder, const std::string& name, struct stat& status)
{
    struct stat before { };
    if (failsHere(Step::LookUp) || ::fstatat(folder, name.c_str(), &before, AT_SYMLINK_NOFOLLOW) != 0)
        failFromErrno(Step::LookUp, name);
    if (!S_ISREG(before.st_mode))
        throw std::system_error(
            std::make_error_code(std::errc::invalid_argument), "open: " + name + " is not a regular file");
    const int fd = failsHere(Step::Open)
        ? -1
        : ::openat(folder, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        failFromErrno(Step::Open, name);
    // Still the same regular file, not one swapped in between.
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_ino != before.st_ino
        || status.st_dev != before.st_dev) {
        ::close(fd);
        throw std::system_error(
            std::make_error_code(std::errc::invalid_argument), "open: " + name + " changed while it was opened");
    }
    return fd;
}

} // namespace

std::string Folder::read(std::string_view name, std::size_t limit) const
{
    const std::string entry(name);
    struct stat status { };
    const FileDescriptor input(openRegularFile(static_cast<int>(m_native), entry, status));
    if (static_cast<std::uint64_t>(status.st_size) > limit)
        throw std::system_error(
            std::make_error_code(std::errc::file_too_large), "open: " + entry + " is larger than expected");
    std::string content(static_cast<std::size_t>(status.st_size), '\0');
    const ssize_t got = readFully(input.get(), content.data(), content.size());
    if (got < 0)
        failFromErrno(Step::Open, entry);
    content.resize(static_cast<std::size_t>(got));
    return content;
}

void TemporaryCopy::write(std::string_view source)
{
    const int folder = folderDescriptor(m_folder);
    const std::string sourceName(source);
    struct stat sourceStatus { };
    const FileDescriptor input(openRegularFile(folder, sourceName, sourceStatus));

    int created = -1;
    while (created < 0) {
        std::string name = randomTemporaryName();
        created = failsHere(Step::CreateTemporary)
            ? -1
            : ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (created >= 0)
            m_name = std::move(name);
        else if (errno != EEXIST)
            failFromErrno(Step::CreateTemporary, "a temporary file in " + m_folder.path().string());
    }
    FileDescriptor output(created);

    copyContent(input.get(), output.get(), sourceName + " to " + m_name);
    // Like the copies the game's own platform makes, a copy carries the source's permissions.
    if (failsHere(Step::SetMode) || ::fchmod(output.get(), sourceStatus.st_mode & 07777) != 0)
        failFromErrno(Step::SetMode, m_name);
    struct stat folderStatus { };
    // Run through sudo, the player's folder keeps its owner. Where that cannot be done
    // (a file system without owners), the copy is as good all the same.
    if (::geteuid() == 0 && ::fstat(folder, &folderStatus) == 0
        && ::fchown(output.get(), folderStatus.st_uid, folderStatus.st_gid) != 0) {
        errno = 0;
    }
    if (failsHere(Step::Flush) || ::fsync(output.get()) != 0)
        failFromErrno(Step::Flush, m_name);
    output.close(m_name);
}

void TemporaryCopy::commitReplacing(std::string_view destination)
{
    // The old entry goes as a whole, so its mode need not be touched: a hard link to it
    // elsewhere keeps its content and its mode.
    const int folder = folderDescriptor(m_folder);
    const std::string target(destination);
    if (failsHere(Step::Rename) || ::renameat(folder, m_name.c_str(), folder, target.c_str()) != 0)
        failFromErrno(Step::Rename, "over " + target);
    m_committed = true;
}

void TemporaryCopy::commitAsNew(std::string_view destination)
{
    const int folder = folderDescriptor(m_folder);
    const std::string target(destination);
    if (!failsHere(Step::Rename)
        && ::renameat2(folder, m_name.c_str(), folder, target.c_str(), RENAME_NOREPLACE) == 0) {
        m_committed = true;
        return;
    }
    if (errno != EINVAL && errno != ENOSYS)
        failFromErrno(Step::Rename, "to the new " + target);
    // This file system cannot rename without replacing; a hard link never replaces either.
    if (failsHere(Step::Link) || ::linkat(folder, m_name.c_str(), folder, target.c_str(), 0) != 0)
        failFromErrno(Step::Link, "to the new " + target);
    m_committed = true;
    m_folder.removeFile(m_name);
}

} // namespace varnholt::platform
