// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace varnholt::test {

// A real folder under the system's temporary directory, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }
    [[nodiscard]] std::filesystem::path operator/(std::string_view name) const { return m_path / name; }

    void write(std::string_view name, std::string_view content, mode_t mode = 0644) const;
    [[nodiscard]] std::string read(std::string_view name) const;
    [[nodiscard]] bool exists(std::string_view name) const;
    [[nodiscard]] mode_t mode(std::string_view name) const;
    void setMode(std::string_view name, mode_t mode) const;
    // Every entry's name, sorted.
    [[nodiscard]] std::vector<std::string> entries() const;
    // Everything in the folder, name and content, to compare before and after.
    [[nodiscard]] std::string snapshot() const;

private:
    std::filesystem::path m_path;
};

void writeFile(const std::filesystem::path& file, std::string_view content, mode_t mode = 0644);
std::string readFile(const std::filesystem::path& file);

// Writes the four files of a level, each holding its own name so copies can be traced.
void writeLevel(const std::filesystem::path& folder, int level);

} // namespace varnholt::test
