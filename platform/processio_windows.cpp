// SPDX-License-Identifier: MIT
// Arguments, paths and the console on Windows.
#include "processio.h"

#include "utf8path.h"

#include <cstdio>
#include <io.h>
#include <memory>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

namespace varnholt::platform {
namespace {

// A handle that leads somewhere: a console, a file or a pipe.
bool leadsSomewhere(DWORD stream)
{
    const HANDLE handle = ::GetStdHandle(stream);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

void pointAtConsole(std::FILE* file, DWORD stream)
{
    if (std::freopen("CONOUT$", "w", file) == nullptr)
        return;
    std::setvbuf(file, nullptr, file == stderr ? _IONBF : _IOLBF, BUFSIZ);
    ::SetStdHandle(stream, reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file))));
}

} // namespace

std::vector<std::string> commandLineArguments(int /*argc*/, const char* const /*argv*/[])
{
    int count = 0;
    const std::unique_ptr<LPWSTR, decltype(&::LocalFree)> wide(
        ::CommandLineToArgvW(::GetCommandLineW(), &count), &::LocalFree);
    std::vector<std::string> arguments;
    for (int i = 1; wide && i < count; ++i)
        arguments.push_back(utf8Of(std::filesystem::path(wide.get()[i])));
    return arguments;
}

std::filesystem::path pathFromArgument(std::string_view argument)
{
    return pathFromUtf8(argument);
}

std::string argumentOf(const std::filesystem::path& path)
{
    return utf8Of(path);
}

bool connectToParentConsole()
{
    const bool outputLeads = leadsSomewhere(STD_OUTPUT_HANDLE);
    const bool errorsLead = leadsSomewhere(STD_ERROR_HANDLE);
    if ((outputLeads && errorsLead) || !::AttachConsole(ATTACH_PARENT_PROCESS))
        return false;
    // Paths and level names are printed in UTF-8.
    ::SetConsoleOutputCP(CP_UTF8);
    if (!outputLeads)
        pointAtConsole(stdout, STD_OUTPUT_HANDLE);
    if (!errorsLead)
        pointAtConsole(stderr, STD_ERROR_HANDLE);
    return true;
}

} // namespace varnholt::platform
