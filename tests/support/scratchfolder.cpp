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
    std::error_code error;
    fs::remove_all(m_path, error);
}

void writeFile(const fs::path& file, std::string_view content, mode_t mode)
{
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        if (!out)
            throw std::runtime_error("cannot write " + file.string());
    }
    if (::chmod(file.c_str(), mode) != 0)
        throw std::runtime_error("cannot change the mode of " + file.string());
}

std::string readFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void ScratchFolder::write(std::string_view name, std::string_view content, mode_t mode) const
{
    writeFile(m_path / name, content, mode);
}

std::string ScratchFolder::read(std::string_view name) const
{
    return readFile(m_path / name);
}

bool ScratchFolder::exists(std::string_view name) const
{
    std::error_code error;
    return fs::exists(fs::symlink_status(m_path / name, error));
}

mode_t ScratchFolder::mode(std::string_view name) const
{
    struct stat status {};
    if (::lstat((m_path / name).c_str(), &status) != 0)
        throw std::runtime_error("no entry " + std::string(name));
    return status.st_mode & 07777;
}

void ScratchFolder::setMode(std::string_view name, mode_t mode) const
{
    if (::chmod((m_path / name).c_str(), mode) != 0)
        throw std::runtime_error("cannot change the mode of " + std::string(name));
}

std::vector<std::string> ScratchFolder::entries() const
{
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(m_path))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string ScratchFolder::snapshot() const
{
    std::string all;
    for (const std::string& name : entries()) {
        all += name;
        if (fs::is_regular_file(fs::symlink_status(m_path / name))) {
            // Size and hash: a failure message stays readable however large the files.
            const std::string content = read(name);
            all += " " + std::to_string(content.size()) + " bytes #" + std::to_string(std::hash<std::string>{}(content));
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
