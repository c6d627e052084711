// SPDX-License-Identifier: MIT
#include "yamlrecord.h"

#include <string>

namespace varnholt {

namespace fs = std::filesystem;

std::optional<YAML::Node> yamlRecord(Search& search, const fs::path& file)
{
    const std::optional<std::string> text = search.readRecord(file);
    if (!text)
        return std::nullopt;
    std::string why = "not a YAML mapping";
    try {
        YAML::Node node = YAML::Load(*text);
        if (node.IsMap())
            return node;
    } catch (const YAML::Exception& error) {
        // Malformed, or nested deeper than the parser goes: where the parser stopped, as
        // an editor counts lines and columns (the parser counts from 0), and its words.
        if (!error.mark.is_null())
            why += " (line " + std::to_string(error.mark.line + 1) + ", column " + std::to_string(error.mark.column + 1)
                + ": " + error.msg + ")";
    }
    search.note(file, "record unreadable: " + why);
    return std::nullopt;
}

std::string yamlString(const YAML::Node& mapping, const char* key)
{
    try {
        const YAML::Node value = mapping[key];
        if (value && value.IsScalar())
            return value.Scalar();
    } catch (const YAML::Exception&) {
        // not a mapping
    }
    return {};
}

std::optional<fs::path> recordedPath(std::string_view recorded, const fs::path& home)
{
    if (recorded == "~" || recorded.starts_with("~/"))
        return home / fs::path(recorded.substr(recorded.size() == 1 ? 1 : 2));
    fs::path path(recorded);
    if (!path.is_absolute())
        return std::nullopt; // relative to whatever folder the launcher ran in: unknowable here
    return path;
}

} // namespace varnholt
