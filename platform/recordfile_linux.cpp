// SPDX-License-Identifier: MIT
#include "recordfile.h"

#include "posixread.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varnholt {

namespace fs = std::filesystem;

std::optional<std::size_t> readRecordInto(
    const fs::path& file, std::size_t limit, std::string& buffer, std::string& why)
{
    // A look first, so that nothing but a regular file is ever opened: opening a FIFO
    // would wait for a writer, and a device may do anything. The open itself does not
    // wait either, and what it opened is checked again.
    struct stat before { };
    if (::stat(file.c_str(), &before) != 0) {
        why = errno == ENOENT ? "no such file" : std::strerror(errno);
        return std::nullopt;
    }
    if (!S_ISREG(before.st_mode)) {
        why = "not a regular file";
        return std::nullopt;
    }
    if (static_cast<std::uintmax_t>(before.st_size) > limit) {
        why = recordTooLarge(limit);
        return std::nullopt;
    }
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0) {
        why = std::strerror(errno);
        return std::nullopt;
    }
    std::optional<std::size_t> done;
    struct stat opened { };
    if (::fstat(descriptor, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        why = "not a regular file";
    } else {
        // One byte past what there should be: a file that grew meanwhile is passed over.
        // The buffer only grows, so reading many records costs no fresh memory each.
        const std::size_t wanted = std::min(static_cast<std::size_t>(opened.st_size), limit) + 1;
        if (buffer.size() < wanted)
            buffer.resize(wanted);
        const ssize_t got = platform::readFully(descriptor, buffer.data(), wanted);
        if (got < 0)
            why = std::strerror(errno);
        else if (static_cast<std::size_t>(got) == wanted)
            why = wanted > limit ? recordTooLarge(limit) : "grew while it was read";
        else
            done = static_cast<std::size_t>(got);
    }
    ::close(descriptor);
    return done;
}

} // namespace varnholt
