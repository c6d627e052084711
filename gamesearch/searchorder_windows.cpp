// SPDX-License-Identifier: MIT
// Where the game may be on Windows: the system itself, with its registry and the Steam
// it names, and the games Heroic has installed.
#include "searchorder.h"

#include "heroic.h"
#include "platform/utf8path.h"
#include "windowsplaces.h"

#include <cwchar>
#include <windows.h>

namespace varnholt {
namespace {

namespace fs = std::filesystem;

std::wstring wide(std::string_view utf8)
{
    return pathFromUtf8(utf8).wstring();
}

std::optional<fs::path> knownFolder(const wchar_t* variable)
{
    const wchar_t* value = ::_wgetenv(variable);
    if (value == nullptr)
        return std::nullopt;
    fs::path folder(value);
    return folder.is_absolute() ? std::optional(folder) : std::nullopt;
}

class NativeWindows final : public WindowsSystem {
public:
    [[nodiscard]] std::string describe() const override { return "Windows"; }

    [[nodiscard]] std::optional<fs::path> folder(std::string_view windowsPath) const override
    {
        // The system matches names in any letter case by itself; only absolute paths count.
        const fs::path path = pathFromUtf8(windowsPath);
        std::error_code error;
        if (!path.is_absolute() || !fs::is_directory(path, error))
            return std::nullopt;
        return path;
    }

    [[nodiscard]] std::vector<std::optional<std::string>> registryValues(
        RegistryHive hive, std::span<const RegistryValueName> wanted) const override
    {
        std::vector<std::optional<std::string>> values;
        for (const RegistryValueName& value : wanted) {
            // The game is a 32-bit program: its keys are where a 32-bit program sees them.
            std::optional<std::string> found;
            for (const REGSAM view : { KEY_WOW64_32KEY, KEY_WOW64_64KEY }) {
                if (!found)
                    found = read(hive, value.key, value.name, view);
            }
            values.push_back(std::move(found));
        }
        return values;
    }

    [[nodiscard]] std::vector<fs::path> localAppDataFolders() const override
    {
        std::vector<fs::path> folders;
        if (std::optional<fs::path> local = knownFolder(L"LOCALAPPDATA"))
            folders.push_back(std::move(*local));
        return folders;
    }

private:
    static std::optional<std::string> read(RegistryHive hive, std::string_view key, std::string_view name, REGSAM view)
    {
        HKEY opened = nullptr;
        if (::RegOpenKeyExW(hive == RegistryHive::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
                wide(key).c_str(), 0, KEY_QUERY_VALUE | view, &opened)
            != ERROR_SUCCESS)
            return std::nullopt;
        const std::wstring valueName = wide(name);
        DWORD type = 0;
        DWORD size = 0;
        std::optional<std::string> value;
        if (::RegQueryValueExW(opened, valueName.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS
            && (type == REG_SZ || type == REG_EXPAND_SZ) && size < (DWORD { 1 } << 16)) {
            std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
            if (::RegQueryValueExW(
                    opened, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size)
                == ERROR_SUCCESS) {
                text.resize(::wcsnlen(text.c_str(), text.size()));
                value = utf8Of(fs::path(text));
            }
        }
        ::RegCloseKey(opened);
        return value;
    }
};

std::optional<fs::path> absoluteWindowsPath(std::string_view recorded)
{
    fs::path path = pathFromUtf8(recorded);
    return path.is_absolute() ? std::optional(path) : std::nullopt;
}

} // namespace

void searchInOrder(Search& search, const EnvironmentLookup&)
{
    const NativeWindows system;
    lookInWindows(search, system, true);
    search.keepCopiesOf(system);
    if (const std::optional<fs::path> appData = knownFolder(L"APPDATA")) {
        forEachHeroicGame(search, { *appData / "heroic", {}, {} }, absoluteWindowsPath,
            [&](const HeroicGame& game) { search.offerGameFolder(game.folder, &system); });
    }
}

} // namespace varnholt
