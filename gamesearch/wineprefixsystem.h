// SPDX-License-Identifier: MIT
#pragma once

#include "platform/recordfile.h"
#include "windowssystem.h"

#include <functional>

namespace varnholt {

// A Wine prefix: drive letters are the links in its dosdevices folder, and the registry
// is kept in its system.reg and user.reg text files.
class WinePrefixSystem final : public WindowsSystem {
public:
    // Told of every record that is there but cannot be read, and why.
    using Note = std::function<void(const std::filesystem::path& record, std::string_view why)>;

    // Registry files are read through `reader` when given, so that many prefixes' files
    // share one buffer.
    explicit WinePrefixSystem(std::filesystem::path prefix, Note note = {}, RecordReader* reader = nullptr);

    [[nodiscard]] const std::filesystem::path& prefix() const { return m_prefix; }

    // Whether a prefix is there at all: a drive C to look in.
    [[nodiscard]] bool exists() const;

    [[nodiscard]] std::string describe() const override { return m_prefix.string(); }
    [[nodiscard]] std::optional<std::filesystem::path> folder(std::string_view windowsPath) const override;
    [[nodiscard]] std::vector<std::optional<std::string>> registryValues(
        RegistryHive hive, std::span<const RegistryValueName> wanted) const override;
    [[nodiscard]] std::vector<std::filesystem::path> localAppDataFolders() const override;

private:
    [[nodiscard]] std::optional<std::filesystem::path> drive(char letter) const;

    std::filesystem::path m_prefix;
    Note m_note;
    RecordReader* m_reader;
    mutable std::optional<std::optional<std::filesystem::path>> m_driveC;
    mutable std::optional<std::vector<std::string>> m_driveCNames;
};

} // namespace varnholt
