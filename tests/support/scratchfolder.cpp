// SPDX-License-Identifier: MIT
#include "scratchfolder.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <sys/stat.h>

namespace varnholt::test {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder()
{
    std::string pattern = (fs::temp_directory_path() / "varnholt-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a scratch folder");
    m_path = pattern;
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

void writeFile(const fs::path& file, std::string_view content, mode_t mode)
{
    std::ofstream(file, std::ios::binary | std::ios::trunc).write(content.data(), static_cast<std::streamsize>(content.size()));
    fs::permissions(file, static_cast<fs::perms>(mode));
}

std::string readFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

mode_t modeOf(const fs::path& file)
{
    return static_cast<mode_t>(fs::symlink_status(file).permissions());
}

std::vector<std::string> namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string snapshotOf(const fs::path& folder)
{
    std::string all;
    for (const std::string& name : namesIn(folder)) {
        all += name;
        if (fs::is_regular_file(fs::symlink_status(folder / name))) {
            const std::string content = readFile(folder / name);
            all += " " + std::to_string(content.size()) + " #" + std::to_string(std::hash<std::string>{}(content));
        }
        all += "\n";
    }
    return all;
}

void writeLevel(const fs::path& folder, int level)
{
    for (const char* extension : {".dat", ".hdr", ".ver", ".inf"}) {
        const std::string name = "levl" + std::to_string(level) + extension;
        writeFile(folder / name, name + " original");
    }
}

} // namespace varnholt::test
