// SPDX-License-Identifier: MIT
#include "mainwindowlogic.h"

#include "levelfiles/slotcontents.h"
#include "platform/entryname.h"
#include "platform/processio.h"

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

std::string namedPathNotAFolderMessage(std::string_view path)
{
    return std::string(path) + " given with --levels-folder is not a folder. No files were changed.";
}

std::string levelsFolderUnopenableMessage(std::string_view folder, std::string_view reason)
{
    return "Varnholt cannot open the levels folder " + std::string(folder) + ": " + std::string(reason)
        + ". No files were changed.";
}

std::string levelsFolderNotWritableMessage(std::string_view folder)
{
    return "Varnholt cannot write in the levels folder " + std::string(folder)
        + ", so it can neither back up nor change any level. The folder belongs to another user or is protected. "
          "On Windows, a game under C:\\Program Files needs Varnholt started as administrator: right-click it, "
          "then choose Run as administrator.";
}

std::string slotUnreadableReason(LevelNumber slot, std::string_view reason)
{
    return "Slot " + std::to_string(slot) + " cannot be read: " + std::string(reason);
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

std::string slotInTwoCasesLogLine(LevelNumber slot, std::string_view names)
{
    return "Slot " + std::to_string(slot) + " left as it was: its files are there in two letter cases, "
        + std::string(names);
}

MainWindowLogic::MainWindowLogic(
    ControlOperations& window, LevelsFolderChoice folderChoice, LevelFileOperations::LogLineWriter writeReason)
    : m_window(window)
    , m_folderChoice(std::move(folderChoice))
    , m_files([this](std::string_view line) { appendLogLine(line); },
          // A reason may name the levels folder: shown as every other name is, so that no
          // name in it can break the line or send the terminal a command.
          [writer = writeReason ? std::move(writeReason) : LevelFileOperations::LogLineWriter(writeToStandardError)](
              std::string_view line) { writer(shownText(line)); })
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

    const FolderEntry entry = enterLevelsFolder();
    if (!entry.message.empty())
        m_window.showMessage(entry.message);
    if (!entry.entered) {
        // Let go of any folder half-entered: every later operation fails and touches nothing.
        m_files.setLevelsFolder(std::nullopt);
        return;
    }
    for (const std::string& line : entry.logLines)
        appendLogLine(line);
    m_files.removeLeftovers();
    // Each backup contains its own failure.
    for (auto slot = levelSlots.rbegin(); slot != levelSlots.rend(); ++slot) {
        for (const std::string_view extension : startupBackupExtensions)
            m_files.backUpSlotFile(levelFileName(slot->levelNumber, extension));
    }
}

namespace {

// The length of the UTF-8 sequence of a printable character at the start of `text`, or 0
// for a control character (C0, DEL, C1), a byte that begins no valid sequence, an
// overlong form, a surrogate or a code point beyond U+10FFFF.
std::size_t printableCharacterAt(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return lead >= 0x20 && lead != 0x7f ? 1 : 0;
    const std::size_t length = lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc2 ? 2 : 0;
    if (length == 0 || lead > 0xf4 || text.size() < length)
        return 0;
    char32_t point = lead & (0x7f >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xc0) != 0x80)
            return 0;
        point = (point << 6) | (byte(i) & 0x3f);
    }
    const bool overlong = (length == 3 && point < 0x800) || (length == 4 && point < 0x10000);
    const bool control = point >= 0x80 && point < 0xa0;
    const bool surrogate = point >= 0xd800 && point < 0xe000;
    return overlong || control || surrogate || point > 0x10ffff ? 0 : length;
}

constexpr std::string_view hexDigits = "0123456789abcdef";

} // namespace

std::string shownText(std::string_view bytes)
{
    bool plain = true;
    for (std::size_t i = 0, length = 0; plain && i < bytes.size(); i += length)
        plain = (length = printableCharacterAt(bytes.substr(i))) != 0;
    if (plain)
        return std::string(bytes);
    std::string quoted = "$'";
    for (std::size_t i = 0; i < bytes.size();) {
        if (const std::size_t length = printableCharacterAt(bytes.substr(i))) {
            if (bytes[i] == '\\' || bytes[i] == '\'')
                quoted += '\\';
            quoted += bytes.substr(i, length);
            i += length;
            continue;
        }
        const auto byte = static_cast<unsigned char>(bytes[i++]);
        if (byte == '\n' || byte == '\t' || byte == '\r') {
            quoted += byte == '\n' ? "\\n" : byte == '\t' ? "\\t" : "\\r";
            continue;
        }
        quoted += "\\x";
        quoted += hexDigits[byte >> 4];
        quoted += hexDigits[byte & 0xf];
    }
    return quoted + "'";
}

std::optional<std::string> shellUnquoted(std::string_view quoted)
{
    if (quoted.size() < 3 || !quoted.starts_with("$'") || !quoted.ends_with('\''))
        return std::nullopt;
    const std::string_view inside = quoted.substr(2, quoted.size() - 3);
    std::string bytes;
    for (std::size_t i = 0; i < inside.size(); ++i) {
        if (inside[i] == '\'')
            return std::nullopt; // the quoting ends before the text does
        if (inside[i] != '\\') {
            bytes += inside[i];
            continue;
        }
        if (++i == inside.size())
            return std::nullopt;
        const char escape = inside[i];
        if (escape == '\\' || escape == '\'' || escape == '"') {
            bytes += escape;
        } else if (escape == 'n' || escape == 't' || escape == 'r') {
            bytes += escape == 'n' ? '\n' : escape == 't' ? '\t' : '\r';
        } else if (escape == 'x') {
            // One or two hexadecimal digits, as the shell reads them.
            unsigned value = 0;
            std::size_t digits = 0;
            for (; digits < 2 && i + 1 < inside.size(); ++digits) {
                const std::size_t digit = hexDigits.find(asciiLower(inside[i + 1]));
                if (digit == std::string_view::npos)
                    break;
                value = value * 16 + static_cast<unsigned>(digit);
                ++i;
            }
            if (digits == 0)
                return std::nullopt;
            bytes += static_cast<char>(value);
        } else {
            return std::nullopt; // an escape the listing never writes
        }
    }
    return bytes;
}

std::string shownPath(const std::filesystem::path& path)
{
    return shownText(platform::argumentOf(path));
}

std::filesystem::path folderAsNamed(const std::filesystem::path& named)
{
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(named, error)))
        return named;
    const std::optional<std::string> unquoted = shellUnquoted(platform::argumentOf(named));
    return unquoted && !unquoted->empty() ? platform::pathFromArgument(*unquoted) : named;
}

LevelsFolderToUse levelsFolderToUse(const LevelsFolderChoice& choice)
{
    if (!choice.namedFolder) {
        std::vector<FoundLevelsFolder> found = choice.folders(1);
        if (found.empty())
            return { std::nullopt, std::string(levelsFolderMissingMessage) };
        return { std::move(found.front()), {} };
    }
    // Told apart, so that the player hears what is true of the folder they named.
    const std::string named = shownPath(*choice.namedFolder);
    std::error_code error;
    std::filesystem::path folder = std::filesystem::absolute(folderAsNamed(*choice.namedFolder), error);
    const std::filesystem::file_status status
        = error ? std::filesystem::file_status() : std::filesystem::status(folder, error);
    if (status.type() == std::filesystem::file_type::not_found)
        return { std::nullopt, namedFolderMissingMessage(named) };
    if (error)
        return { std::nullopt, levelsFolderUnopenableMessage(named, error.message()) };
    if (!std::filesystem::is_directory(status))
        return { std::nullopt, namedPathNotAFolderMessage(named) };
    return { FoundLevelsFolder { std::move(folder), false, false, {} }, {} };
}

std::vector<FoundLevelsFolder> LevelsFolderChoice::folders(std::size_t most, const SearchTrace& trace) const
{
    if (!namedFolder)
        return findLevelsFolders(environment, most, trace);
    // The player's folder and no other.
    std::error_code error;
    std::filesystem::path folder = std::filesystem::absolute(folderAsNamed(*namedFolder), error);
    if (error || !std::filesystem::is_directory(folder, error))
        return {};
    return { FoundLevelsFolder { std::move(folder), false, false, {} } };
}

MainWindowLogic::FolderEntry MainWindowLogic::enterLevelsFolder()
{
    LevelsFolderToUse toUse = levelsFolderToUse(m_folderChoice);
    if (!toUse.folder)
        return { false, std::move(toUse.problem), {} };
    const FoundLevelsFolder& folder = *toUse.folder;
    std::error_code error;
    const std::filesystem::path absoluteFolder = std::filesystem::absolute(folder.path, error);
    const std::string shown = shownPath(error ? folder.path : absoluteFolder);
    if (error)
        return { false, levelsFolderUnopenableMessage(shown, error.message()), {} };
    // Opened and locked before anything in it is touched, leftovers included: a
    // temporary file there may belong to another Varnholt that is still working.
    m_files.setLevelsFolder(absoluteFolder);
    if (!m_files.levelsFolder())
        return { false, levelsFolderUnopenableMessage(shown, m_files.whyNoLevelsFolder().message()), {} };
    if (!m_files.lockLevelsFolder())
        return { false, alreadyRunningMessage(shown), {} };
    // The process stays in the folder it was started in: every access goes through the
    // open folder, so nothing depends on the working folder.
    FolderEntry entered { true, {}, {} };
    // Said once, in plain words, instead of twelve silent backup failures and a log of
    // failed copies; everything then fails as it would, and changes nothing.
    if (!m_files.levelsFolder()->folderAcceptsNewFiles())
        entered.message = levelsFolderNotWritableMessage(shown);
    // Which installation is used, unless it is the one the program always used.
    if (!folder.isDefault)
        entered.logLines.push_back(levelsFolderLogLine(shown));
    // The game may read a copy of the levels instead: the player chooses which is changed.
    for (const std::filesystem::path& copy : folder.copies)
        entered.logLines.push_back(levelsCopyWarning(shown, shownPath(copy)));
    return entered;
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
            if (leavesSlotInTwoCases(slot))
                continue;
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
    } catch (const std::exception& error) {
        // The box's words are fixed; the reason it was given goes where every reason goes.
        m_files.writeReason(std::string("Change stopped: ") + error.what());
        m_window.showMessage(changeFailedMessage);
    }
}

bool MainWindowLogic::leavesSlotInTwoCases(const LevelSlot& slot)
{
    // Under Wine the game may read either of two names that differ only in case: writing
    // one would leave the slot holding what the other holds, and no one could tell.
    const OpenLevelsFolder* folder = m_files.levelsFolder();
    const std::vector<std::string> same = folder ? slotNamesInTwoCases(*folder, slot) : std::vector<std::string>();
    if (same.empty())
        return false;
    const std::string line = slotInTwoCasesLogLine(slot.levelNumber, namesInTwoCasesText(same));
    appendLogLine(line);
    m_files.writeReason(line + "; remove the one the game should not read, then Change again");
    return true;
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
    const OpenLevelsFolder* folder = m_files.levelsFolder();
    if (folder == nullptr)
        return; // no folder, nothing to tell
    for (const LevelSlot& slot : levelSlots) {
        const SlotContent content = identifySlot(*folder, slot);
        m_window.showSlotContent(slot, "Now in this slot: " + content.describe());
        if (content.kind == SlotContent::Kind::Unreadable)
            m_files.writeReason(slotUnreadableReason(slot.levelNumber, content.whyUnreadable.message()));
    }
}

void MainWindowLogic::cmdExit_Click()
{
    m_window.endProgram();
}

} // namespace varnholt
