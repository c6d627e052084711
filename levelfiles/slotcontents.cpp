// SPDX-License-Identifier: MIT
#include "slotcontents.h"

#include "platform/entryname.h"

#include <algorithm>
#include <array>
#include <exception>
#include <map>
#include <optional>
#include <system_error>

namespace varnholt {
namespace {

// Level files are a few hundred kilobytes; a larger file is no level.
constexpr std::size_t largestLevelFile = std::size_t { 16 } << 20;

// The extensions in the order they are compared: the small files before the ".dat".
constexpr std::array<std::string_view, 4> comparisonOrder { ".hdr", ".ver", ".inf", ".dat" };

// A failure that says nothing of what a file holds, only that the system would not read it.
bool isRefusedRead(const std::error_code& error)
{
    return error == std::errc::permission_denied || error == std::errc::operation_not_permitted
        || error == std::errc::io_error;
}

// Reads each file at most once, and only as far as a comparison needs it.
class FileReader {
public:
    explicit FileReader(const OpenLevelsFolder& files)
        : m_files(files)
    {
    }

    // The size of a regular file; nothing for anything else or no entry.
    std::optional<std::uint64_t> size(const std::string& name)
    {
        const auto cached = m_sizes.find(name);
        if (cached != m_sizes.end())
            return cached->second;
        std::optional<std::uint64_t> size;
        try {
            const std::optional<FoundEntry> file = m_files.findFile(name);
            if (file && file->status.type == platform::EntryType::File)
                size = file->status.size;
        } catch (const std::system_error& error) {
            remember(error);
        } catch (const std::exception&) {
            // an ambiguous or unreadable name holds nothing we can tell
        }
        return m_sizes[name] = size;
    }

    const std::optional<std::string>& content(const std::string& name)
    {
        const auto cached = m_contents.find(name);
        if (cached != m_contents.end())
            return cached->second;
        std::optional<std::string> content;
        try {
            content = m_files.readFile(name, largestLevelFile);
        } catch (const std::system_error& error) {
            remember(error);
        } catch (const std::exception&) {
            // no content to compare: it equals nothing
        }
        return m_contents[name] = std::move(content);
    }

    bool sameSize(const std::string& a, const std::string& b)
    {
        const std::optional<std::uint64_t> first = size(a);
        return first && first == size(b);
    }

    bool sameContent(const std::string& a, const std::string& b)
    {
        const std::optional<std::string>& first = content(a);
        return first && first == content(b);
    }

    // The first refused read, if any: what was compared then proved nothing.
    [[nodiscard]] std::error_code refused() const { return m_refused; }

private:
    void remember(const std::system_error& error)
    {
        if (!m_refused && isRefusedRead(error.code()))
            m_refused = error.code();
    }

    const OpenLevelsFolder& m_files;
    std::error_code m_refused;
    std::map<std::string, std::optional<std::uint64_t>> m_sizes;
    std::map<std::string, std::optional<std::string>> m_contents;
};

// Each slot file and the file it must equal, by extension.
using Pairs = std::array<std::pair<std::string, std::string>, 4>;

bool allEqual(FileReader& reader, const Pairs& pairs)
{
    for (const auto& [slotFile, other] : pairs) {
        if (!reader.sameSize(slotFile, other))
            return false;
    }
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (!reader.sameContent(pairs[i].first, pairs[i].second))
            return false;
    }
    return true;
}

// The slot's files against the level's, each extension in comparison order.
Pairs pairsFor(const LevelSlot& slot, LevelNumber level)
{
    Pairs pairs;
    for (std::size_t i = 0; i < comparisonOrder.size(); ++i) {
        const std::string_view extension = comparisonOrder[i];
        const std::string slotFile = levelFileName(slot.levelNumber, extension);
        const bool keepsInf = extension == infExtension && isInInfExclusionSet(level);
        pairs[i] = { slotFile,
            level == slot.levelNumber || keepsInf ? backupFileName(slotFile) : levelFileName(level, extension) };
    }
    return pairs;
}

} // namespace

namespace {

std::vector<std::string> namesInTwoCases(const std::vector<std::string>& names, const LevelSlot& slot)
{
    std::vector<std::string> same;
    for (const std::string_view extension : levelFileExtensions) {
        const std::string file = levelFileName(slot.levelNumber, extension);
        std::vector<std::string> found;
        for (const std::string& name : names) {
            if (equalIgnoringCase(name, file))
                found.push_back(name);
        }
        if (found.size() > 1)
            same.insert(same.end(), found.begin(), found.end());
    }
    std::sort(same.begin(), same.end());
    return same;
}

} // namespace

std::vector<std::string> slotNamesInTwoCases(const OpenLevelsFolder& files, const LevelSlot& slot)
{
    try {
        return namesInTwoCases(files.names(), slot);
    } catch (const std::exception&) {
        return {}; // an unreadable folder holds nothing to tell apart
    }
}

std::string namesInTwoCasesText(const std::vector<std::string>& names)
{
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return text;
}

std::string SlotContent::describe() const
{
    switch (kind) {
    case Kind::NamesInTwoCases:
        return "files in two letter cases, " + namesInTwoCasesText(sameNames) + ": Change leaves this slot alone";
    case Kind::OriginalMap:
        return "the original map";
    case Kind::Level:
        return std::string(levelText);
    case Kind::NotBackedUp:
        return "the game's own map; not backed up yet";
    case Kind::Unreadable:
        return "files that cannot be read: " + whyUnreadable.message();
    case Kind::NoLevel:
        break;
    }
    return "files that match no level";
}

SlotContent identifySlot(const OpenLevelsFolder& files, const LevelSlot& slot)
{
    std::vector<std::string> names;
    try {
        names = files.names();
    } catch (const std::system_error& error) {
        return { SlotContent::Kind::Unreadable, {}, {}, error.code() };
    }
    if (std::vector<std::string> same = namesInTwoCases(names, slot); !same.empty())
        return { SlotContent::Kind::NamesInTwoCases, {}, std::move(same), {} };
    FileReader reader(files);
    if (allEqual(reader, pairsFor(slot, slot.levelNumber)))
        return { SlotContent::Kind::OriginalMap, {}, {}, {} };
    for (const Selector selector : { slot.baseGameSelector, slot.expansionSelector }) {
        for (const SelectorEntry& entry : entriesOf(selector)) {
            if (entry.levelNumber != slot.levelNumber && allEqual(reader, pairsFor(slot, entry.levelNumber)))
                return { SlotContent::Kind::Level, entry.text, {}, {} };
        }
    }
    if (const std::error_code refused = reader.refused())
        return { SlotContent::Kind::Unreadable, {}, {}, refused };
    for (const std::string_view extension : comparisonOrder) {
        if (reader.size(backupFileName(levelFileName(slot.levelNumber, extension))))
            return {};
    }
    return { SlotContent::Kind::NotBackedUp, {}, {}, {} };
}

} // namespace varnholt
