// SPDX-License-Identifier: MIT
#include "wineregistry.h"

#include "levelfiles/entryname.h"

#include <algorithm>

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

// Calls visit with each line of a text, without its line end. Registry files run to
// megabytes: the lines are never gathered.
template <typename Visit> void forEachLine(std::string_view text, Visit visit)
{
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        visit(line);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
}

} // namespace

std::vector<std::optional<std::string>> wineRegistryValues(
    std::string_view registryFile, std::span<const RegistryValueName> wanted)
{
    std::vector<std::optional<std::string>> values(wanted.size());
    std::vector<std::size_t> inSection; // the wanted values whose key this section is
    std::string text;
    forEachLine(registryFile, [&](std::string_view line) {
        if (line.starts_with('[')) {
            inSection.clear();
            line.remove_prefix(1);
            text.clear();
            if (!unescape(line, ']', text))
                return;
            for (std::size_t i = 0; i < wanted.size(); ++i) {
                if (equalIgnoringCase(text, wanted[i].key))
                    inSection.push_back(i);
            }
            return;
        }
        if (inSection.empty())
            return;
        text.clear();
        if (line.starts_with('@')) {
            line.remove_prefix(1); // the key's default value
        } else if (!line.starts_with('"')) {
            return;
        } else {
            line.remove_prefix(1);
            if (!unescape(line, '"', text))
                return;
        }
        if (!line.starts_with('='))
            return;
        line.remove_prefix(1);
        if (line.starts_with("str(2):"))
            line.remove_prefix(7); // an expandable string
        if (!line.starts_with('"'))
            return;
        line.remove_prefix(1);
        std::string value;
        if (!unescape(line, '"', value))
            return;
        for (const std::size_t i : inSection) {
            if (!values[i] && equalIgnoringCase(text, wanted[i].name))
                values[i] = value;
        }
    });
    return values;
}

} // namespace varnholt
