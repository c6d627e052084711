// SPDX-License-Identifier: MIT
// Arguments and paths on Linux: bytes, as the system has them.
#include "processio.h"

namespace varnholt::platform {

std::vector<std::string> commandLineArguments(int argc, const char* const argv[])
{
    return { argv + (argc > 0 ? 1 : 0), argv + argc };
}

std::filesystem::path pathFromArgument(std::string_view argument)
{
    return std::filesystem::path(std::string(argument));
}

std::string argumentOf(const std::filesystem::path& path)
{
    return path.native();
}

bool connectToParentConsole()
{
    return false; // a terminal's streams reach the program as they are
}

} // namespace varnholt::platform
