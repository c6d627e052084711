// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace varnholt {

enum class RegistryHive { LocalMachine, CurrentUser };

// A Windows the game may be installed in: the one the program runs on, or a Wine prefix.
// Both answer the same two questions, so the search looks in each the same way.
class WindowsSystem {
public:
    virtual ~WindowsSystem() = default;

    // The folder a Windows path such as "C:\Games\Pop" names on this machine, when it is
    // an existing folder; every step matches in any letter case.
    [[nodiscard]] virtual std::optional<std::filesystem::path> folder(std::string_view windowsPath) const = 0;

    // A string value of the registry. A key under Software is looked for where a 32-bit
    // program sees it first (Wow6432Node on a 64-bit system), then in the 64-bit view.
    [[nodiscard]] virtual std::optional<std::string> registryValue(
        RegistryHive hive, std::string_view key, std::string_view name) const = 0;
};

// One step down from a folder to a subfolder, in any letter case, as Wine takes it.
std::optional<std::filesystem::path> subfolder(const std::filesystem::path& folder, std::string_view step);

// Down a Windows path's steps ("Games\Pop") from a folder, each in any letter case.
std::optional<std::filesystem::path> followWindowsPath(std::filesystem::path folder, std::string_view steps);

} // namespace varnholt
