// SPDX-License-Identifier: MIT
#pragma once

#include "search.h"

#include <functional>

namespace varnholt {

// The folder a library path as Steam records it names here: on Linux an absolute path,
// in a Windows system a Windows path of it.
using SteamPathMapper = std::function<std::optional<std::filesystem::path>(std::string_view recorded)>;

// Steam's libraries: its own folder, then every library its records list
// (steamapps/libraryfolders.vdf and config/libraryfolders.vdf, old and new format), each
// once.
std::vector<std::filesystem::path> steamLibraries(
    Search& search, const std::filesystem::path& steamFolder, const SteamPathMapper& folderOf);

// The game's folder in a library: "installdir" of the game's manifest
// (steamapps/appmanifest_2616430.acf), under steamapps/common.
void lookInSteamLibrary(Search& search, const std::filesystem::path& library);

// Every library's game folder, for a Steam installed in a Windows system.
void lookInSteam(Search& search, const std::filesystem::path& steamFolder, const SteamPathMapper& folderOf);

// The prefixes Proton made in a library, one per game, those of non-Steam games (such as
// the GOG edition added to Steam) included: steamapps/compatdata/ID/pfx.
std::vector<std::filesystem::path> protonPrefixes(const std::filesystem::path& library);

} // namespace varnholt
