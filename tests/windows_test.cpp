// SPDX-License-Identifier: MIT
#include "gamesearch/gamesearch.h"
#include "levelfiles/levelfileoperations.h"
#include "levelfiles/platformfiles.h"
#include "mainwindow/mainwindowlogic.h"
#include "support/fakewindow.h"
#include "support/scratchfolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
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

constexpr const char* notCopied = "levl2005.dat copied to levl2080.dat *** FAILED ***";

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
    restore ? levels.files.restoremplevl("levl2080.dat") : levels.files.copysplevl("levl2005.dat", "levl2080.dat");
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
             std::tuple { false, true, true, false, "levl2080.dat restore *** FAILED ***", "multiplayer" },
             std::tuple { true, true, false, false, notCopied, "multiplayer" },
             std::tuple { false, false, false, true, "levl2005.dat copied to levl2080.dat", "single player" },
             std::tuple { false, true, true, true, "levl2080.dat restore *** FAILED ***", "multiplayer" },
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
    for (const auto& row :
        { std::tuple { true, false, false, false, "levl2005.dat copied to levl2080.dat", "single player" },
            std::tuple { true, false, true, false, "levl2080.dat restored", "first backup" } })
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
            expected += (flushFails ? "" : "levl2080" + extension + " multiplayer level backed up\n") + "levl2005"
                + extension + " copied to levl2080" + extension + " *** FAILED ***\n";
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
    const fs::path startFolder = fs::current_path(), moved = other / "moved";
    const LevelsFolderChoice choice(processEnvironment, levels.path());
    FakeWindow first, second, third;
    auto firstLogic = std::make_unique<MainWindowLogic>(first, choice);
    firstLogic->Form_Load();
    fs::current_path(startFolder); // Windows renames no folder that is a current one, nor removes it

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
    fs::current_path(startFolder);
}

TEST(WindowsSearch, TheX86FolderServesWhileTheUsualOneIsMissing)
{
    const fs::path usual = R"(C:\Program Files\Bullfrog)", x86 = R"(C:\Program Files (x86)\Bullfrog)";
    if (fs::exists(usual) || fs::exists(x86) || !fs::is_directory(x86.parent_path()))
        GTEST_SKIP() << "the game's folders are there already, or there is no (x86) folder: not this test's to change";
    std::error_code error;
    const std::shared_ptr<void> undo(nullptr, [&](auto) { // the folders made here go again
        fs::remove_all(x86, error);
        fs::remove_all(usual, error);
    });
    for (const fs::path& made : { x86, usual }) { // the usual one first once it is there
        if (!fs::create_directories(made / R"(Populous\levels)", error) && made == x86)
            GTEST_SKIP() << "cannot make folders in " << x86.parent_path().string();
        const auto found = findLevelsFolder();
        ASSERT_TRUE(found);
        EXPECT_TRUE(found->isDefault && fs::equivalent(found->path, made / R"(Populous\levels)")) << found->path;
    }
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

} // namespace varnholt::test
