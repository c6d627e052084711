// SPDX-License-Identifier: MIT
// Where the game may be on Windows: the system itself, with its registry, and Steam's
// libraries.
#include "gamesearch.h"

#include "levelfiles/utf8path.h"
#include "wineprefixsystem.h"

#include <windows.h>

namespace varnholt {
namespace {

namespace fs = std::filesystem;

std::wstring wide(std::string_view utf8)
{
    return pathFromUtf8(utf8).wstring();
}

class NativeWindows final : public WindowsSystem {
public:
    [[nodiscard]] std::optional<fs::path> folder(std::string_view windowsPath) const override
    {
        // The system matches names in any letter case by itself; only absolute paths count.
        const fs::path path = pathFromUtf8(windowsPath);
        std::error_code error;
        if (!path.is_absolute() || !fs::is_directory(path, error))
            return std::nullopt;
        return path;
    }

    [[nodiscard]] std::optional<std::string> registryValue(
        RegistryHive hive, std::string_view key, std::string_view name) const override
    {
        // The game is a 32-bit program: its keys are where a 32-bit program sees them.
        for (const REGSAM view : { KEY_WOW64_32KEY, KEY_WOW64_64KEY }) {
            if (std::optional<std::string> value = read(hive, key, name, view))
                return value;
        }
        return std::nullopt;
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

} // namespace

SearchPlaces searchPlaces(const EnvironmentLookup&)
{
    SearchPlaces places;
    places.systems.push_back(std::make_unique<NativeWindows>());
    if (const std::optional<std::string> steam
        = places.systems.front()->registryValue(RegistryHive::CurrentUser, R"(Software\Valve\Steam)", "SteamPath"))
        places.steamFolders.push_back(pathFromUtf8(*steam));
    return places;
}

} // namespace varnholt
