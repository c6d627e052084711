// SPDX-License-Identifier: MIT
#include "gamesearch/gamesearch.h"
#include "levelfiles/levelfileoperations.h"
#include "platform/platformfiles.h"
#include "platform/processio.h"
#include "platform/utf8path.h"
#include "session/mainwindowlogic.h"
#include "support/fakewindow.h"
#include "support/loglines.h"
#include "support/scratchfolder.h"
#include "support/slotfile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <tuple>
#include <windows.h>

namespace varnholt::test {

namespace fs = std::filesystem;

// Without sharing, as the game may hold a file it has open.
std::shared_ptr<void> open(const fs::path& file, DWORD sharing = 0)
{
    return { ::CreateFileW(file.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr), ::CloseHandle };
}

struct Levels {
    Levels() { files.setLevelsFolder(folder.path()); }
    ScratchFolder folder;
    std::string log;
    LevelFileOperations files { [this](std::string_view line) { log.append(line).append("\n"); }, [](auto) {} };
};

const std::string copied = Log::copied("levl2005.dat", "levl2080.dat");
const std::string notCopied = Log::copied("levl2005.dat", "levl2080.dat", true);
const std::string restored = Log::restored("levl2080.dat");
const std::string notRestored = Log::restored("levl2080.dat", true);

// Row: read-only, held open, restored (else levl2005.dat copied over it), in capitals; the log line; the slot after.
// The slot is replaced, or left exactly as it was with its read-only mark; names keep their case, nothing is left over.
void replaceSlot(const auto& row)
{
    const auto& [readOnly, heldOpen, restore, inCapitals, line, after] = row;
    SCOPED_TRACE(::testing::PrintToString(row));
    Levels levels;
    const auto cased = [&](std::string name) {
        if (inCapitals)
            ::CharUpperA(name.data());
        return name;
    };
    const std::vector names { cased("copy of levl2080.dat"), cased("levl2005.dat"), cased("levl2080.dat") };
    const fs::path backup = levels.folder / names[0], slot = levels.folder / names[2];
    writeFile(backup, "first backup");
    writeFile(levels.folder / names[1], "single player");
    writeFile(slot, "multiplayer", readOnly ? 0444 : 0644);
    std::shared_ptr<void> game = heldOpen ? open(slot) : nullptr;
    if (heldOpen && open(slot, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE).get() != INVALID_HANDLE_VALUE)
        GTEST_SKIP() << "this system lets others open a file held without sharing";
    restore ? restoreSlotFile(levels.files, "levl2080.dat")
            : overwriteSlotFile(levels.files, "levl2005.dat", "levl2080.dat");
    game.reset();
    EXPECT_EQ(levels.log, std::string(line) + "\n");
    EXPECT_EQ(readFile(slot), after);
    EXPECT_EQ((modeOf(slot) & 0200) == 0, readOnly && heldOpen);
    EXPECT_EQ(readFile(backup), "first backup");
    EXPECT_EQ(namesIn(levels.folder.path()), names);
}

TEST(WindowsFiles, ASlotHeldOpenIsLeftAsItWasAndOneInCapitalsKeepsItsCase)
{
    for (const auto& row : {
             std::tuple { false, true, false, false, notCopied, "multiplayer" },
             std::tuple { false, true, true, false, notRestored, "multiplayer" },
             std::tuple { true, true, false, false, notCopied, "multiplayer" },
             std::tuple { false, false, false, true, copied, "single player" },
             std::tuple { false, true, true, true, notRestored, "multiplayer" },
         })
        replaceSlot(row);
}

TEST(WindowsFiles, AReadOnlySlotIsReplaced)
{
    const ScratchFolder probe;
    writeFile(probe / "old", "", 0444);
    writeFile(probe / "new", "");
    if (::MoveFileExW((probe / "new").c_str(), (probe / "old").c_str(), MOVEFILE_REPLACE_EXISTING))
        GTEST_SKIP() << "this system replaces a read-only file by a rename, so the mark's clearing goes unseen";
    for (const auto& row : { std::tuple { true, false, false, false, copied, "single player" },
             std::tuple { true, false, true, false, restored, "first backup" } })
        replaceSlot(row);
}

// A backup counts only once the folder is flushed. A level file missing, or a failed flush, replaces nothing.
TEST(WindowsFiles, ASlotIsReplacedWholeOrNotAtAll)
{
    for (const bool flushFails : { false, true }) {
        SCOPED_TRACE(flushFails ? "flush failing" : "a level file missing");
        Levels levels;
        writeLevel(levels.folder.path(), 2080);
        writeLevel(levels.folder.path(), 2005);
        fs::remove(levels.folder / (flushFails ? "none" : "levl2005.hdr"));
        platform::setStepHook(
            flushFails ? +[](platform::Step step) { return step == platform::Step::FlushFolder ? EIO : 0; } : nullptr);
        levels.files.overwriteSlot(
            std::vector<SlotFileCopy> { { "levl2005.dat", "levl2080.dat" }, { "levl2005.hdr", "levl2080.hdr" } });
        platform::setStepHook(nullptr);
        std::string expected;
        for (const std::string extension : { ".dat", ".hdr" })
            expected += (flushFails ? "" : Log::backedUp("levl2080" + extension) + "\n")
                + Log::copied("levl2005" + extension, "levl2080" + extension, true) + "\n";
        EXPECT_EQ(levels.log, expected);
        for (const std::string& name : namesIn(levels.folder.path())) // each file the one of its name, or its backup
            EXPECT_EQ(readFile(levels.folder / name), name.substr(name.starts_with("copy of ") ? 8 : 0) + " original");
    }
}

// One Varnholt per levels folder, by a named mutex; and the folder is held open against renaming.
TEST(WindowsLock, ASecondStartIsTurnedAwayUntilTheFirstEnds)
{
    const ScratchFolder levels, other;
    writeLevel(levels.path(), 2080);
    const fs::path moved = other / "moved";
    const LevelsFolderChoice choice(processEnvironment, levels.path());
    FakeWindow first, second, third;
    auto firstLogic = std::make_unique<MainWindowLogic>(first, choice);
    const WorkingFolderGuard workingFolder; // Windows renames no folder that is a current one, nor removes it
    {
        const WorkingFolderGuard leftAgain;
        firstLogic->Form_Load();
    }

    MainWindowLogic(second, choice).Form_Load();
    EXPECT_EQ(second.messages, std::vector { alreadyRunningMessage(fs::absolute(levels.path()).string()) });
    std::error_code error;
    fs::rename(levels.path(), moved, error);
    EXPECT_TRUE(error) << "renamed while open";

    firstLogic.reset();
    fs::rename(levels.path(), moved); // throws while the folder is still held
    fs::rename(moved, levels.path());
    MainWindowLogic(third, choice).Form_Load();
    EXPECT_TRUE(first.messages.empty() && third.messages.empty());
}

TEST(WindowsSearch, TheRegistryLeadsToTheGame)
{
    std::error_code ignored;
    struct Row {
        HKEY hive;
        REGSAM view;
        const wchar_t* vendor; // made for the row and removed after it
        const wchar_t* key; // below the vendor's
        const wchar_t* value;
        const char* levels; // below the folder the value names
        bool steam;
    };
    for (const Row& row : {
             Row { HKEY_CURRENT_USER, 0, LR"(Software\Bullfrog Productions Ltd)", L"Populous: The Beginning",
                 L"InstallPath", "LEVELS", false },
             Row { HKEY_CURRENT_USER, 0, LR"(Software\Valve)", L"Steam", L"SteamPath",
                 R"(SteamApps\common\populous 3\Levels)", true },
             Row { HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, LR"(Software\Bullfrog Productions Ltd)",
                 L"Populous: The Beginning", L"InstallPath", "Levels", false },
             Row { HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, LR"(Software\Bullfrog Productions Ltd)",
                 L"Populous: The Beginning", L"InstallPath", "levels", false },
             // GOG's installer records the folder the player chose under the game's id.
             Row { HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, LR"(Software\GOG.com)", LR"(Games\1207659027)", L"path",
                 "levels", false },
         })
        [&] { // a row skipped leaves the others to run
            const ScratchFolder scratch;
            const fs::path install = scratch / (row.steam ? "Steam" : "Game"), levels = install / row.levels;
            const fs::path elsewhere = scratch / R"(Library\steamapps\common\Populous 3\levels)";
            for (const fs::path& folder : { levels, elsewhere, install / "steamapps" })
                fs::create_directories(folder);
            writeFile(levels / "LEVL2080.DAT", "the 2-player map");
            writeFile(elsewhere / "levl2100.hdr", "the 3-player map's header");
            writeFile(install / R"(steamapps\libraryfolders.vdf)",
                "\"libraryfolders\" { \"1\" { \"path\" \"" + (scratch / "Library").generic_string() + "\" } }");

            // A vendor's key there already is left alone.
            HKEY key = nullptr;
            DWORD made = 0;
            const std::shared_ptr<void> removeKey(nullptr, [&](auto) {
                if (made == REG_CREATED_NEW_KEY) {
                    ::RegDeleteTreeW(key, nullptr);
                    ::RegDeleteKeyExW(row.hive, row.vendor, row.view, 0);
                }
                ::RegCloseKey(key);
            });
            const LSTATUS status = ::RegCreateKeyExW(
                row.hive, row.vendor, 0, nullptr, 0, KEY_ALL_ACCESS | row.view, nullptr, &key, &made);
            if (status != ERROR_SUCCESS || made != REG_CREATED_NEW_KEY)
                GTEST_SKIP() << "the key for " << row.levels << " is there already, or not to be made: " << status;
            const std::wstring target = (scratch / (row.steam ? "STEAM" : "GAME")).wstring();
            ASSERT_EQ(::RegSetKeyValueW(
                          key, row.key, row.value, REG_SZ, target.c_str(), static_cast<DWORD>(target.size() * 2 + 2)),
                ERROR_SUCCESS);

            const std::vector<FoundLevelsFolder> found = findLevelsFolders(processEnvironment);
            for (const fs::path& folder : { levels, elsewhere }) // the library only through Steam
                EXPECT_EQ(folder == levels || row.steam,
                    std::ranges::any_of(found, [&](auto& at) { return fs::equivalent(at.path, folder, ignored); }))
                    << folder << ": " << found.size() << " found";
        }();
}

// Heroic on Windows keeps its records in %APPDATA%\heroic, the game's folder a Windows path.
TEST(WindowsSearch, HeroicsRecordsLeadToTheGame)
{
    const ScratchFolder scratch;
    const fs::path game = scratch / R"(Heroic Games\Populous The Beginning)";
    fs::create_directories(game / "levels");
    writeFile(game / R"(levels\levl2120.dat)", "the 4-player map");
    fs::create_directories(scratch / R"(AppData\heroic\gog_store)");
    std::string escaped;
    for (const char c : game.string())
        escaped += c == '\\' ? std::string(R"(\\)") : std::string(1, c);
    writeFile(scratch / R"(AppData\heroic\gog_store\installed.json)",
        R"({"installed":[{"platform":"windows","install_path":")" + escaped + R"(","appName":"1207659027"}]})");
    const wchar_t* before = ::_wgetenv(L"APPDATA");
    const std::wstring saved = before == nullptr ? std::wstring() : before;
    ASSERT_EQ(::_wputenv_s(L"APPDATA", (scratch / "AppData").wstring().c_str()), 0);
    const std::vector<FoundLevelsFolder> found = findLevelsFolders(processEnvironment);
    ::_wputenv_s(L"APPDATA", saved.c_str());
    std::error_code ignored;
    EXPECT_TRUE(std::ranges::any_of(found, [&](auto& at) { return fs::equivalent(at.path, game / "levels", ignored); }))
        << found.size() << " found";
}

// This test started again as a program built for the desktop, with no standard handles
// unless they were given to it: attaches as the program does and prints its argument.
// Its exit code tells, bit by bit: it attached; its output and its errors went to a
// console and were written; it is in the console of the program that started it.
void consoleChild(bool withHandles)
{
    if (!withHandles) {
        ::FreeConsole();
        ::SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
        ::SetStdHandle(STD_ERROR_HANDLE, nullptr);
    }
    const bool attached = platform::connectToParentConsole();
    const std::string mark = platform::commandLineArguments(0, nullptr).back();
    const auto written = [&](std::ostream& stream, DWORD handle, const char* what) {
        stream << what << mark << std::endl;
        DWORD mode = 0;
        return stream.good() && ::GetConsoleMode(::GetStdHandle(handle), &mode);
    };
    std::array<DWORD, 8> processes {};
    const DWORD count = ::GetConsoleProcessList(processes.data(), processes.size());
    const auto parent = static_cast<DWORD>(std::stoul(std::getenv("VARNHOLT_CONSOLE_PARENT")));
    const bool shared = std::find(processes.begin(), processes.begin() + std::min<DWORD>(count, 8), parent)
        != processes.begin() + std::min<DWORD>(count, 8);
    std::_Exit((attached ? 1 : 0) | (written(std::cout, STD_OUTPUT_HANDLE, "out ") ? 2 : 0)
        | (written(std::cerr, STD_ERROR_HANDLE, "err ") ? 4 : 0) | (shared ? 8 : 0));
}

// Started from a console, the program's output and reasons go to that console, and a
// non-ASCII argument arrives intact; started from a program without a console (the
// desktop) it attaches to nothing; output redirected to a pipe stays there.
TEST(WindowsConsole, OutputReachesTheConsoleItWasStartedFromAndNothingElse)
{
    if (const char* child = std::getenv("VARNHOLT_CONSOLE_CHILD"))
        consoleChild(std::string_view(child) == "pipe");
    const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE), errors = ::GetStdHandle(STD_ERROR_HANDLE);
    const auto newConsole = [&] {
        ::FreeConsole();
        const bool made = ::AllocConsole();
        ::SetStdHandle(STD_OUTPUT_HANDLE, output); // the test's own output goes where it went
        ::SetStdHandle(STD_ERROR_HANDLE, errors);
        return made;
    };
    if (!newConsole())
        GTEST_SKIP() << "no console to be had here";
    // Wine without a terminal makes a console that takes no output: there, only that the
    // program attached to the right console can be seen, not what reaches it.
    const std::shared_ptr<void> screen(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr),
        ::CloseHandle);
    DWORD mode = 0;
    const bool consoleWorks = ::GetConsoleMode(screen.get(), &mode);
    if (!consoleWorks)
        std::cout << "This console takes no output (Wine without a terminal): only the attaching is checked.\n";
    ::SetEnvironmentVariableW(L"VARNHOLT_CONSOLE_PARENT", std::to_wstring(::GetCurrentProcessId()).c_str());
    wchar_t program[MAX_PATH] {};
    ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    for (const auto& [started, flags, exitCode] : {
             std::tuple { "console", DWORD { 0 }, consoleWorks ? 15U : 9U },
             std::tuple { "desktop", DWORD { DETACHED_PROCESS }, 0U }, // from a program without a console
             std::tuple { "pipe", DWORD { 0 }, 8U },
         }) {
        SCOPED_TRACE(started);
        const std::wstring mark = L"Jeux vid\u00e9o " + fs::path(started).wstring();
        std::wstring commandLine
            = L"\"" + std::wstring(program) + L"\" --gtest_filter=WindowsConsole.* \"" + mark + L"\"";
        ::SetEnvironmentVariableW(L"VARNHOLT_CONSOLE_CHILD", fs::path(started).c_str());
        SECURITY_ATTRIBUTES inherited { sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE };
        HANDLE readEnd = nullptr, writeEnd = nullptr;
        ASSERT_TRUE(::CreatePipe(&readEnd, &writeEnd, &inherited, 1 << 16));
        const std::shared_ptr<void> closeRead(readEnd, ::CloseHandle);
        STARTUPINFOW startup {};
        startup.cb = sizeof(startup);
        const bool piped = std::string_view(started) == "pipe";
        if (piped) {
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdOutput = startup.hStdError = writeEnd;
        }
        if (flags == DETACHED_PROCESS)
            ::FreeConsole();
        PROCESS_INFORMATION process {};
        ASSERT_TRUE(::CreateProcessW(
            nullptr, commandLine.data(), nullptr, nullptr, piped, flags, nullptr, nullptr, &startup, &process));
        ::CloseHandle(writeEnd);
        ::SetEnvironmentVariableW(L"VARNHOLT_CONSOLE_CHILD", nullptr);
        std::string fromPipe;
        std::array<char, 256> part {};
        for (DWORD got = 0; ::ReadFile(readEnd, part.data(), part.size(), &got, nullptr) && got > 0;)
            fromPipe.append(part.data(), got);
        ::WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 99;
        ::GetExitCodeProcess(process.hProcess, &code);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
        if (flags == DETACHED_PROCESS) {
            ASSERT_TRUE(newConsole());
        }
        EXPECT_EQ(code, exitCode);
        const std::string utf8 = utf8Of(fs::path(mark));
        EXPECT_EQ(fromPipe.ends_with("out " + utf8 + "\r\nerr " + utf8 + "\r\n"), piped) << fromPipe;
    }
}

} // namespace varnholt::test
