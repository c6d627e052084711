// SPDX-License-Identifier: MIT
// Overwrite and restore of a 512 MiB level file, against cp of the same file on the same
// disk (the current folder), and against cp followed by sync of the copy, since every
// copy of ours is on disk before it takes its name. Each run is a child process, so that
// its peak memory can be compared with that of a child that copies nothing.
#include "median.h"

#include "levelfiles/levelfileoperations.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr std::size_t fileSize = std::size_t { 512 } << 20;
constexpr int rounds = 5;

struct Run {
    double seconds;
    long peakKilobytes;
};

Run measure(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        work();
        ::_exit(0);
    }
    int status = 0;
    rusage usage {};
    ::wait4(child, &status, 0, &usage);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return { took.count(), usage.ru_maxrss };
}

void run(std::vector<const char*> command)
{
    command.push_back(nullptr);
    pid_t child = 0;
    ::posix_spawnp(&child, command[0], nullptr, nullptr, const_cast<char* const*>(command.data()), environ);
    int status = 0;
    ::waitpid(child, &status, 0);
}

} // namespace

int main()
{
    std::string pattern = (fs::current_path() / "varnholt-largefile-XXXXXX").string();
    const fs::path folder = ::mkdtemp(pattern.data());
    {
        std::vector<char> block(std::size_t { 1 } << 20);
        std::ofstream level(folder / "levl2005.dat", std::ios::binary);
        for (std::size_t written = 0; written < fileSize; written += block.size()) {
            std::fill(block.begin(), block.end(), static_cast<char>(written >> 20));
            level.write(block.data(), static_cast<std::streamsize>(block.size()));
        }
    }
    fs::copy_file(folder / "levl2005.dat", folder / "levl2080.dat");
    fs::copy_file(folder / "levl2005.dat", folder / "copy of levl2080.dat");
    run({ "sync" });

    varnholt::LevelFileOperations files([](std::string_view) {});
    files.setLevelsFolder(folder);
    const std::string source = (folder / "levl2005.dat").string();
    const std::string target = (folder / "cp-copy.dat").string();

    std::map<std::string, std::vector<double>> seconds;
    std::map<std::string, long> peak;
    const std::vector<std::pair<std::string, std::function<void()>>> contenders {
        { "nothing", [] {} },
        { "cp",
            [&] {
                run({ "cp", source.c_str(), target.c_str() });
            } },
        { "cp+sync",
            [&] {
                run({ "cp", source.c_str(), target.c_str() });
                run({ "sync", target.c_str() });
            } },
        { "overwrite",
            [&] {
                files.overwriteSlot(
                    std::array { varnholt::SlotFileCopy { std::string("levl2005.dat"), std::string("levl2080.dat") } });
                files.flush();
            } },
        { "restore",
            [&] {
                files.restoreSlot(std::array { std::string("levl2080.dat") });
                files.flush();
            } },
    };
    for (int round = 0; round < rounds; ++round) {
        for (const auto& [name, work] : contenders) {
            const Run result = measure(work);
            seconds[name].push_back(result.seconds);
            peak[name] = std::max(peak[name], result.peakKilobytes);
            run({ "sync" }); // every contender starts with nothing left to write
        }
    }
    fs::remove_all(folder);

    const auto throughput
        = [&](const std::string& name) { return double(fileSize >> 20) / varnholt::bench::median(seconds[name]); };
    std::printf("512 MiB, median of %d rounds, in %s\n", rounds, fs::current_path().c_str());
    for (const auto& [name, work] : contenders) {
        if (name == "nothing")
            continue;
        std::printf("%-10s %7.3f s  %7.1f MiB/s  peak memory +%ld KiB", name.c_str(),
            varnholt::bench::median(seconds[name]), throughput(name), peak[name] - peak["nothing"]);
        if (name == "overwrite" || name == "restore")
            std::printf("  throughput / cp %.2f  / cp+sync %.2f", throughput(name) / throughput("cp"),
                throughput(name) / throughput("cp+sync"));
        std::printf("\n");
    }
    return 0;
}
