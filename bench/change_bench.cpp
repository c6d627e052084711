// SPDX-License-Identifier: MIT
// One Change over the three slots (twelve real files, backups present), on the disk
// (the current folder) and on tmpfs (/dev/shm), against two floors:
//   plainCopy    the same twelve files overwritten by std::filesystem::copy_file: no
//                temporary file, no flush, so a crash can leave a half-written level;
//   flushedCopy  the same, then each file and the folder flushed: the least that a
//                copy which survives a crash must cost.
#include "catalogue/levelcatalogue.h"
#include "levelfiles/levelfileoperations.h"

#include <benchmark/benchmark.h>

#include <array>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr std::array<std::pair<int, int>, 3> levelsIntoSlots { { { 2021, 2080 }, { 2011, 2100 }, { 2012, 2120 } } };

// A levels folder with the three slots, their backups and three single-player levels;
// the ".dat" files are 64 KiB, the others 1 KiB, as in the game.
class LevelsFolder {
public:
    explicit LevelsFolder(const fs::path& where)
    {
        std::string pattern = (where / "varnholt-bench-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
        for (const auto& [level, slot] : levelsIntoSlots) {
            for (const int number : { level, slot }) {
                for (const std::string_view extension : varnholt::levelFileExtensions) {
                    const std::string name = varnholt::levelFileName(number, extension);
                    const std::string content(extension == ".dat" ? 64 * 1024 : 1024, 'x');
                    std::ofstream(m_path / name, std::ios::binary) << content;
                    std::ofstream(m_path / varnholt::backupFileName(name), std::ios::binary) << content;
                }
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

void flush(const fs::path& path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    ::fsync(fd);
    ::close(fd);
}

template <typename EachFile, typename AfterAll> void forEveryFile(const fs::path& folder, EachFile each, AfterAll after)
{
    for (const auto& [level, slot] : levelsIntoSlots)
        for (const std::string_view extension : varnholt::levelFileExtensions)
            each(folder, varnholt::levelFileName(level, extension), varnholt::levelFileName(slot, extension));
    after(folder);
}

void change(benchmark::State& state, const fs::path& where)
{
    const LevelsFolder folder(where);
    varnholt::LevelFileOperations files([](std::string_view line) { benchmark::DoNotOptimize(line.data()); });
    files.setLevelsFolder(folder.path());
    for (auto iteration : state) {
        (void)iteration;
        forEveryFile(
            folder.path(),
            [&](const fs::path&, const std::string& level, const std::string& slot) {
                files.overwriteSlot(std::array { varnholt::SlotFileCopy { std::string(level), std::string(slot) } });
            },
            [&](const fs::path&) { files.flush(); });
    }
}

// The floors: each file overwritten in place, flushed or not.
void copyFloor(benchmark::State& state, const fs::path& where, bool flushed)
{
    const LevelsFolder folder(where);
    for (auto iteration : state) {
        (void)iteration;
        forEveryFile(
            folder.path(),
            [&](const fs::path& in, const std::string& level, const std::string& slot) {
                fs::copy_file(in / level, in / slot, fs::copy_options::overwrite_existing);
                if (flushed)
                    flush(in / slot, O_RDONLY);
            },
            [&](const fs::path& in) {
                if (flushed)
                    flush(in, O_RDONLY | O_DIRECTORY);
            });
    }
}

void plainCopy(benchmark::State& state, const fs::path& where)
{
    copyFloor(state, where, false);
}

void flushedCopy(benchmark::State& state, const fs::path& where)
{
    copyFloor(state, where, true);
}

const int registered = [] {
    for (const auto& [name, where] :
        { std::pair<const char*, fs::path> { "disk", fs::current_path() }, { "tmpfs", "/dev/shm" } }) {
        using Benchmark = void (*)(benchmark::State&, const fs::path&);
        for (const auto& [kind, run] : { std::pair<const char*, Benchmark> { "change/", change },
                 { "plainCopy/", plainCopy }, { "flushedCopy/", flushedCopy } })
            benchmark::RegisterBenchmark((kind + std::string(name)).c_str(), run, where)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->Repetitions(7)
                ->ReportAggregatesOnly(true);
    }
    return 0;
}();

} // namespace

BENCHMARK_MAIN();
