// SPDX-License-Identifier: MIT
#pragma once

// The program's arguments and standard streams, as each system has them.
//
// A path goes from the command line to the file system and back to standard output
// without a lossy conversion: on Linux as the bytes the system gives and takes, whatever
// their encoding; on Windows as UTF-8, converted to and from the system's wide characters.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt::platform {

// The arguments after the program's name. On Linux argv's bytes; on Windows the wide
// command line in UTF-8, since argv holds it in the code page, which loses characters.
std::vector<std::string> commandLineArguments(int argc, const char* const argv[]);

// The path an argument names, and a path as it is printed for the command line to take
// back: each the other's inverse.
std::filesystem::path pathFromArgument(std::string_view argument);
std::string argumentOf(const std::filesystem::path& path);

// On Windows the program is built for the desktop, so a command prompt that starts it
// gets none of its output. When started from a console, this attaches to it and points
// standard output and standard error there, each only when it goes nowhere yet (an
// output redirected to a file or a pipe stays as it is). Started from the desktop it
// does nothing, so no console window flashes up. True when it attached. Linux has
// nothing to do here.
bool connectToParentConsole();

} // namespace varnholt::platform
