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

#ifdef _WIN32

std::optional<std::size_t> readInto(const fs::path& file, std::size_t limit, std::string& buffer, std::string& why)
{
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (!fs::exists(status)) {
        why = "no such file";
        return std::nullopt;
    }
    if (!fs::is_regular_file(status)) {
        why = "not a regular file";
        return std::nullopt;
    }
    const std::uintmax_t size = fs::file_size(file, error);
    if (error || size > limit) {
        why = error ? error.message() : tooLarge(limit);
        return std::nullopt;
    }
    if (buffer.size() < size)
        buffer.resize(static_cast<std::size_t>(size));
    std::ifstream in(file, std::ios::binary);
    if (!in.read(buffer.data(), static_cast<std::streamsize>(size))) {
        why = "cannot be read";
        return std::nullopt;
    }
    return static_cast<std::size_t>(size);
}

#else

std::optional<std::size_t> readInto(const fs::path& file, std::size_t limit, std::string& buffer, std::string& why)
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
        why = tooLarge(limit);
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
        // Read to the limit and one byte past it: a file that grew meanwhile is too large.
        // The buffer only grows, so reading many records costs no fresh memory each.
        const std::size_t wanted = std::min(static_cast<std::size_t>(opened.st_size), limit) + 1;
        if (buffer.size() < wanted)
            buffer.resize(wanted);
        std::size_t got = 0;
        for (;;) {
            if (got == buffer.size())
                buffer.resize(std::min(buffer.size() * 2, limit + 1));
            const ssize_t read = ::read(descriptor, buffer.data() + got, std::min(buffer.size(), limit + 1) - got);
            if (read < 0 && errno == EINTR)
                continue;
            if (read < 0) {
                why = std::strerror(errno);
                break;
            }
            got += static_cast<std::size_t>(read);
            if (read == 0 || got > limit) {
                if (got > limit)
                    why = tooLarge(limit);
                else
                    done = got;
                break;
            }
        }
    }
    ::close(descriptor);
    return done;
}

#endif

} // namespace

RecordFile readRecordFile(const fs::path& file, std::size_t limit)
{
    std::string text;
    std::string why;
    const std::optional<std::size_t> length = readInto(file, limit, text, why);
    if (!length)
        return problem(std::move(why));
    text.resize(*length);
    return { std::move(text), {} };
}

RecordView RecordReader::read(const fs::path& file, std::size_t limit)
{
    RecordView record;
    if (const std::optional<std::size_t> length = readInto(file, limit, m_buffer, record.problem))
        record.text = std::string_view(m_buffer.data(), *length);
    return record;
}

} // namespace varnholt
