// SPDX-License-Identifier: MIT
#include "mainwindowlogic.h"

#include <array>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace varnholt {
namespace {

// Start-up backs up each slot's files in this order, the last slot first.
constexpr std::array<std::string_view, 4> startupBackupExtensions{".inf", ".hdr", ".dat", ".ver"};

constexpr std::size_t separatorLength = 100;

} // namespace

MainWindowLogic::MainWindowLogic(ControlOperations& window, EnvironmentLookup environment)
    : m_window(window),
      m_environment(std::move(environment)),
      m_files([this](std::string_view line) { appendLogLine(line); })
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
        enterLevelsFolder();
        m_files.removeLeftovers();
        for (auto slot = levelSlots.rbegin(); slot != levelSlots.rend(); ++slot) {
            for (const std::string_view extension : startupBackupExtensions)
                m_files.copymplevl(levelFileName(slot->levelNumber, extension));
        }
    } catch (const std::exception&) {
        m_window.showMessage(levelsFolderMissingMessage);
    }
}

void MainWindowLogic::enterLevelsFolder()
{
    const std::optional<std::filesystem::path> folder = findLevelsFolder(m_environment);
    if (!folder)
        throw std::system_error(std::make_error_code(std::errc::no_such_file_or_directory),
                                "no levels folder");
    const std::filesystem::path absoluteFolder = std::filesystem::absolute(*folder);
    std::filesystem::current_path(absoluteFolder);
    // Only now do the file operations get a folder: until then they change nothing anywhere.
    m_files.setLevelsFolder(absoluteFolder);
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
        m_files.flush();
        appendLogLine(std::string(separatorLength, '-'));
        m_window.setChangeEnabled(false);
    } catch (const std::exception&) {
        m_window.showMessage(changeFailedMessage);
    }
}

void MainWindowLogic::restoreSlot(const LevelSlot& slot)
{
    for (const std::string_view extension : levelFileExtensions)
        m_files.restoremplevl(levelFileName(slot.levelNumber, extension));
}

void MainWindowLogic::putLevelInSlot(LevelNumber level, const LevelSlot& slot)
{
    for (const std::string_view extension : levelFileExtensions) {
        // Some levels need the slot's own ".inf" file, which then stays as it is.
        if (extension == infExtension && isInInfExclusionSet(level))
            continue;
        m_files.copysplevl(levelFileName(level, extension), levelFileName(slot.levelNumber, extension));
    }
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

void MainWindowLogic::cmdExit_Click()
{
    m_window.endProgram();
}

} // namespace varnholt
