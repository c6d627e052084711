// SPDX-License-Identifier: MIT
#include "recordfile.h"

#include <fstream>

namespace varnholt {

namespace fs = std::filesystem;

std::optional<std::size_t> readRecordInto(
    const fs::path& file, std::size_t limit, std::string& buffer, std::string& why)
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
        why = error ? error.message() : recordTooLarge(limit);
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

} // namespace varnholt
