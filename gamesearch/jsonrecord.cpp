// SPDX-License-Identifier: MIT
#include "jsonrecord.h"

namespace varnholt {

namespace fs = std::filesystem;

std::optional<Json> jsonRecord(
    Search& search, const fs::path& file, Json::value_t kind, const Json::parser_callback_t& keep)
{
    const std::optional<std::string> text = search.readRecord(file);
    if (!text)
        return std::nullopt;
    Json json = Json::parse(*text, keep, false);
    if (json.is_discarded() || json.type() != kind) {
        search.note(file,
            kind == Json::value_t::array ? "record unreadable: not a JSON list"
                                         : "record unreadable: not a JSON object");
        return std::nullopt;
    }
    return json;
}

std::string_view jsonString(const Json& object, const char* key)
{
    if (!object.is_object())
        return {};
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? std::string_view(found->get_ref<const std::string&>())
                                                       : std::string_view();
}

} // namespace varnholt
