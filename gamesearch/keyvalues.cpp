// SPDX-License-Identifier: MIT
#include "keyvalues.h"

#include "platform/entryname.h"

#include <optional>

namespace varnholt {
namespace {

constexpr std::size_t deepestBlock = 32;

class Reader {
public:
    explicit Reader(std::string_view text)
        : m_rest(text)
    {
    }

    // Entries until the end of the text (depth 0) or of the block; false when malformed.
    bool readBlock(std::vector<KeyValue>& entries, std::size_t depth)
    {
        for (;;) {
            skipSpaceAndComments();
            if (m_rest.empty())
                return depth == 0;
            if (m_rest.front() == '}') {
                m_rest.remove_prefix(1);
                return depth != 0;
            }
            std::optional<std::string> key = token();
            if (!key)
                return false;
            skipSpaceAndComments();
            KeyValue entry { std::move(*key), {}, {}, false };
            if (m_rest.starts_with('{')) {
                m_rest.remove_prefix(1);
                if (depth + 1 >= deepestBlock)
                    return false;
                entry.isBlock = true;
                const bool complete = readBlock(entry.block, depth + 1);
                entries.push_back(std::move(entry));
                if (!complete)
                    return false;
                continue;
            }
            std::optional<std::string> value = token();
            if (!value)
                return false;
            entry.value = std::move(*value);
            entries.push_back(std::move(entry));
        }
    }

private:
    void skipSpaceAndComments()
    {
        for (;;) {
            const std::size_t text = m_rest.find_first_not_of(" \t\r\n");
            m_rest.remove_prefix(text == std::string_view::npos ? m_rest.size() : text);
            if (!m_rest.starts_with("//"))
                return;
            const std::size_t end = m_rest.find('\n');
            m_rest.remove_prefix(end == std::string_view::npos ? m_rest.size() : end);
        }
    }

    // A quoted string with its escapes undone, or a bare word; nothing at a brace or the end.
    std::optional<std::string> token()
    {
        if (m_rest.empty() || m_rest.front() == '{' || m_rest.front() == '}')
            return std::nullopt;
        std::string text;
        if (m_rest.front() != '"') {
            const std::size_t end = m_rest.find_first_of(" \t\r\n{}\"");
            text = m_rest.substr(0, end);
            m_rest.remove_prefix(end == std::string_view::npos ? m_rest.size() : end);
            return text;
        }
        for (std::size_t i = 1; i < m_rest.size(); ++i) {
            char c = m_rest[i];
            if (c == '"') {
                m_rest.remove_prefix(i + 1);
                return text;
            }
            if (c == '\\' && i + 1 < m_rest.size()) {
                c = m_rest[++i];
                c = c == 'n' ? '\n' : c == 't' ? '\t' : c;
            }
            text += c;
        }
        return std::nullopt; // never closed
    }

    std::string_view m_rest;
};

} // namespace

std::string_view KeyValue::valueOf(std::string_view name) const
{
    for (const KeyValue& entry : block) {
        if (!entry.isBlock && equalIgnoringCase(entry.key, name))
            return entry.value;
    }
    return {};
}

std::vector<KeyValue> parseKeyValues(std::string_view text)
{
    std::vector<KeyValue> entries;
    Reader(text).readBlock(entries, 0);
    return entries;
}

} // namespace varnholt
