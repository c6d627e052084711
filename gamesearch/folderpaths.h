// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt {

bool isFolder(const std::filesystem::path& path);

// One step down from a folder to a subfolder, in any letter case, as Wine takes it.
std::optional<std::filesystem::path> subfolder(const std::filesystem::path& folder, std::string_view step);

// Down a Windows path's steps ("Games\Pop", or with slashes) from a folder, each in any
// letter case.
std::optional<std::filesystem::path> followWindowsPath(std::filesystem::path folder, std::string_view steps);

// The entries of one folder (never of its subfolders), sorted, so that the order tried
// does not depend on the disk. Nothing when it cannot be read.
std::vector<std::filesystem::path> sortedEntries(const std::filesystem::path& folder);

// A path made absolute with its "." and ".." steps taken as the system takes them: a ".."
// after a symbolic link leads out of the link's target, not back to the folder holding
// the link, so the folder shown is the one every later open reaches. Only links before a
// ".." are resolved; the rest keeps the spelling the player knows. From a step that
// cannot be resolved on, the path is kept as it is, for the system to refuse.
std::filesystem::path resolvedPath(const std::filesystem::path& path);

// The same folder (or file) however it is reached (links, "..", letter case as the disk
// has it), for telling whether two paths name one folder: on Linux its device and inode, read
// with one look; elsewhere its canonical path. The path itself when it is not there.
std::string sameFolderKey(const std::filesystem::path& folder);

} // namespace varnholt
