// SPDX-License-Identifier: MIT
#pragma once

// The command line, read once before anything of the toolkit exists, so that whether a
// window is made follows from what was asked; and what the program does when asked from
// a command line instead of through its window, which touches no file.

#include "mainwindowlogic.h"

#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

namespace varnholt {

// The program's exit statuses.
inline constexpr int exitDone = 0;
inline constexpr int exitNoLevelsFolder = 1; // --list-levels-folders or --show-slots found none to use
inline constexpr int exitCommandLineRefused = 2;
inline constexpr int exitNoDisplay = 3; // a window was asked for, and there is no display to show it on

inline constexpr std::string_view usageLine = "Usage: varnholt [--levels-folder FOLDER] [--list-levels-folders "
                                              "[--verbose] | --show-slots | --help | --version]";

struct CommandLine {
    enum class Action { OpenWindow, ListLevelsFolders, ShowSlots, Help, Version };
    Action action = Action::OpenWindow;
    // The folder given with --levels-folder, as the system gave it.
    std::optional<std::string> levelsFolder;
    // With --list-levels-folders: every place looked at, and why it was passed over.
    bool verbose = false;
    // Why the command line is refused, in one line; empty when it is taken.
    std::string refusal;
};

// Reads the arguments after the program's name. Each option may be given once, and at
// most one of the options that print and exit. A folder follows --levels-folder as the
// next argument, which must not begin with "-" (such a folder is given as
// --levels-folder=FOLDER), or after "=", and is never empty. Anything that is not an
// option, "-" and all after "--" included, is refused rather than guessed at.
CommandLine parseCommandLine(std::span<const std::string> arguments);

// What --help prints: the usage line, the options and the exit statuses.
std::string_view helpText();

// Prints every levels folder found, one absolute path a line, in the order tried (the
// first is the one a plain start uses), each as --levels-folder takes it back, and on
// `notes` where the game may read a copy of the first one's levels instead. Verbose, it
// prints every place looked at instead, one line each, with what was found there or why
// it was passed over. Returns the exit status: 0, or 1 when none.
int listLevelsFolders(const LevelsFolderChoice& choice, std::ostream& out, std::ostream& notes, bool verbose = false);

// Prints one line per slot, its number then what it holds. Returns the exit status: 0,
// or 1, with the reason on errors, when the levels folder cannot be used.
int showSlots(const LevelsFolderChoice& choice, std::ostream& out, std::ostream& errors);

} // namespace varnholt
