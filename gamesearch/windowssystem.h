// SPDX-License-Identifier: MIT
#pragma once

#include "wineregistry.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt {

enum class RegistryHive { LocalMachine, CurrentUser };

// A Windows the game may be installed in: the one the program runs on, or a Wine prefix.
// Both answer the same questions, so the search looks in each the same way.
class WindowsSystem {
public:
    virtual ~WindowsSystem() = default;

    // How the player knows this system: "Windows", or the prefix's folder.
    [[nodiscard]] virtual std::string describe() const = 0;

    // The folder a Windows path such as "C:\Games\Pop" names on this machine, when it is
    // an existing folder; every step matches in any letter case.
    [[nodiscard]] virtual std::optional<std::filesystem::path> folder(std::string_view windowsPath) const = 0;

    // String values of the registry. A key under Software is looked for where a 32-bit
    // program sees it first (Wow6432Node on a 64-bit system), then in the 64-bit view.
    [[nodiscard]] virtual std::vector<std::optional<std::string>> registryValues(
        RegistryHive hive, std::span<const RegistryValueName> wanted) const = 0;

    // Each user's local application data folder (%LocalAppData%), where copies of the
    // levels that the game may read instead of its own can be.
    [[nodiscard]] virtual std::vector<std::filesystem::path> localAppDataFolders() const = 0;
};

} // namespace varnholt
