// SPDX-License-Identifier: MIT
#include "platformfiles.h"

#include "temporaryname.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace varnholt::platform {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void failFromErrno(const std::string& what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

constexpr mode_t writeBits = S_IWUSR | S_IWGRP | S_IWOTH;

StepHook stepHook = nullptr;

// Whether a test's hook fails this step; errno then says how.
bool failsHere(const char* step)
{
    const int error = stepHook != nullptr ? stepHook(step) : 0;
    errno = error;
    return error != 0;
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

// Copies in chunks and starts writing each one to disk while the next is copied, so
// that the flush before the rename has little left to wait for.
constexpr std::size_t chunkSize = std::size_t{8} << 20;

void copyContent(int source, int destination, const std::string& what)
{
    // The kernel copies without passing the bytes through us where it can.
    for (off_t done = 0;;) {
        const ssize_t copied = failsHere("write") ? -1 : ::copy_file_range(source, nullptr, destination, nullptr, chunkSize, 0);
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
            failFromErrno(what);
        break;
    }
    std::array<char, std::size_t{1} << 16> buffer{};
    for (;;) {
        const ssize_t got = ::read(source, buffer.data(), buffer.size());
        if (got == 0)
            return;
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            failFromErrno(what);
        for (ssize_t written = 0; written < got;) {
            const ssize_t put = ::write(destination, buffer.data() + written, static_cast<std::size_t>(got - written));
            if (put < 0 && errno != EINTR)
                failFromErrno(what);
            written += put > 0 ? put : 0;
        }
    }
}

} // namespace

std::optional<EntryStatus> entryStatus(const fs::path& path)
{
    struct stat status {};
    if (failsHere("look up") || ::lstat(path.c_str(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return std::nullopt;
        failFromErrno("cannot look up " + path.string());
    }
    return EntryStatus{S_ISLNK(status.st_mode), S_ISDIR(status.st_mode),
                       !S_ISLNK(status.st_mode) && (status.st_mode & writeBits) == 0};
}

void setReadOnly(const fs::path& path, bool readOnly)
{
    struct stat status {};
    if (failsHere("look up") || ::lstat(path.c_str(), &status) != 0)
        failFromErrno("cannot look up " + path.string());
    const mode_t mode = status.st_mode & 07777;
    mode_t newMode = mode & ~writeBits;
    if (!readOnly) {
        const mode_t umask = ::umask(0);
        ::umask(umask);
        newMode = (mode & writeBits) != 0 ? mode : mode | (((mode & (S_IRUSR | S_IRGRP | S_IROTH)) >> 1) & ~umask);
    }
    if (newMode != mode && (failsHere("change mode") || ::chmod(path.c_str(), newMode) != 0))
        failFromErrno("cannot change the mode of " + path.string());
}

void TemporaryCopy::write(const fs::path& source, const fs::path& folder)
{
    FileDescriptor input(failsHere("open") ? -1 : ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (input.get() < 0)
        failFromErrno("cannot open " + source.string());
    struct stat sourceStatus {};
    if (::fstat(input.get(), &sourceStatus) != 0)
        failFromErrno("cannot look up " + source.string());
    if (!S_ISREG(sourceStatus.st_mode))
        throw std::system_error(std::make_error_code(std::errc::invalid_argument), source.string() + " is not a file");

    std::string pattern = (folder / temporaryPrefix).string();
    pattern.append(temporaryRandomLength, 'X');
    pattern += temporarySuffix;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    FileDescriptor output(failsHere("create temporary") ? -1
                                                        : ::mkostemps(name.data(), static_cast<int>(temporarySuffix.size()), O_CLOEXEC));
    if (output.get() < 0)
        failFromErrno("cannot create a temporary file in " + folder.string());
    m_path = name.data();

    copyContent(input.get(), output.get(), "cannot copy " + source.string());
    // Like the copies the game's own platform makes, a copy carries the source's permissions.
    if (failsHere("set mode") || ::fchmod(output.get(), sourceStatus.st_mode & 07777) != 0)
        failFromErrno("cannot set the mode of " + m_path.string());
    struct stat folderStatus {};
    if (::geteuid() == 0 && ::stat(folder.c_str(), &folderStatus) == 0) {
        // Run through sudo, the player's folder keeps its owner.
        (void)::fchown(output.get(), folderStatus.st_uid, folderStatus.st_gid);
    }
    if (failsHere("flush") || ::fsync(output.get()) != 0)
        failFromErrno("cannot flush " + m_path.string());
    output.close("cannot write " + m_path.string());
}

void TemporaryCopy::discard() noexcept
{
    if (!m_path.empty())
        ::unlink(m_path.c_str());
}

void TemporaryCopy::commitReplacing(const fs::path& destination)
{
    if (failsHere("rename") || ::rename(m_path.c_str(), destination.c_str()) != 0)
        failFromErrno("cannot replace " + destination.string());
    m_committed = true;
}

void TemporaryCopy::commitAsNew(const fs::path& destination)
{
    if (!failsHere("rename") && ::renameat2(AT_FDCWD, m_path.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0) {
        m_committed = true;
        return;
    }
    if (errno != EINVAL && errno != ENOSYS)
        failFromErrno("cannot create " + destination.string());
    // This file system cannot rename without replacing; a hard link never replaces either.
    if (failsHere("link") || ::link(m_path.c_str(), destination.c_str()) != 0)
        failFromErrno("cannot create " + destination.string());
    m_committed = true;
    ::unlink(m_path.c_str());
}

void flushFolder(const fs::path& folder)
{
    // Some file systems cannot flush a folder; the rename has happened all the same.
    FileDescriptor directory(failsHere("flush folder") ? -1 : ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.get() >= 0)
        (void)::fsync(directory.get());
}

void setStepHook(StepHook hook)
{
    stepHook = hook;
}

} // namespace varnholt::platform
