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

namespace {

using Kind = RecordProblem::Kind;

void failed(RecordProblem& problem, Kind kind, std::string why, int error = 0)
{
    problem
        = { kind, error != 0 ? std::error_code(error, std::generic_category()) : std::error_code(), std::move(why) };
}

void failedOnErrno(RecordProblem& problem)
{
    const int error = errno;
    failed(problem, error == ENOENT ? Kind::NoSuchFile : Kind::Unreadable,
        error == ENOENT ? "no such file" : std::strerror(error), error);
}

} // namespace

std::optional<std::size_t> readRecordInto(
    const fs::path& file, std::size_t limit, std::string& buffer, RecordProblem& problem)
{
    // A look first, so that nothing but a regular file is ever opened: opening a FIFO
    // would wait for a writer, and a device may do anything. The open itself does not
    // wait either, and what it opened is checked again.
    struct stat before { };
    if (::stat(file.c_str(), &before) != 0) {
        failedOnErrno(problem);
        return std::nullopt;
    }
    if (!S_ISREG(before.st_mode)) {
        failed(problem, Kind::NotARegularFile, "not a regular file");
        return std::nullopt;
    }
    if (static_cast<std::uintmax_t>(before.st_size) > limit) {
        failed(problem, Kind::TooLarge, recordTooLarge(limit));
        return std::nullopt;
    }
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0) {
        failedOnErrno(problem);
        return std::nullopt;
    }
    std::optional<std::size_t> done;
    struct stat opened { };
    if (::fstat(descriptor, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        failed(problem, Kind::NotARegularFile, "not a regular file");
    } else {
        // One byte past what there should be: a file that grew meanwhile is passed over.
        // The buffer only grows, so reading many records costs no fresh memory each.
        const std::size_t wanted = std::min(static_cast<std::size_t>(opened.st_size), limit) + 1;
        if (buffer.size() < wanted)
            buffer.resize(wanted);
        const ssize_t got = platform::readFully(descriptor, buffer.data(), wanted);
        if (got < 0)
            failedOnErrno(problem);
        else if (static_cast<std::size_t>(got) == wanted)
            failed(problem, wanted > limit ? Kind::TooLarge : Kind::Unreadable,
                wanted > limit ? recordTooLarge(limit) : "grew while it was read");
        else
            done = static_cast<std::size_t>(got);
    }
    ::close(descriptor);
    return done;
}

} // namespace varnholt
