// SPDX-License-Identifier: MIT
#pragma once

#include "windowssystem.h"

namespace varnholt {

// A Wine prefix: drive letters are the links in its dosdevices folder (drive C falls back
// to drive_c), and the registry is kept in its system.reg and user.reg text files.
class WinePrefixSystem final : public WindowsSystem {
public:
    explicit WinePrefixSystem(std::filesystem::path prefix)
        : m_prefix(std::move(prefix))
    {
    }

    [[nodiscard]] const std::filesystem::path& prefix() const { return m_prefix; }

    // Whether a prefix is there at all: a drive C to look in.
    [[nodiscard]] bool exists() const;

    [[nodiscard]] std::optional<std::filesystem::path> folder(std::string_view windowsPath) const override;
    [[nodiscard]] std::optional<std::string> registryValue(
        RegistryHive hive, std::string_view key, std::string_view name) const override;

private:
    std::filesystem::path m_prefix;
};

// A text file of at most a few megabytes, or nothing when it cannot be read.
std::optional<std::string> smallTextFile(const std::filesystem::path& file);

} // namespace varnholt
