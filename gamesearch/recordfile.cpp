// SPDX-License-Identifier: MIT
#include "recordfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#ifdef _WIN32
#include <fstream>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace varnholt {
namespace {

namespace fs = std::filesystem;

RecordFile problem(std::string reason)
{
    return { std::nullopt, std::move(reason) };
}

std::string tooLarge(std::size_t limit)
{
    return "larger than " + std::to_string(limit) + " bytes";
}

} // namespace

#ifdef _WIN32

RecordFile readRecordFile(const fs::path& file, std::size_t limit)
{
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (!fs::exists(status))
        return problem("no such file");
    if (!fs::is_regular_file(status))
        return problem("not a regular file");
    const std::uintmax_t size = fs::file_size(file, error);
    if (error)
        return problem(error.message());
    if (size > limit)
        return problem(tooLarge(limit));
    std::ifstream in(file, std::ios::binary);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (!in.read(text.data(), static_cast<std::streamsize>(size)))
        return problem("cannot be read");
    return { std::move(text), {} };
}

#else

RecordFile readRecordFile(const fs::path& file, std::size_t limit)
{
    // A look first, so that nothing but a regular file is ever opened: opening a FIFO
    // would wait for a writer, and a device may do anything. The open itself does not
    // wait either, and what it opened is checked again.
    struct stat before { };
    if (::stat(file.c_str(), &before) != 0)
        return problem(errno == ENOENT ? "no such file" : std::strerror(errno));
    if (!S_ISREG(before.st_mode))
        return problem("not a regular file");
    if (static_cast<std::uintmax_t>(before.st_size) > limit)
        return problem(tooLarge(limit));
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0)
        return problem(std::strerror(errno));
    RecordFile record;
    struct stat opened { };
    if (::fstat(descriptor, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        record.problem = "not a regular file";
    } else {
        // Read to the limit and one byte past it: a file that grew meanwhile is too large.
        std::string text(std::min(static_cast<std::size_t>(opened.st_size), limit) + 1, '\0');
        std::size_t done = 0;
        for (;;) {
            if (done == text.size())
                text.resize(std::min(text.size() * 2, limit + 1));
            const ssize_t got = ::read(descriptor, text.data() + done, text.size() - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                record.problem = std::strerror(errno);
                break;
            }
            done += static_cast<std::size_t>(got);
            if (got == 0 || done > limit)
                break;
        }
        if (record.problem.empty() && done > limit)
            record.problem = tooLarge(limit);
        else if (record.problem.empty())
            record.text = text.substr(0, done);
    }
    ::close(descriptor);
    return record;
}

#endif

} // namespace varnholt
