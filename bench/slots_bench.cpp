// SPDX-License-Identifier: MIT
// How long telling what the three slots hold takes, in a levels folder with every level
// the program lists (64 KiB ".dat" files and 1 KiB others, as in the game), backups
// present. Every file of a size the others share, so that sizes tell nothing apart and
// the contents must be read: the slower case. One slot holds the last level of the
// expansion's list, one the original map, and one files changed by hand, which match
// nothing and so are compared with every level. Prints the median of 20 runs.
//   slots_bench [FOLDER]      (the levels folder is made in FOLDER, by default the current one)
#include "catalogue/levelcatalogue.h"
#include "levelfiles/openlevelsfolder.h"
#include "levelfiles/slotcontents.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <set>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char* argv[])
{
    using namespace varnholt;
    std::string pattern = (fs::path(argc > 1 ? argv[1] : ".") / "varnholt-slots-XXXXXX").string();
    const fs::path folder = ::mkdtemp(pattern.data());
    std::set<LevelNumber> levels;
    for (const Selector selector : allSelectors)
        for (const SelectorEntry& entry : entriesOf(selector))
            levels.insert(entry.levelNumber);
    const auto write = [&](const std::string& name, int seed, std::size_t size) {
        std::string content(size, 'x');
        for (std::size_t i = 0; i < size; i += 97)
            content[i] = static_cast<char>('a' + (seed + static_cast<int>(i)) % 26);
        std::ofstream(folder / name, std::ios::binary) << content;
    };
    for (const LevelNumber level : levels) {
        for (const std::string_view extension : levelFileExtensions) {
            const std::string name = levelFileName(level, extension);
            write(name, level, extension == ".dat" ? 64 * 1024 : 1024);
            if (level == 2080 || level == 2100 || level == 2120)
                fs::copy_file(folder / name, folder / backupFileName(name));
        }
    }
    const LevelNumber lastLevel = entriesOf(Selector::Combo4).back().levelNumber;
    for (const std::string_view extension : levelFileExtensions) {
        fs::copy_file(folder / levelFileName(lastLevel, extension), folder / levelFileName(2080, extension),
            fs::copy_options::overwrite_existing);
        write(levelFileName(2120, extension), 7, extension == ".dat" ? 64 * 1024 : 1024);
    }

    const OpenLevelsFolder files(folder);
    std::vector<double> times;
    std::string seen;
    for (int run = 0; run < 20; ++run) {
        const auto start = std::chrono::steady_clock::now();
        seen.clear();
        for (const LevelSlot& slot : levelSlots)
            seen += identifySlot(files, slot).describe() + "; ";
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    std::printf(
        "%zu levels; the slots hold: %s\nthree slots told apart: median %.2f ms (min %.2f, max %.2f) over 20 runs\n",
        levels.size(), seen.c_str(), times[times.size() / 2], times.front(), times.back());
    fs::remove_all(folder);
    return 0;
}
