// SPDX-License-Identifier: MIT
#include "wineregistry.h"

#include "platform/entryname.h"

#include <algorithm>
#include <array>

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

// How a key's path ends a section header in the file, without its first name (so that
// "Software\Wow6432Node\Game" and "Software\Game" share it): "Vendor\\Game]".
std::string headerEnding(std::string_view key)
{
    const std::size_t first = key.find('\\');
    std::string ending;
    for (const char c : key.substr(first == std::string_view::npos ? 0 : first + 1)) {
        if (c == '\\' || c == '[' || c == ']')
            ending += '\\';
        ending += c;
    }
    ending += ']';
    return ending;
}

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
    // thousands: only the section headers are looked at (every '[' that starts a line,
    // found as fast as the library finds a byte), each compared by its raw ending first,
    // and only the sections of the keys wanted are read. The keys looked for are ASCII.
    std::vector<std::optional<std::string>> values(wanted.size());
    std::vector<std::string> endings;
    for (const RegistryValueName& value : wanted) {
        std::string ending = headerEnding(value.key);
        if (std::find(endings.begin(), endings.end(), ending) == endings.end())
            endings.push_back(std::move(ending));
    }
    std::string section;
    std::vector<std::size_t> indices;
    for (std::size_t at = registryFile.find('['); at != std::string_view::npos; at = registryFile.find('[', at + 1)) {
        if (at != 0 && registryFile[at - 1] != '\n')
            continue; // a bracket inside a value
        const std::size_t lineEnd = std::min(registryFile.find('\n', at), registryFile.size());
        const std::size_t close = registryFile.substr(at, lineEnd - at).rfind(']');
        if (close == std::string_view::npos)
            continue;
        const std::string_view raw = registryFile.substr(at + 1, close);
        if (std::none_of(endings.begin(), endings.end(), [&](const std::string& ending) {
                return raw.size() >= ending.size() && equalIgnoringCase(raw.substr(raw.size() - ending.size()), ending);
            }))
            continue;
        std::string_view header = raw;
        section.clear();
        if (!unescape(header, ']', section) || !header.empty())
            continue; // the bracket that ends the line ends no key name here
        indices.clear();
        for (std::size_t i = 0; i < wanted.size(); ++i) {
            if (equalIgnoringCase(section, wanted[i].key))
                indices.push_back(i);
        }
        if (!indices.empty() && lineEnd < registryFile.size())
            readSection(registryFile.substr(lineEnd + 1), wanted, indices, values);
    }
    return values;
}

} // namespace varnholt
