// SPDX-License-Identifier: MIT
#include "wineprefixsystem.h"

#include "folderpaths.h"
#include "platform/entryname.h"

#include <algorithm>

namespace varnholt {

namespace fs = std::filesystem;

WinePrefixSystem::WinePrefixSystem(fs::path prefix, Note note, RecordReader* reader)
    : m_prefix(std::move(prefix))
    , m_note(std::move(note))
    , m_reader(reader)
{
}

bool WinePrefixSystem::exists() const
{
    if (!m_driveC)
        m_driveC = drive('c');
    return m_driveC->has_value();
}

std::optional<fs::path> WinePrefixSystem::drive(char letter) const
{
    // The drive is whatever the link in dosdevices points at, shown as the player knows
    // it (through drive_c, not through dosdevices/c:). A link that leads nowhere is no
    // drive, as Wine sees it; only a prefix without any link for C gets drive_c.
    const fs::path devices = m_prefix / "dosdevices";
    const fs::path link = devices / std::string { letter, ':' };
    std::error_code error;
    const fs::file_status status = fs::symlink_status(link, error);
    if (!fs::exists(status)) {
        if (letter == 'c' && isFolder(m_prefix / "drive_c"))
            return m_prefix / "drive_c";
        return std::nullopt;
    }
    if (!fs::is_symlink(status))
        return isFolder(link) ? std::optional(link) : std::nullopt;
    const fs::path target = fs::read_symlink(link, error);
    if (error || !isFolder(link))
        return std::nullopt;
    const fs::path shown = resolvedPath(target.is_absolute() ? target : devices / target);
    return isFolder(shown) && fs::equivalent(shown, link, error) ? shown : link;
}

std::optional<fs::path> WinePrefixSystem::folder(std::string_view windowsPath) const
{
    // Only absolute paths with a drive letter: "C:\..." or "C:/...".
    if (windowsPath.size() < 3 || windowsPath[1] != ':' || (windowsPath[2] != '\\' && windowsPath[2] != '/'))
        return std::nullopt;
    const char letter = windowsPath[0];
    if (!((letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z')))
        return std::nullopt;
    if ((letter | 0x20) != 'c') {
        const std::optional<fs::path> root = drive(static_cast<char>(letter | 0x20));
        return root ? followWindowsPath(*root, windowsPath.substr(3)) : std::nullopt;
    }
    // Drive C is asked for most, a dozen times a prefix: its folder and its entries are
    // looked up once, and the first step taken from them.
    if (!m_driveC)
        m_driveC = drive('c');
    if (!*m_driveC)
        return std::nullopt;
    std::string_view steps = windowsPath.substr(3);
    const std::size_t end = steps.find_first_of("\\/");
    const std::string_view first = steps.substr(0, end);
    steps = end == std::string_view::npos ? std::string_view() : steps.substr(end + 1);
    if (first.empty())
        return followWindowsPath(**m_driveC, steps);
    if (!m_driveCNames) {
        m_driveCNames.emplace();
        for (const fs::path& entry : sortedEntries(**m_driveC))
            m_driveCNames->push_back(entry.filename().string());
    }
    const auto exact = std::find(m_driveCNames->begin(), m_driveCNames->end(), first);
    std::optional<std::string> match;
    if (exact != m_driveCNames->end()) {
        match = *exact;
    } else {
        for (const std::string& name : *m_driveCNames) {
            if (!equalIgnoringCase(name, first))
                continue;
            if (match)
                return std::nullopt; // several differ only in case: none is meant
            match = name;
        }
    }
    if (!match || !isFolder(**m_driveC / *match))
        return std::nullopt;
    return followWindowsPath(**m_driveC / *match, steps);
}

std::vector<std::optional<std::string>> WinePrefixSystem::registryValues(
    RegistryHive hive, std::span<const RegistryValueName> wanted) const
{
    // Read for each question, never kept: the search asks each file once, and thirty
    // prefixes' registries would otherwise stay in memory together.
    const bool machine = hive == RegistryHive::LocalMachine;
    const fs::path path = m_prefix / (machine ? "system.reg" : "user.reg");
    RecordReader ownReader;
    const RecordView file = (m_reader != nullptr ? *m_reader : ownReader).read(path, largestRegistryFile);
    if (!file.text && file.problem.kind != RecordProblem::Kind::NoSuchFile && m_note)
        m_note(path, file.problem.why);
    if (!file.text)
        return std::vector<std::optional<std::string>>(wanted.size());
    if (!machine)
        return wineRegistryValues(*file.text, wanted);
    // A 64-bit prefix keeps a 32-bit program's keys under Wow6432Node: each value is
    // looked for there first, in the same pass.
    std::vector<std::string> wowKeys;
    std::vector<RegistryValueName> both;
    wowKeys.reserve(wanted.size());
    for (const RegistryValueName& value : wanted) {
        const bool software = value.key.size() > 9 && value.key.substr(0, 9) == "Software\\";
        wowKeys.push_back(software ? "Software\\Wow6432Node\\" + std::string(value.key.substr(9)) : std::string());
    }
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        both.push_back({ wowKeys[i].empty() ? wanted[i].key : std::string_view(wowKeys[i]), wanted[i].name });
        both.push_back(wanted[i]);
    }
    std::vector<std::optional<std::string>> found = wineRegistryValues(*file.text, both);
    std::vector<std::optional<std::string>> values;
    for (std::size_t i = 0; i < wanted.size(); ++i)
        values.push_back(found[2 * i] ? std::move(found[2 * i]) : std::move(found[2 * i + 1]));
    return values;
}

std::vector<fs::path> WinePrefixSystem::localAppDataFolders() const
{
    std::vector<fs::path> folders;
    const std::optional<fs::path> users = folder("C:\\users");
    if (!users)
        return folders;
    for (const fs::path& user : sortedEntries(*users)) {
        // Today's prefixes, then those made by Wine before 5.0.
        for (const std::string_view local : { "AppData\\Local", "Local Settings\\Application Data" }) {
            if (std::optional<fs::path> found = followWindowsPath(user, local))
                folders.push_back(std::move(*found));
        }
    }
    return folders;
}

} // namespace varnholt
