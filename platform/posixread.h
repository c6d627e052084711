// SPDX-License-Identifier: MIT
#pragma once

#include <cerrno>
#include <cstddef>
#include <unistd.h>

namespace varnholt::platform {

// Reads until `size` bytes are there or the file ends, reading again where a signal
// interrupted a read. Returns how many bytes were read, or -1 with errno set.
inline ssize_t readFully(int descriptor, char* data, std::size_t size)
{
    std::size_t got = 0;
    while (got < size) {
        const ssize_t part = ::read(descriptor, data + got, size - got);
        if (part < 0 && errno == EINTR)
            continue;
        if (part < 0)
            return -1;
        if (part == 0)
            break;
        got += static_cast<std::size_t>(part);
    }
    return static_cast<ssize_t>(got);
}

} // namespace varnholt::platform
