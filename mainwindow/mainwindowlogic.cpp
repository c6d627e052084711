// SPDX-License-Identifier: MIT
#include "mainwindowlogic.h"

#include "levelfiles/slotcontents.h"

#include <array>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace varnholt {
namespace {

// Start-up backs up each slot's files in this order, the last slot first.
constexpr std::array<std::string_view, 4> startupBackupExtensions { ".inf", ".hdr", ".dat", ".ver" };

constexpr std::size_t separatorLength = 100;

} // namespace

std::string alreadyRunningMessage(std::string_view folder)
{
    return "Varnholt is already running on the levels folder " + std::string(folder)
        + ". Close it there first: this window changes no files.";
}

std::string namedFolderMissingMessage(std::string_view folder)
{
    return "Can't find the levels folder " + std::string(folder)
        + " given with --levels-folder. No files were changed.";
}

std::string levelsFolderNotWritableMessage(std::string_view folder)
{
    return "Varnholt cannot write in the levels folder " + std::string(folder)
        + ", so it can neither back up nor change any level. The folder belongs to another user or is protected. "
          "On Windows, a game under C:\\Program Files needs Varnholt started as administrator: right-click it, "
          "then choose Run as administrator.";
}

std::string levelsFolderLogLine(std::string_view folder)
{
    return "Using the levels folder " + std::string(folder);
}

std::string levelsCopyWarning(std::string_view folder, std::string_view copy)
{
    return "Note: the game may read the copy of the levels in " + std::string(copy) + " instead of "
        + std::string(folder) + ", which is the folder Varnholt changes. To change the copy, start Varnholt with "
        + "--levels-folder and the copy's folder.";
}

MainWindowLogic::MainWindowLogic(
    ControlOperations& window, LevelsFolderChoice folderChoice, LevelFileOperations::LogLineWriter writeReason)
    : m_window(window)
    , m_folderChoice(std::move(folderChoice))
    , m_files([this](std::string_view line) { appendLogLine(line); }, std::move(writeReason))
{
}

void MainWindowLogic::appendLogLine(std::string_view line)
{
    std::string text(line);
    text += "\r\n";
    m_window.appendText1Text(text);
}

void MainWindowLogic::Form_Load()
{
    for (const Selector selector : allSelectors)
        m_window.setSelectorText(selector, slotOf(selector).defaultEntryText);
    // After the selectors: setting their entries has enabled Change.
    m_window.setChangeEnabled(false);

    try {
        if (!enterLevelsFolder())
            return;
        m_files.removeLeftovers();
        for (auto slot = levelSlots.rbegin(); slot != levelSlots.rend(); ++slot) {
            for (const std::string_view extension : startupBackupExtensions)
                m_files.copymplevl(levelFileName(slot->levelNumber, extension));
        }
    } catch (const std::exception&) {
        m_window.showMessage(levelsFolderMissingMessage);
    }
}

std::vector<FoundLevelsFolder> LevelsFolderChoice::folders(std::size_t most, const SearchTrace& trace) const
{
    if (!namedFolder)
        return findLevelsFolders(environment, most, trace);
    // The player's folder and no other.
    std::error_code error;
    std::filesystem::path folder = std::filesystem::absolute(*namedFolder, error);
    if (error || !std::filesystem::is_directory(folder, error))
        return {};
    return { FoundLevelsFolder { std::move(folder), false, false, {} } };
}

bool MainWindowLogic::enterLevelsFolder()
{
    const std::vector<FoundLevelsFolder> found = m_folderChoice.folders(1);
    if (found.empty() && m_folderChoice.namedFolder) {
        m_window.showMessage(namedFolderMissingMessage(m_folderChoice.namedFolder->string()));
        return false;
    }
    if (found.empty())
        throw std::system_error(std::make_error_code(std::errc::no_such_file_or_directory), "no levels folder");
    const FoundLevelsFolder& folder = found.front();
    const std::filesystem::path absoluteFolder = std::filesystem::absolute(folder.path);
    // Opened and locked before anything in it is touched, leftovers included: a
    // temporary file there may belong to another Varnholt that is still working.
    m_files.setLevelsFolder(absoluteFolder);
    if (!m_files.levelsFolder())
        throw std::system_error(
            std::make_error_code(std::errc::no_such_file_or_directory), "the levels folder cannot be opened");
    if (!m_files.lockLevelsFolder()) {
        m_window.showMessage(alreadyRunningMessage(absoluteFolder.string()));
        return false;
    }
    std::filesystem::current_path(absoluteFolder);
    // Said once, in plain words, instead of twelve silent backup failures and a log of
    // failed copies; everything then fails as it would, and changes nothing.
    if (!m_files.levelsFolder()->folderAcceptsNewFiles())
        m_window.showMessage(levelsFolderNotWritableMessage(absoluteFolder.string()));
    // Which installation is used, unless it is the one the program always used.
    if (!folder.isDefault)
        appendLogLine(levelsFolderLogLine(absoluteFolder.string()));
    for (const std::filesystem::path& copy : folder.copies)
        appendLogLine(levelsCopyWarning(absoluteFolder.string(), copy.string()));
    return true;
}

void MainWindowLogic::cmdChange_Click()
{
    try {
        const Edition edition = m_window.option1Value() ? Edition::BaseGame : Edition::Expansion;
        for (const LevelSlot& slot : levelSlots) {
            const Selector selector = selectorFor(edition, slot);
            const int index = m_window.selectorListIndex(selector);
            if (index < 0)
                throw std::logic_error("a level selector has no current entry");
            const LevelNumber level = m_window.selectorItemData(selector, index);
            if (level == slot.levelNumber)
                restoreSlot(slot);
            else
                putLevelInSlot(level, slot);
        }
        // A failed flush has its reason written; every file is complete all the same.
        (void)m_files.flush();
        appendLogLine(std::string(separatorLength, '-'));
        m_window.setChangeEnabled(false);
        showWhatSlotsHold();
    } catch (const std::exception&) {
        m_window.showMessage(changeFailedMessage);
    }
}

void MainWindowLogic::restoreSlot(const LevelSlot& slot)
{
    std::vector<std::string> files;
    files.reserve(levelFileExtensions.size());
    for (const std::string_view extension : levelFileExtensions)
        files.push_back(levelFileName(slot.levelNumber, extension));
    m_files.restoreSlot(files);
}

void MainWindowLogic::putLevelInSlot(LevelNumber level, const LevelSlot& slot)
{
    std::vector<SlotFileCopy> files;
    for (const std::string_view extension : levelFileExtensions) {
        // Some levels need the slot's own ".inf" file, which then stays as it is.
        if (extension == infExtension && isInInfExclusionSet(level))
            continue;
        files.push_back({ levelFileName(level, extension), levelFileName(slot.levelNumber, extension) });
    }
    m_files.overwriteSlot(files);
}

void MainWindowLogic::selectorClicked()
{
    m_window.setChangeEnabled(true);
}

void MainWindowLogic::showEdition(Edition edition)
{
    // The chosen set is shown before the other is hidden, so a column is never empty.
    for (const LevelSlot& slot : levelSlots)
        m_window.setSelectorVisible(selectorFor(edition, slot), true);
    const Edition other = edition == Edition::BaseGame ? Edition::Expansion : Edition::BaseGame;
    for (const LevelSlot& slot : levelSlots)
        m_window.setSelectorVisible(selectorFor(other, slot), false);
}

void MainWindowLogic::Option1_Click()
{
    showEdition(Edition::BaseGame);
}

void MainWindowLogic::Option2_Click()
{
    showEdition(Edition::Expansion);
}

void MainWindowLogic::showWhatSlotsHold()
{
    const FileSystemService* folder = m_files.levelsFolder();
    if (folder == nullptr)
        return; // no folder, nothing to tell
    for (const LevelSlot& slot : levelSlots)
        m_window.showSlotContent(slot, "Now in this slot: " + identifySlot(*folder, slot).describe());
}

void MainWindowLogic::cmdExit_Click()
{
    m_window.endProgram();
}

} // namespace varnholt
