// SPDX-License-Identifier: MIT
#include "commandline.h"

#include "levelfiles/slotcontents.h"
#include "platform/processio.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <exception>
#include <limits>
#include <system_error>

namespace varnholt {
namespace {

struct Option {
    std::string_view name; // the long name, with its dashes
    char letter; // the short name, or 0
    bool takesFolder;
    CommandLine::Action action;
};

constexpr std::array<Option, 7> options { {
    { "--levels-folder", 0, true, CommandLine::Action::OpenWindow },
    { "--list-levels-folders", 0, false, CommandLine::Action::ListLevelsFolders },
    { "--verbose", 0, false, CommandLine::Action::ListLevelsFolders },
    { "--null", '0', false, CommandLine::Action::ListLevelsFolders },
    { "--show-slots", 0, false, CommandLine::Action::ShowSlots },
    { "--help", 'h', false, CommandLine::Action::Help },
    { "--version", 'v', false, CommandLine::Action::Version },
} };

constexpr std::string_view help = R"(
Puts single-player levels of Populous The Beginning in the place of its multiplayer levels.

Options:
  --levels-folder FOLDER  Use that levels folder and no other; a folder whose name
                          begins with a dash is given as --levels-folder=FOLDER.
  --list-levels-folders   Print every levels folder found, the one a plain start
                          uses first, and exit. A name with a control character or
                          bytes that are no UTF-8 is printed in the shell's $'...'
                          quoting, which --levels-folder takes back.
  --verbose               With --list-levels-folders: print every place looked at,
                          and what was found there or why it was passed over.
  -0, --null              With --list-levels-folders: print each folder's name as
                          it is, ended by a NUL instead of a line feed, for scripts.
  --show-slots            Print what each multiplayer slot holds now, and exit.
  -h, --help              Print this help and exit.
  -v, --version           Print the version and exit.

Each option may be given once. Exit status: 0 when done; 1 when --list-levels-folders
or --show-slots finds no levels folder to use; 2 when the command line is refused;
3 when there is no display for the window; 4 when what was asked for could not be
written out; 5 on an unexpected error, told with its message.
)";

std::string inQuotes(std::string_view text)
{
    if (std::string shown = shownText(text); shown != text)
        return shown; // quoted already, and so that no control character is printed
    std::string quoted(1, '\'');
    quoted += text;
    quoted += '\'';
    return quoted;
}

CommandLine refused(std::string reason)
{
    return { CommandLine::Action::OpenWindow, std::nullopt, false, false, std::move(reason) };
}

const Option* optionNamed(std::string_view argument)
{
    const auto found = std::find_if(options.begin(), options.end(), [&](const Option& option) {
        return argument == option.name
            || (option.letter != 0 && argument.size() == 2 && argument[0] == '-' && argument[1] == option.letter);
    });
    return found == options.end() ? nullptr : &*found;
}

} // namespace

CommandLine parseCommandLine(std::span<const std::string> arguments)
{
    CommandLine taken;
    std::array<bool, options.size()> given {};
    const Option* printing = nullptr;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || argument.size() < 2 || argument[0] != '-')
            return refused(
                inQuotes(argument) + " is not an option; a levels folder is given with --levels-folder FOLDER");
        const std::size_t equals = argument.starts_with("--") ? argument.find('=') : std::string_view::npos;
        const Option* option = optionNamed(argument.substr(0, equals));
        if (option == nullptr)
            return refused("unknown option " + inQuotes(argument.substr(0, equals)));
        bool& seen = given.at(static_cast<std::size_t>(option - options.data()));
        if (seen)
            return refused(std::string(option->name) + " is given twice");
        seen = true;
        if (!option->takesFolder) {
            if (equals != std::string_view::npos)
                return refused(std::string(option->name) + " takes no value");
            if (option->name == "--verbose" || option->name == "--null") {
                (option->name == "--verbose" ? taken.verbose : taken.nulSeparated) = true;
                continue;
            }
            if (printing != nullptr)
                return refused(
                    std::string(printing->name) + " and " + std::string(option->name) + " cannot be given together");
            printing = option;
            taken.action = option->action;
            continue;
        }
        std::string_view folder;
        if (equals != std::string_view::npos)
            folder = argument.substr(equals + 1);
        else if (i + 1 == arguments.size())
            return refused(std::string(option->name) + " needs a folder");
        else if (arguments[i + 1].starts_with('-'))
            return refused(std::string(option->name) + " needs a folder, not " + inQuotes(arguments[i + 1])
                + " (a folder whose name begins with a dash is given as " + std::string(option->name) + "=FOLDER)");
        else
            folder = arguments[++i];
        if (folder.empty())
            return refused(std::string(option->name) + " needs a folder, not an empty name");
        taken.levelsFolder = std::string(folder);
    }
    if (taken.verbose && taken.action != CommandLine::Action::ListLevelsFolders)
        return refused("--verbose goes with --list-levels-folders");
    if (taken.nulSeparated && taken.action != CommandLine::Action::ListLevelsFolders)
        return refused("--null goes with --list-levels-folders");
    if (taken.verbose && taken.nulSeparated)
        return refused("--verbose and --null cannot be given together");
    return taken;
}

std::string_view helpText()
{
    static const std::string text = std::string(usageLine) + "\n" + std::string(help);
    return text;
}

int listLevelsFolders(const LevelsFolderChoice& choice, std::ostream& out, std::ostream& notes, Listing listing)
{
    const bool verbose = listing == Listing::Verbose;
    const SearchTrace trace = [&](const std::filesystem::path& place, std::string_view outcome) {
        out << shownPath(place) << ": " << outcome << '\n';
    };
    const std::vector<FoundLevelsFolder> folders
        = choice.folders(std::numeric_limits<std::size_t>::max(), verbose ? trace : SearchTrace());
    if (verbose && choice.namedFolder)
        out << shownPath(*choice.namedFolder) << ": " << (folders.empty() ? "no such folder" : "named, used") << '\n';
    for (const FoundLevelsFolder& folder : folders) {
        if (listing == Listing::NulSeparated)
            out << platform::argumentOf(folder.path) << '\0';
        else if (!verbose)
            out << shownPath(folder.path) << '\n';
    }
    if (!folders.empty()) {
        for (const std::filesystem::path& copy : folders.front().copies)
            notes << levelsCopyWarning(shownPath(folders.front().path), shownPath(copy)) << '\n';
    }
    return folders.empty() ? exitNoLevelsFolder : exitDone;
}

int showSlots(const LevelsFolderChoice& choice, std::ostream& out, std::ostream& errors)
{
    const LevelsFolderToUse toUse = levelsFolderToUse(choice);
    if (!toUse.folder) {
        errors << toUse.problem << '\n';
        return exitNoLevelsFolder;
    }
    // A folder that may be listed but not entered does not open either.
    const OpenLevelsFolder files(toUse.folder->path);
    if (const std::error_code problem = files.whyNoFolder()) {
        errors << levelsFolderUnopenableMessage(shownPath(toUse.folder->path), problem.message()) << '\n';
        return exitNoLevelsFolder;
    }
    for (const LevelSlot& slot : levelSlots) {
        const SlotContent content = identifySlot(files, slot);
        out << slot.levelNumber << ": " << content.describe() << '\n';
        if (content.kind == SlotContent::Kind::NamesInTwoCases)
            errors << slotInTwoCasesLogLine(slot.levelNumber, namesInTwoCasesText(content.sameNames)) << '\n';
        if (content.kind == SlotContent::Kind::Unreadable)
            errors << slotUnreadableReason(slot.levelNumber, content.whyUnreadable.message()) << '\n';
    }
    return exitDone;
}

namespace {

// Flushes what was printed and tells whether all of it reached its file: a full disk or a
// closed output fails a write, often only when the buffer is flushed at the end.
int checkedStatus(std::ostream& out, std::ostream& errors, int status)
{
    const bool failedBefore = !out;
    out.clear();
    errno = 0;
    out.flush(); // again after a failure, for the system's reason
    const int reason = errno;
    if (out && !failedBefore)
        return status;
    errors << "varnholt: the output could not be written" << (reason != 0 ? ": " : "")
           << (reason != 0 ? std::strerror(reason) : "") << '\n';
    errors.flush();
    return exitOutputFailed;
}

} // namespace

std::optional<int> runPrintingOption(const CommandLine& commandLine, const LevelsFolderChoice& choice,
    std::ostream& out, std::ostream& errors, std::string_view version)
{
    int status = exitDone;
    try {
        switch (commandLine.action) {
        case CommandLine::Action::Help:
            out << helpText();
            break;
        case CommandLine::Action::Version:
            out << "Varnholt " << version << '\n';
            break;
        case CommandLine::Action::ListLevelsFolders:
            status = listLevelsFolders(choice, out, errors,
                commandLine.verbose            ? Listing::Verbose
                    : commandLine.nulSeparated ? Listing::NulSeparated
                                               : Listing::Lines);
            break;
        case CommandLine::Action::ShowSlots:
            status = showSlots(choice, out, errors);
            break;
        case CommandLine::Action::OpenWindow:
            return std::nullopt;
        }
    } catch (const std::exception& error) {
        errors << "varnholt: an unexpected error: " << error.what() << '\n';
        errors.flush();
        return exitUnexpectedError;
    }
    return checkedStatus(out, errors, status);
}

} // namespace varnholt
