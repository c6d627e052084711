// SPDX-License-Identifier: MIT
// Start-up against the floor window in homes whose Heroic library lists one other game
// over and over (none, 1,000 and 5,000 times), with its settings naming a prefix, and the
// game itself in a PlayOnLinux prefix searched after Heroic. Each home is measured by
// startup_bench, which prints both programs' medians and their ratio in the same run.
//
//   heroiclibrary_bench RUNS STARTUP_BENCH VARNHOLT FLOORWINDOW   (under Xvfb, as startup_bench)
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

void put(const fs::path& file, const std::string& text)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

void makePrefix(const fs::path& prefix)
{
    fs::create_directories(prefix / "drive_c/windows");
    fs::create_directories(prefix / "dosdevices");
    fs::create_directory_symlink("../drive_c", prefix / "dosdevices/c:");
}

void makeHome(const fs::path& home, int entries)
{
    const fs::path levels = home / ".PlayOnLinux/wineprefix/pop/drive_c/GOG Games/Populous 3/levels";
    makePrefix(home / ".PlayOnLinux/wineprefix/pop");
    for (const char* slot : { "2080", "2100", "2120" }) {
        for (const char* extension : { ".dat", ".hdr", ".ver", ".inf" }) {
            const std::string name = std::string("levl") + slot + extension;
            put(levels / name, name);
            put(levels / ("copy of " + name), name); // backed up already, as on every start after the first
        }
    }
    const fs::path other = home / "Games/Heroic/Other Game";
    fs::create_directories(other);
    makePrefix(home / "Games/Heroic/Prefixes/Other Game");
    std::string installed = R"({"installed":[)";
    for (int i = 0; i < entries; ++i)
        installed += R"({"install_path":")" + other.string() + R"(","appName":"other"},)";
    put(home / ".config/heroic/gog_store/installed.json", installed + R"({}]})");
    put(home / ".config/heroic/GamesConfig/other.json",
        R"({"other":{"winePrefix":")" + (home / "Games/Heroic/Prefixes/Other Game").string() + R"("}})");
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s RUNS STARTUP_BENCH VARNHOLT FLOORWINDOW\n", argv[0]);
        return 2;
    }
    std::string scratch = (fs::temp_directory_path() / "varnholt-heroic-XXXXXX").string();
    if (::mkdtemp(scratch.data()) == nullptr) {
        std::perror("mkdtemp");
        return 2;
    }
    ::unsetenv("WINEPREFIX");
    int status = 0;
    for (const int entries : { 0, 1000, 5000 }) {
        const fs::path home = fs::path(scratch) / std::to_string(entries);
        makeHome(home, entries);
        ::setenv("HOME", home.c_str(), 1);
        for (const char* variable : { "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME" })
            ::unsetenv(variable);
        std::printf("== Heroic's library listing one other game %d times\n", entries);
        std::fflush(stdout);
        char* const arguments[] = { argv[2], argv[1], argv[3], argv[4], nullptr };
        pid_t child = 0;
        if (posix_spawn(&child, argv[2], nullptr, nullptr, arguments, environ) != 0
            || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "%s did not finish\n", argv[2]);
            status = 1;
            break;
        }
    }
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
    return status == 0 ? 0 : 1;
}
