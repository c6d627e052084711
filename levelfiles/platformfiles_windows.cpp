// SPDX-License-Identifier: MIT
#include "platformfiles.h"

#include "temporaryname.h"

#include <array>
#include <string>
#include <system_error>
#include <windows.h>

namespace varnholt::platform {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void failFromLastError(const std::string& what)
{
    throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), what);
}

class Handle {
public:
    explicit Handle(HANDLE handle) : m_handle(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_handle);
    }
    [[nodiscard]] HANDLE get() const { return m_handle; }

private:
    HANDLE m_handle;
};

} // namespace

std::optional<EntryStatus> entryStatus(const fs::path& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return std::nullopt;
        failFromLastError("cannot look up " + path.string());
    }
    return EntryStatus{(attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                       (attributes & FILE_ATTRIBUTE_READONLY) != 0};
}

void setReadOnly(const fs::path& path, bool readOnly)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        failFromLastError("cannot look up " + path.string());
    const DWORD changed = readOnly ? (attributes | FILE_ATTRIBUTE_READONLY) : (attributes & ~FILE_ATTRIBUTE_READONLY);
    if (changed != attributes && !::SetFileAttributesW(path.c_str(), changed))
        failFromLastError("cannot change the attributes of " + path.string());
}

void TemporaryCopy::write(const fs::path& source, const fs::path& folder)
{
    // Shared for reading only: a level file the game has open for writing is not copied.
    // A link could lead out of the folder: it is never read through.
    const DWORD attributes = ::GetFileAttributesW(source.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        throw std::system_error(std::make_error_code(std::errc::too_many_symbolic_link_levels),
                                source.string() + " is a link");
    Handle input(::CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (input.get() == INVALID_HANDLE_VALUE)
        failFromLastError("cannot open " + source.string());

    HANDLE created = INVALID_HANDLE_VALUE;
    while (created == INVALID_HANDLE_VALUE) {
        m_path = folder / randomTemporaryName();
        created = ::CreateFileW(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) {
            m_path.clear();
            failFromLastError("cannot create a temporary file in " + folder.string());
        }
    }
    Handle output(created);

    std::array<char, std::size_t{1} << 16> buffer{};
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(input.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
            failFromLastError("cannot read " + source.string());
        if (got == 0)
            break;
        DWORD put = 0;
        if (!::WriteFile(output.get(), buffer.data(), got, &put, nullptr) || put != got)
            failFromLastError("cannot write " + m_path.string());
    }
    if (!::FlushFileBuffers(output.get()))
        failFromLastError("cannot flush " + m_path.string());
}

void TemporaryCopy::discard() noexcept
{
    if (!m_path.empty())
        ::DeleteFileW(m_path.c_str());
}

void TemporaryCopy::commitReplacing(const fs::path& destination)
{
    // Fails on a file in use: the slot file then stays as it was.
    if (!::MoveFileExW(m_path.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        failFromLastError("cannot replace " + destination.string());
    m_committed = true;
}

void TemporaryCopy::commitAsNew(const fs::path& destination)
{
    // Without MOVEFILE_REPLACE_EXISTING, an existing destination makes the move fail.
    if (!::MoveFileExW(m_path.c_str(), destination.c_str(), MOVEFILE_WRITE_THROUGH))
        failFromLastError("cannot create " + destination.string());
    m_committed = true;
}

void flushFolder(const fs::path&)
{
    // MOVEFILE_WRITE_THROUGH has already made each rename durable.
}

void setStepHook(StepHook)
{
    // The fault tests run on Linux; Windows steps are not interrupted.
}

} // namespace varnholt::platform
