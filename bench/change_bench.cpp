// SPDX-License-Identifier: MIT
// One Change over the three slots, twelve real files with their backups present,
// against a plain copy of the same twelve files (no temporary file, no flush).
#include "catalogue/levelcatalogue.h"
#include "levelfiles/levelfileoperations.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class LevelsFolder {
public:
    LevelsFolder()
    {
        const char* where = std::getenv("VARNHOLT_BENCH_FOLDER");
        std::string pattern = ((where != nullptr) ? fs::path(where) : fs::temp_directory_path()) / "varnholt-bench-XXXXXX";
        m_path = ::mkdtemp(pattern.data());
        const std::string content(64 * 1024, 'x');
        for (const int level : {2080, 2100, 2120, 2021, 2011, 2012}) {
            for (const std::string_view extension : varnholt::levelFileExtensions) {
                const std::string name = varnholt::levelFileName(level, extension);
                std::ofstream(m_path / name, std::ios::binary) << content;
                std::ofstream(m_path / varnholt::backupFileName(name), std::ios::binary) << content;
            }
        }
    }
    ~LevelsFolder() { fs::remove_all(m_path); }
    LevelsFolder(const LevelsFolder&) = delete;
    LevelsFolder& operator=(const LevelsFolder&) = delete;
    [[nodiscard]] const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

constexpr std::array<std::pair<int, int>, 3> levelsIntoSlots{{{2021, 2080}, {2011, 2100}, {2012, 2120}}};

void change(benchmark::State& state)
{
    LevelsFolder folder;
    varnholt::LevelFileOperations files([](std::string_view line) { benchmark::DoNotOptimize(line.data()); });
    files.setLevelsFolder(folder.path());
    for (auto _ : state) {
        for (const auto& [level, slot] : levelsIntoSlots)
            for (const std::string_view extension : varnholt::levelFileExtensions)
                files.copysplevl(varnholt::levelFileName(level, extension), varnholt::levelFileName(slot, extension));
    }
}
BENCHMARK(change)->Unit(benchmark::kMillisecond)->UseRealTime();

void plainCopyFloor(benchmark::State& state)
{
    LevelsFolder folder;
    for (auto _ : state) {
        for (const auto& [level, slot] : levelsIntoSlots)
            for (const std::string_view extension : varnholt::levelFileExtensions)
                fs::copy_file(folder.path() / varnholt::levelFileName(level, extension),
                              folder.path() / varnholt::levelFileName(slot, extension),
                              fs::copy_options::overwrite_existing);
    }
}
BENCHMARK(plainCopyFloor)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
