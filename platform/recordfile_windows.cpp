// SPDX-License-Identifier: MIT
#include "recordfile.h"

#include <fstream>

namespace varnholt {

namespace fs = std::filesystem;

std::optional<std::size_t> readRecordInto(
    const fs::path& file, std::size_t limit, std::string& buffer, RecordProblem& problem)
{
    using Kind = RecordProblem::Kind;
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (!fs::exists(status)) {
        // A look that failed on anything but a missing file is the system's reason.
        problem = status.type() == fs::file_type::not_found || !error
            ? RecordProblem { Kind::NoSuchFile, std::make_error_code(std::errc::no_such_file_or_directory),
                  "no such file" }
            : RecordProblem { Kind::Unreadable, error, error.message() };
        return std::nullopt;
    }
    if (!fs::is_regular_file(status)) {
        problem = { Kind::NotARegularFile, {}, "not a regular file" };
        return std::nullopt;
    }
    const std::uintmax_t size = fs::file_size(file, error);
    if (error || size > limit) {
        problem = error ? RecordProblem { Kind::Unreadable, error, error.message() }
                        : RecordProblem { Kind::TooLarge, {}, recordTooLarge(limit) };
        return std::nullopt;
    }
    if (buffer.size() < size)
        buffer.resize(static_cast<std::size_t>(size));
    std::ifstream in(file, std::ios::binary);
    if (!in.read(buffer.data(), static_cast<std::streamsize>(size))) {
        problem = { Kind::Unreadable, {}, "cannot be read" };
        return std::nullopt;
    }
    return static_cast<std::size_t>(size);
}

} // namespace varnholt
