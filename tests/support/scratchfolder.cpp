// SPDX-License-Identifier: MIT
#include "scratchfolder.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <stdexcept>

namespace varnholt::test {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder()
{
    // A new folder under a random name, as mkdtemp makes it, on any system: creating it
    // is what claims the name, so parallel tests never share one.
    static constexpr std::string_view letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device random;
    std::uniform_int_distribution<std::size_t> pick(0, letters.size() - 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = "varnholt-test-";
        for (int i = 0; i < 6; ++i)
            name += letters[pick(random)];
        const fs::path path = fs::temp_directory_path() / name;
        if (fs::create_directory(path)) {
            m_path = path;
            return;
        }
    }
    throw std::runtime_error("cannot create a scratch folder");
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
#ifdef _WIN32
    // Windows removes no read-only file.
    for (fs::recursive_directory_iterator it(m_path, ignored), end; it != end; it.increment(ignored))
        fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ignored);
#endif
    fs::remove_all(m_path, ignored);
}

void writeFile(const fs::path& file, std::string_view content, FileMode mode)
{
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(content.data(), static_cast<std::streamsize>(content.size()));
    fs::permissions(file, static_cast<fs::perms>(mode));
}

std::string readFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

FileMode modeOf(const fs::path& file)
{
    return static_cast<FileMode>(fs::symlink_status(file).permissions());
}

std::vector<std::string> namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string fileEntry(std::string_view content, FileMode mode)
{
    return "file " + std::to_string(mode) + " " + std::string(content.substr(0, 24)) + " #"
        + std::to_string(content.size()) + std::to_string(std::hash<std::string_view> {}(content));
}

std::string entryAt(const fs::path& path)
{
    const fs::file_status status = fs::symlink_status(path);
    if (status.type() == fs::file_type::regular)
        return fileEntry(readFile(path), modeOf(path));
    if (status.type() == fs::file_type::symlink)
        return "link to " + fs::read_symlink(path).string();
    return status.type() == fs::file_type::not_found ? "missing" : "entry " + std::to_string(int(status.type()));
}

std::map<std::string, std::string> entriesIn(const fs::path& folder)
{
    std::map<std::string, std::string> entries;
    for (const std::string& name : namesIn(folder))
        entries[name] = entryAt(folder / name);
    return entries;
}

std::string snapshotOf(const fs::path& folder)
{
    std::string all;
    for (const auto& [name, entry] : entriesIn(folder))
        all += name + ": " + entry + "\n";
    return all;
}

void writeLevel(const fs::path& folder, int level)
{
    for (const char* extension : { ".dat", ".hdr", ".ver", ".inf" }) {
        const std::string name = "levl" + std::to_string(level) + extension;
        writeFile(folder / name, name + " original");
    }
}

} // namespace varnholt::test
