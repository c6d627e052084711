// SPDX-License-Identifier: MIT
#pragma once

// How the program works, from a user's click to the game's files:
//
//   user event on the main window (frmMain, Qt)
//     -> MainWindowLogic: start-up, Change, edition switch, Exit
//       -> LevelFileOperations: back up, overwrite or restore one slot file
//         -> OpenLevelsFolder: copies inside the levels folder, never half-written
//       <- one outcome line per file, appended to the activity log
//
// The logic sees the window only through ControlOperations, so everything below the
// window runs and is tested without Qt.

#include "catalogue/levelcatalogue.h"
#include "controloperations.h"
#include "gamesearch/gamesearch.h"
#include "levelfiles/levelfileoperations.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt {

inline constexpr std::string_view levelsFolderMissingMessage
    = R"(Error. Can't find Populous levels directory c:\Program Files\Bullfrog\Populous\levels. Check that you have done more than a minimum install to the default location)";

inline constexpr std::string_view changeFailedMessage
    = "Error. Unable to copy some files, check that the levels directory and files exist and are not in use";

// Shown at start-up when another Varnholt holds the levels folder.
std::string alreadyRunningMessage(std::string_view folder);

// Shown at start-up when the folder the player named does not exist.
std::string namedFolderMissingMessage(std::string_view folder);

// Shown when the path the player named is there but is no folder.
std::string namedPathNotAFolderMessage(std::string_view path);

// Shown when the levels folder is there but cannot be opened or entered: the folder and
// the system's reason.
std::string levelsFolderUnopenableMessage(std::string_view folder, std::string_view reason);

// Shown at start-up, once, when the player may not write in the levels folder.
std::string levelsFolderNotWritableMessage(std::string_view folder);

// The log's first line when the levels folder is not the default installation's.
std::string levelsFolderLogLine(std::string_view folder);

// Said at start-up and by the listing when the game may read a copy of the levels
// instead of the folder Varnholt changes.
std::string levelsCopyWarning(std::string_view folder, std::string_view copy);

// The log's line, also written as the reason, when Change leaves a slot whose files are
// there in two letter cases: "Slot 2080 left as it was: its files are there in two letter
// cases, levl2080.dat and LEVL2080.DAT".
std::string slotInTwoCasesLogLine(LevelNumber slot, std::string_view names);

// The reason, on standard error, when the files of a slot cannot be read, and so what it
// holds cannot be told: "Slot 2080 cannot be read: Permission denied".
std::string slotUnreadableReason(LevelNumber slot, std::string_view reason);

// How start-up finds the levels folder: searched for, or the one the player named.
struct LevelsFolderChoice {
    // NOLINTNEXTLINE(google-explicit-constructor): an environment alone means "search"
    LevelsFolderChoice(EnvironmentLookup lookup = processEnvironment, std::optional<std::filesystem::path> named = {})
        : environment(std::move(lookup))
        , namedFolder(std::move(named))
    {
    }
    // The named folder, made absolute, when it is a folder (else none); without one, the
    // folders the search finds, at most `most` of them.
    [[nodiscard]] std::vector<FoundLevelsFolder> folders(std::size_t most, const SearchTrace& trace = {}) const;

    EnvironmentLookup environment;
    std::optional<std::filesystem::path> namedFolder;
};

// The levels folder start-up and --show-slots work in, or why there is none, in the words
// the player is told: the default installation's message when nothing is found, for a
// named folder what is true of it.
struct LevelsFolderToUse {
    std::optional<FoundLevelsFolder> folder;
    std::string problem;
};
LevelsFolderToUse levelsFolderToUse(const LevelsFolderChoice& choice);

// A name as it is shown and printed: as it is when it is valid UTF-8 free of control
// characters, else whole in the shell's $'...' quoting, as ls shows it (a line feed as
// \n, an escape as \x1b, a byte that is no UTF-8 as \xe9), so that no name can break a
// line in two or send a terminal a command. The shell turns the quoted form back into
// the same bytes, and so does shellUnquoted.
std::string shownText(std::string_view bytes);
std::optional<std::string> shellUnquoted(std::string_view quoted);

// The text a path is shown and printed with, as shownText shows it: the command line
// takes it back.
std::string shownPath(const std::filesystem::path& path);

// The folder --levels-folder names: the argument as it is, or, when nothing has that
// name and it is in the $'...' quoting the listing prints, the name it quotes.
std::filesystem::path folderAsNamed(const std::filesystem::path& named);

class MainWindowLogic {
public:
    // Why a file operation failed goes to writeReason, or to standard error without one.
    explicit MainWindowLogic(ControlOperations& window, LevelsFolderChoice folderChoice = {},
        LevelFileOperations::LogLineWriter writeReason = {});

    // Start-up: every selector on its default, Change disabled, then into the levels
    // folder and the one-time backups of the twelve slot files.
    void Form_Load();

    // Puts the chosen level into each slot, or its own level back, and logs every file.
    void cmdChange_Click();

    // Choosing any entry in a selector makes Change available.
    void Combo1_Click() { selectorClicked(); }
    void Combo2_Click() { selectorClicked(); }
    void Combo3_Click() { selectorClicked(); }
    void Combo4_Click() { selectorClicked(); }
    void Combo5_Click() { selectorClicked(); }
    void Combo6_Click() { selectorClicked(); }
    void selectorClicked();

    // The edition buttons show one set of three selectors and hide the other.
    void Option1_Click();
    void Option2_Click();

    void cmdExit_Click();

    // Works out from the files what each slot holds now, and shows it on the window. Runs
    // once the window is on screen after start-up, and after every Change.
    void showWhatSlotsHold();

private:
    // What entering the levels folder came to: whether start-up goes on, what the player
    // is told (when anything), and the log's lines naming the folder (when not the
    // default) and the copies of its levels that the game may read instead.
    struct FolderEntry {
        bool entered = false;
        std::string message;
        std::vector<std::string> logLines;
    };

    void appendLogLine(std::string_view line);
    FolderEntry enterLevelsFolder();
    bool leavesSlotInTwoCases(const LevelSlot& slot);
    void restoreSlot(const LevelSlot& slot);
    void putLevelInSlot(LevelNumber level, const LevelSlot& slot);
    void showEdition(Edition edition);

    ControlOperations& m_window;
    LevelsFolderChoice m_folderChoice;
    LevelFileOperations m_files;
};

} // namespace varnholt
