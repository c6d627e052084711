// SPDX-License-Identifier: MIT
#include "wineprefixsystem.h"

#include "levelfiles/entryname.h"
#include "wineregistry.h"

#include <array>
#include <fstream>

namespace varnholt {
namespace {

namespace fs = std::filesystem;

// Real registry files run to a few megabytes; anything far larger is not one.
constexpr std::uintmax_t largestRecord = std::uintmax_t { 64 } << 20;

bool isFolder(const fs::path& path)
{
    std::error_code error;
    return fs::is_directory(path, error);
}

} // namespace

std::optional<std::string> smallTextFile(const fs::path& file)
{
    std::error_code error;
    const std::uintmax_t size = fs::is_regular_file(file, error) ? fs::file_size(file, error) : 0;
    if (error || size > largestRecord)
        return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (!in.read(text.data(), static_cast<std::streamsize>(size)))
        return std::nullopt;
    return text;
}

std::optional<fs::path> subfolder(const fs::path& folder, std::string_view step)
{
    if (!isPlainFileName(step))
        return std::nullopt;
    try {
        const std::optional<std::string> entry = resolveEntryName(folder, step);
        if (entry && isFolder(folder / *entry))
            return folder / *entry;
    } catch (const std::exception&) {
        // an unreadable folder or an ambiguous name: not the game's folder
    }
    return std::nullopt;
}

std::optional<fs::path> followWindowsPath(fs::path folder, std::string_view steps)
{
    while (!steps.empty()) {
        const std::size_t end = steps.find('\\');
        const std::string_view step = steps.substr(0, end);
        steps = end == std::string_view::npos ? std::string_view() : steps.substr(end + 1);
        if (step.empty())
            continue;
        std::optional<fs::path> next = subfolder(folder, step);
        if (!next)
            return std::nullopt;
        folder = std::move(*next);
    }
    return folder;
}

bool WinePrefixSystem::exists() const
{
    return folder("C:\\").has_value();
}

std::optional<fs::path> WinePrefixSystem::folder(std::string_view windowsPath) const
{
    // Only absolute paths with a drive letter: "C:\..." or "C:/...".
    if (windowsPath.size() < 3 || windowsPath[1] != ':' || (windowsPath[2] != '\\' && windowsPath[2] != '/'))
        return std::nullopt;
    const char letter = windowsPath[0];
    if (!((letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z')))
        return std::nullopt;
    const std::string device { static_cast<char>(letter | 0x20), ':' };
    // The drive is whatever the link points at; Wine itself never assumes drive_c.
    fs::path drive = m_prefix / "dosdevices" / device;
    if (!isFolder(drive)) {
        if (device != "c:" || !isFolder(m_prefix / "drive_c"))
            return std::nullopt;
        drive = m_prefix / "drive_c";
    }
    std::string steps(windowsPath.substr(3));
    for (char& c : steps)
        c = c == '/' ? '\\' : c;
    return followWindowsPath(drive, steps);
}

std::optional<std::string> WinePrefixSystem::registryValue(
    RegistryHive hive, std::string_view key, std::string_view name) const
{
    const std::optional<std::string> file
        = smallTextFile(m_prefix / (hive == RegistryHive::LocalMachine ? "system.reg" : "user.reg"));
    if (!file)
        return std::nullopt;
    if (hive == RegistryHive::LocalMachine && key.starts_with("Software\\")) {
        // A 64-bit prefix keeps a 32-bit program's keys under Wow6432Node.
        const std::string wow = "Software\\Wow6432Node\\" + std::string(key.substr(9));
        const std::array<std::string_view, 2> keys { wow, key };
        return wineRegistryValue(*file, keys, name);
    }
    return wineRegistryValue(*file, key, name);
}

} // namespace varnholt
