// SPDX-License-Identifier: MIT
#include "wineregistry.h"

#include "levelfiles/entryname.h"

#include <algorithm>

namespace varnholt {
namespace {

// Calls visit with each line of a text, without its line end, until visit returns false.
// Registry files run to megabytes: the lines are never gathered.
template <typename Visit> void forEachLine(std::string_view text, Visit visit)
{
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (!visit(line))
            return;
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
}

// Whether a section's key path, written with each backslash doubled, is the key, in any
// letter case.
bool isSection(std::string_view section, std::string_view key)
{
    std::size_t k = 0;
    for (std::size_t i = 0; i < section.size(); ++i, ++k) {
        if (k == key.size() || asciiLower(section[i]) != asciiLower(key[k]))
            return false;
        if (section[i] == '\\' && i + 1 < section.size() && section[i + 1] == '\\')
            ++i;
    }
    return k == key.size();
}

std::string_view trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A quoted string at the start of text, with its escapes undone; text moves past it.
std::optional<std::string> quoted(std::string_view& text)
{
    if (!text.starts_with('"'))
        return std::nullopt;
    std::string value;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] == '"') {
            text.remove_prefix(i + 1);
            return value;
        }
        if (text[i] == '\\' && i + 1 < text.size())
            ++i;
        value += text[i];
    }
    return std::nullopt; // never closed
}

} // namespace

std::optional<std::string> wineRegistryValue(std::string_view registryFile, std::string_view key, std::string_view name)
{
    return wineRegistryValue(registryFile, std::span(&key, 1), name);
}

std::optional<std::string> wineRegistryValue(
    std::string_view registryFile, std::span<const std::string_view> keys, std::string_view name)
{
    // One pass over a file of megabytes: each section line is compared in place, and the
    // value of every key found is kept until the first key's ends the search.
    std::vector<std::optional<std::string>> values(keys.size());
    std::size_t inKey = keys.size();
    forEachLine(registryFile, [&](std::string_view line) {
        if (line.starts_with('[')) {
            const std::size_t close = line.find(']');
            const std::string_view section = line.substr(1, close == std::string_view::npos ? 0 : close - 1);
            inKey = std::find_if(keys.begin(), keys.end(), [&](std::string_view key) {
                return isSection(section, key);
            }) - keys.begin();
            return true;
        }
        if (inKey == keys.size() || values[inKey] || !line.starts_with('"'))
            return true;
        const std::optional<std::string> valueName = quoted(line);
        if (!valueName || !equalIgnoringCase(*valueName, name) || !line.starts_with('='))
            return true;
        line.remove_prefix(1);
        if (line.starts_with("str(2):"))
            line.remove_prefix(7); // an expandable string
        values[inKey] = quoted(line);
        return !values.front();
    });
    for (std::optional<std::string>& value : values) {
        if (value)
            return std::move(value);
    }
    return std::nullopt;
}

std::vector<std::string> steamLibraryPaths(std::string_view libraryFolders)
{
    // Valve's KeyValues text: quoted keys, each followed by a quoted value or a block in
    // braces. A library is a block of the top block, and its folder the "path" value there.
    std::vector<std::string> paths;
    int depth = 0;
    std::optional<std::string> key;
    for (std::string_view rest = libraryFolders; !rest.empty();) {
        const char c = rest.front();
        if (c == '{') {
            ++depth;
            key.reset();
            rest.remove_prefix(1);
        } else if (c == '}') {
            --depth;
            key.reset();
            rest.remove_prefix(1);
        } else if (c == '"') {
            std::optional<std::string> token = quoted(rest);
            if (!token)
                break;
            if (!key) {
                key = std::move(token);
            } else {
                if (depth == 2 && equalIgnoringCase(*key, "path") && !token->empty())
                    paths.push_back(std::move(*token));
                key.reset();
            }
        } else if (c == '/' && rest.starts_with("//")) {
            const std::size_t end = rest.find('\n');
            rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
        } else {
            rest.remove_prefix(1);
        }
    }
    return paths;
}

std::optional<std::string> lutrisGamePrefix(std::string_view gameFile)
{
    bool inGame = false;
    std::optional<std::string> prefix;
    forEachLine(gameFile, [&](std::string_view line) {
        const std::string_view entry = trimmed(line);
        if (entry.empty() || entry.starts_with('#'))
            return true;
        if (line.front() != ' ' && line.front() != '\t') {
            inGame = entry == "game:";
            return true;
        }
        if (!inGame || !entry.starts_with("prefix:"))
            return true;
        std::string_view value = trimmed(entry.substr(7));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        if (value.empty())
            return true;
        prefix = std::string(value);
        return false;
    });
    return prefix;
}

} // namespace varnholt
