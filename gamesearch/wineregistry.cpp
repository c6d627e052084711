// SPDX-License-Identifier: MIT
#include "wineregistry.h"

#include "levelfiles/entryname.h"

#include <algorithm>
#include <functional>

namespace varnholt {
namespace {

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (asciiLower(c) >= 'a' && asciiLower(c) <= 'f');
}

unsigned hexValue(char c)
{
    return c <= '9' ? static_cast<unsigned>(c - '0') : static_cast<unsigned>(asciiLower(c) - 'a' + 10);
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Undoes Wine's escapes in text up to the first unescaped `close`, appending UTF-8 to out.
// Text moves past the close; false when it never comes.
bool unescape(std::string_view& text, char close, std::string& out)
{
    char16_t highSurrogate = 0;
    const auto appendUnit = [&](char16_t unit) {
        if (unit >= 0xD800 && unit < 0xDC00) {
            highSurrogate = unit;
            return;
        }
        if (unit >= 0xDC00 && unit < 0xE000 && highSurrogate != 0)
            appendUtf8(out, 0x10000 + ((char32_t { highSurrogate } - 0xD800) << 10) + (unit - 0xDC00));
        else
            appendUtf8(out, (unit >= 0xD800 && unit < 0xE000) ? char32_t { 0xFFFD } : char32_t { unit });
        highSurrogate = 0;
    };
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i++];
        if (c == close) {
            text.remove_prefix(i);
            return true;
        }
        if (c != '\\' || i == text.size()) {
            appendUnit(static_cast<unsigned char>(c));
            continue;
        }
        const char escaped = text[i++];
        if (escaped == 'x') {
            unsigned unit = 0;
            std::size_t digits = 0;
            for (; digits < 4 && i < text.size() && isHexDigit(text[i]); ++digits)
                unit = unit * 16 + hexValue(text[i++]);
            appendUnit(digits == 0 ? u'x' : static_cast<char16_t>(unit));
        } else if (escaped >= '0' && escaped <= '7') {
            unsigned unit = static_cast<unsigned>(escaped - '0');
            for (std::size_t digits = 1; digits < 3 && i < text.size() && text[i] >= '0' && text[i] <= '7'; ++digits)
                unit = unit * 8 + static_cast<unsigned>(text[i++] - '0');
            appendUnit(static_cast<char16_t>(unit));
        } else {
            constexpr std::string_view letters = "abtnvfre";
            constexpr std::string_view controls = "\a\b\t\n\v\f\r\x1b";
            const std::size_t letter = letters.find(escaped);
            appendUnit(static_cast<unsigned char>(letter == std::string_view::npos ? escaped : controls[letter]));
        }
    }
    return false;
}

// Letter case as the registry's key names know it, for the ASCII names looked for.
struct FoldedHash {
    std::size_t operator()(char c) const { return std::hash<char>()(asciiLower(c)); }
};
struct FoldedEqual {
    bool operator()(char a, char b) const { return asciiLower(a) == asciiLower(b); }
};

// The values of the section whose header line ends at `body`: each wanted value of the
// section's key, named by `indices`, taken from the value lines up to the next section.
void readSection(std::string_view body, std::span<const RegistryValueName> wanted,
    const std::vector<std::size_t>& indices, std::vector<std::optional<std::string>>& values)
{
    std::string name;
    while (!body.empty() && !body.starts_with('[')) {
        const std::size_t end = body.find('\n');
        std::string_view line = body.substr(0, end);
        body = end == std::string_view::npos ? std::string_view() : body.substr(end + 1);
        name.clear();
        if (line.starts_with('@')) {
            line.remove_prefix(1); // the key's default value
        } else if (!line.starts_with('"')) {
            continue;
        } else {
            line.remove_prefix(1);
            if (!unescape(line, '"', name))
                continue;
        }
        if (!line.starts_with('='))
            continue;
        line.remove_prefix(1);
        if (line.starts_with("str(2):"))
            line.remove_prefix(7); // an expandable string
        if (!line.starts_with('"'))
            continue;
        line.remove_prefix(1);
        std::string value;
        if (!unescape(line, '"', value))
            continue;
        for (const std::size_t i : indices) {
            if (!values[i] && equalIgnoringCase(name, wanted[i].name))
                values[i] = value;
        }
    }
}

} // namespace

std::vector<std::optional<std::string>> wineRegistryValues(
    std::string_view registryFile, std::span<const RegistryValueName> wanted)
{
    // A registry file runs to megabytes, and the keys looked for are a few of tens of
    // thousands: the file is searched, case folded, for each key's last name as it ends a
    // section header ("...\\Name]"), and only the sections found are read.
    std::vector<std::optional<std::string>> values(wanted.size());
    std::vector<std::string> lastNames;
    for (const RegistryValueName& value : wanted) {
        const std::size_t separator = value.key.rfind('\\');
        std::string lastName(value.key.substr(separator == std::string_view::npos ? 0 : separator + 1));
        lastName += ']';
        if (std::find(lastNames.begin(), lastNames.end(), lastName) == lastNames.end())
            lastNames.push_back(std::move(lastName));
    }
    std::string section;
    std::vector<std::size_t> indices;
    for (const std::string& lastName : lastNames) {
        const std::boyer_moore_horspool_searcher searcher(lastName.begin(), lastName.end(), FoldedHash(), FoldedEqual());
        for (auto at = registryFile.begin();;) {
            const auto found = std::search(at, registryFile.end(), searcher);
            if (found == registryFile.end())
                break;
            at = found + 1;
            const std::size_t end = static_cast<std::size_t>(found - registryFile.begin()) + lastName.size();
            const std::size_t lineStart = registryFile.rfind('\n', end - 1) + 1; // npos + 1 is 0
            if (registryFile[lineStart] != '[')
                continue;
            std::string_view header = registryFile.substr(lineStart + 1);
            section.clear();
            if (!unescape(header, ']', section)
                || static_cast<std::size_t>(header.data() - registryFile.data()) != end)
                continue; // the name ends no section header here
            indices.clear();
            for (std::size_t i = 0; i < wanted.size(); ++i) {
                if (equalIgnoringCase(section, wanted[i].key))
                    indices.push_back(i);
            }
            const std::size_t body = registryFile.find('\n', end);
            if (!indices.empty() && body != std::string_view::npos)
                readSection(registryFile.substr(body + 1), wanted, indices, values);
        }
    }
    return values;
}

} // namespace varnholt
