// SPDX-License-Identifier: MIT
// The file primitives on Windows. The levels folder is held open without delete
// sharing while the program runs, so it cannot be renamed or removed under it, and the
// names below it keep meaning what they meant when it was opened.
#include "platformfiles.h"

#include "platformsteps.h"
#include "temporaryname.h"
#include "utf8path.h"

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <system_error>
#include <windows.h>

namespace varnholt::platform {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void failFromError(Step step, DWORD error, const std::string& what)
{
    throw std::system_error(static_cast<int>(error), std::system_category(), std::string(nameOf(step)) + ": " + what);
}

[[noreturn]] void failFromLastError(Step step, const std::string& what)
{
    failFromError(step, ::GetLastError(), what);
}

// Whether a test's hook fails this step; the last error then says how.
bool failsHere(Step step)
{
    const int error = injectedFailure(step);
    if (error != 0)
        ::SetLastError(ERROR_GEN_FAILURE);
    return error != 0;
}

class Handle {
public:
    explicit Handle(HANDLE handle)
        : m_handle(handle)
    {
    }
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

fs::path pathIn(const Folder& folder, std::string_view name)
{
    return folder.path() / pathFromUtf8(name);
}

} // namespace

Folder::Folder(const fs::path& path)
    : m_path(path)
{
    // Others may read and write in it, but not rename or remove it while we work there.
    const HANDLE handle = failsHere(Step::OpenFolder)
        ? INVALID_HANDLE_VALUE
        : ::CreateFileW(path.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
            FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        failFromLastError(Step::OpenFolder, path.string());
    m_native = reinterpret_cast<std::intptr_t>(handle);
}

Folder::~Folder()
{
    ::CloseHandle(reinterpret_cast<HANDLE>(m_native));
    if (m_lock != -1)
        ::CloseHandle(reinterpret_cast<HANDLE>(m_lock));
}

std::optional<EntryStatus> Folder::status(std::string_view name) const
{
    const fs::path path = pathIn(*this, name);
    WIN32_FILE_ATTRIBUTE_DATA data {};
    const bool found = !failsHere(Step::LookUp) && ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    const DWORD attributes = data.dwFileAttributes;
    if (!found) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return std::nullopt;
        failFromError(Step::LookUp, error, path.string());
    }
    const EntryType type = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? EntryType::Link
        : (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0                      ? EntryType::Directory
        : (attributes & FILE_ATTRIBUTE_DEVICE) != 0                         ? EntryType::Other
                                                                            : EntryType::File;
    // Whoever may write the file may clear its mark; the replacing rename finds out.
    return EntryStatus { type, type != EntryType::Link && (attributes & FILE_ATTRIBUTE_READONLY) != 0, true,
        (std::uint64_t { data.nFileSizeHigh } << 32) | data.nFileSizeLow };
}

std::vector<std::string> Folder::names() const
{
    WIN32_FIND_DATAW found {};
    const HANDLE search
        = failsHere(Step::ListFolder) ? INVALID_HANDLE_VALUE : ::FindFirstFileW((m_path / L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        failFromLastError(Step::ListFolder, m_path.string());
    std::vector<std::string> names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(utf8Of(fs::path(name)));
    } while (::FindNextFileW(search, &found));
    const DWORD error = ::GetLastError();
    ::FindClose(search);
    if (error != ERROR_NO_MORE_FILES)
        failFromError(Step::ListFolder, error, m_path.string());
    return names;
}

void Folder::flush() const
{
    // MOVEFILE_WRITE_THROUGH has already made each rename durable.
    if (failsHere(Step::FlushFolder))
        failFromLastError(Step::FlushFolder, m_path.string());
}

void Folder::removeFile(std::string_view name) const noexcept
{
    if (!failsHere(Step::Remove))
        (void)::DeleteFileW(pathIn(*this, name).c_str());
}

bool Folder::acceptsNewFiles() const
{
    // Deleted again when closed. Under C:\Program Files a program that is not elevated
    // is refused here: a 64-bit program gets no file virtualisation to hide that.
    const HANDLE probe = ::CreateFileW(pathIn(*this, randomTemporaryName()).c_str(), GENERIC_WRITE, 0, nullptr,
        CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return error != ERROR_ACCESS_DENIED && error != ERROR_WRITE_PROTECT;
    }
    ::CloseHandle(probe);
    return true;
}

bool Folder::tryLock()
{
    // A named mutex per folder, in this session: nothing is written to the folder for it.
    // Named after what the folder is, not how it was reached: two spellings of it
    // through a junction or a link share one lock.
    std::error_code error;
    fs::path key = fs::canonical(m_path, error);
    if (error)
        key = fs::absolute(m_path, error);
    std::wstring folder = (error ? m_path : key).wstring();
    std::transform(folder.begin(), folder.end(), folder.begin(), [](wchar_t c) { return ::towlower(c); });
    const std::wstring name = L"Local\\Varnholt-" + std::to_wstring(std::hash<std::wstring> {}(folder));
    const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
    if (mutex == nullptr)
        return true; // no lock to be had: nothing to keep apart
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        return false;
    }
    m_lock = reinterpret_cast<std::intptr_t>(mutex);
    return true;
}

namespace {

// Opens a regular file of the folder for reading, shared for reading only, so that a
// file the game is writing is not read. A link could lead out of the folder and a device
// could do anything: only a regular file is opened.
HANDLE openRegularFile(const Folder& folder, std::string_view name)
{
    const fs::path path = pathIn(folder, name);
    const std::optional<EntryStatus> status = folder.status(name);
    if (!status)
        failFromError(Step::LookUp, ERROR_FILE_NOT_FOUND, path.string());
    if (status->type != EntryType::File)
        throw std::system_error(
            std::make_error_code(std::errc::invalid_argument), "open: " + path.string() + " is not a regular file");
    const HANDLE input = failsHere(Step::Open)
        ? INVALID_HANDLE_VALUE
        : ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
            FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (input == INVALID_HANDLE_VALUE)
        failFromLastError(Step::Open, path.string());
    if (::GetFileType(input) != FILE_TYPE_DISK) {
        ::CloseHandle(input);
        throw std::system_error(
            std::make_error_code(std::errc::invalid_argument), "open: " + path.string() + " is not a regular file");
    }
    return input;
}

// Reads up to size bytes; fewer only at the end of the file.
DWORD readSome(HANDLE input, char* into, DWORD size, const std::string& what)
{
    DWORD got = 0;
    if (!::ReadFile(input, into, size, &got, nullptr))
        failFromLastError(Step::Write, what);
    return got;
}

} // namespace

std::string Folder::read(std::string_view name, std::size_t limit) const
{
    const Handle input(openRegularFile(*this, name));
    LARGE_INTEGER size {};
    if (!::GetFileSizeEx(input.get(), &size))
        failFromLastError(Step::Open, std::string(name));
    if (static_cast<std::uint64_t>(size.QuadPart) > limit)
        throw std::system_error(
            std::make_error_code(std::errc::file_too_large), "open: " + std::string(name) + " is larger than expected");
    std::string content(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t got = 0;
    while (got < content.size()) {
        const DWORD part
            = readSome(input.get(), content.data() + got, static_cast<DWORD>(content.size() - got), std::string(name));
        if (part == 0)
            break;
        got += part;
    }
    content.resize(got);
    return content;
}

void TemporaryCopy::write(std::string_view source)
{
    const Handle input(openRegularFile(m_folder, source));

    HANDLE created = INVALID_HANDLE_VALUE;
    while (created == INVALID_HANDLE_VALUE) {
        std::string name = randomTemporaryName();
        created = failsHere(Step::CreateTemporary) ? INVALID_HANDLE_VALUE
                                                   : ::CreateFileW(pathIn(m_folder, name).c_str(), GENERIC_WRITE, 0,
                                                       nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created != INVALID_HANDLE_VALUE)
            m_name = std::move(name);
        else if (::GetLastError() != ERROR_FILE_EXISTS)
            failFromLastError(Step::CreateTemporary, "a temporary file in " + m_folder.path().string());
    }
    Handle output(created);

    std::array<char, std::size_t { 1 } << 16> buffer {};
    for (;;) {
        const DWORD got = readSome(input.get(), buffer.data(), static_cast<DWORD>(buffer.size()), std::string(source));
        if (got == 0)
            break;
        DWORD put = 0;
        if (failsHere(Step::Write) || !::WriteFile(output.get(), buffer.data(), got, &put, nullptr) || put != got)
            failFromLastError(Step::Write, m_name);
    }
    if (failsHere(Step::Flush) || !::FlushFileBuffers(output.get()))
        failFromLastError(Step::Flush, m_name);
}

void TemporaryCopy::commitReplacing(std::string_view destination)
{
    const fs::path target = pathIn(m_folder, destination);
    // Windows will not replace a read-only file: its mark goes just before the rename.
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0
        && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
    if (readOnly
        && (failsHere(Step::ClearReadOnly)
            || !::SetFileAttributesW(target.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)))
        failFromLastError(Step::ClearReadOnly, target.string());
    // Fails on a file in use: the slot file then stays as it was, its mark put back.
    if (failsHere(Step::Rename)
        || !::MoveFileExW(
            pathIn(m_folder, m_name).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = ::GetLastError();
        if (readOnly)
            (void)::SetFileAttributesW(target.c_str(), attributes);
        failFromError(Step::Rename, error, "over " + target.string());
    }
    m_committed = true;
}

void TemporaryCopy::commitAsNew(std::string_view destination)
{
    const fs::path target = pathIn(m_folder, destination);
    // Without MOVEFILE_REPLACE_EXISTING, an existing destination makes the move fail.
    if (failsHere(Step::Rename)
        || !::MoveFileExW(pathIn(m_folder, m_name).c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH))
        failFromLastError(Step::Rename, "to the new " + target.string());
    m_committed = true;
}

} // namespace varnholt::platform
