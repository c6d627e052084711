// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt::test {

// A real folder under the system's temporary directory, removed with all it holds.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }
    [[nodiscard]] std::filesystem::path operator/(std::string_view name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// Puts the working folder back, when it goes, where it was when it was made, for the
// tests that enter other folders (to see that nothing relative is taken from there).
struct WorkingFolderGuard {
    std::filesystem::path start = std::filesystem::current_path();
    ~WorkingFolderGuard()
    {
        std::error_code ignored;
        std::filesystem::current_path(start, ignored);
    }
};

// Permission bits as on Linux. Windows keeps only the read-only mark: set when no write bit is.
using FileMode = unsigned int;

void writeFile(const std::filesystem::path& file, std::string_view content, FileMode mode = 0644);
std::string readFile(const std::filesystem::path& file);
FileMode modeOf(const std::filesystem::path& file);

// The names in a folder, sorted.
std::vector<std::string> namesIn(const std::filesystem::path& folder);

// What stands under a name, told without opening anything but a regular file: a file's mode,
// size and a hash of its content, a link's target, or the kind of entry.
std::string entryAt(const std::filesystem::path& path);
std::string fileEntry(std::string_view content, FileMode mode = 0644);

// Every entry of a folder by name; and as one text, to compare before and after.
std::map<std::string, std::string> entriesIn(const std::filesystem::path& folder);
std::string snapshotOf(const std::filesystem::path& folder);

// The four files of a level, each holding its own name so that copies can be traced.
void writeLevel(const std::filesystem::path& folder, int level);

} // namespace varnholt::test
