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
inline constexpr int exitOutputFailed = 4; // what an option printed could not all be written
inline constexpr int exitUnexpectedError = 5; // an error no part of the program foresaw, told with its message

inline constexpr std::string_view usageLine = "Usage: varnholt [--levels-folder FOLDER] [--list-levels-folders "
                                              "[--verbose | --null] | --show-slots | --help | --version]";

struct CommandLine {
    enum class Action { OpenWindow, ListLevelsFolders, ShowSlots, Help, Version };
    Action action = Action::OpenWindow;
    // The folder given with --levels-folder, as the system gave it.
    std::optional<std::string> levelsFolder;
    // With --list-levels-folders: every place looked at, and why it was passed over.
    bool verbose = false;
    // With --list-levels-folders: each name as its bytes, ended by a NUL, for scripts.
    bool nulSeparated = false;
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

// How --list-levels-folders prints: one shown path a line, every place looked at, or
// each path's bytes ended by a NUL.
enum class Listing { Lines, Verbose, NulSeparated };

// Prints every levels folder found, one absolute path a line, in the order tried (the
// first is the one a plain start uses), each as shownPath shows it and --levels-folder
// takes it back, and on `notes` where the game may read a copy of the first one's levels
// instead. Verbose, it prints every place looked at instead, one line each, with what was
// found there or why it was passed over. Returns the exit status: 0, or 1 when none.
int listLevelsFolders(
    const LevelsFolderChoice& choice, std::ostream& out, std::ostream& notes, Listing listing = Listing::Lines);

// Prints one line per slot, its number then what it holds. Returns the exit status: 0,
// or 1, with the reason on errors, when the levels folder cannot be used.
int showSlots(const LevelsFolderChoice& choice, std::ostream& out, std::ostream& errors);

// Does what a printing option asks (--help, --version, --list-levels-folders,
// --show-slots) and returns the exit status; nothing when the window is asked for. What
// it printed is flushed and checked: when any of it could not be written (a full disk, a
// closed standard output), it says so on `errors` and returns exitOutputFailed. An
// exception that nothing below caught is told on `errors`, with its message, and ends it
// with exitUnexpectedError.
std::optional<int> runPrintingOption(const CommandLine& commandLine, const LevelsFolderChoice& choice,
    std::ostream& out, std::ostream& errors, std::string_view version);

} // namespace varnholt
