// SPDX-License-Identifier: MIT
// What only Windows does, provoked for real: slot files held open by the game or marked
// read-only, renames that must not replace, the lock, and the search through the
// system's own folders and registry. What Wine does not do as Windows does is skipped,
// with the reason.
#include "levelfiles/levelfileoperations.h"
#include "levelfiles/levelsfolder.h"
#include "levelfiles/platformfiles.h"
#include "levelfiles/temporaryname.h"
#include "mainwindow/mainwindowlogic.h"
#include "support/fakewindow.h"
#include "support/scratchfolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cwctype>
#include <optional>
#include <windows.h>

using namespace varnholt;
using namespace varnholt::test;
namespace fs = std::filesystem;
using Names = std::vector<std::string>;

namespace {

// A handle on a file that shares nothing, as a program that has the file open may hold it.
class HeldOpen {
public:
    explicit HeldOpen(const fs::path& file)
        : m_handle(::CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    ~HeldOpen() { ::CloseHandle(m_handle); }
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;

    // Whether others are really kept out: opening the file once more, for reading, fails.
    [[nodiscard]] static bool keepsOthersOut(const fs::path& file)
    {
        const HANDLE other
            = ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (other == INVALID_HANDLE_VALUE)
            return ::GetLastError() == ERROR_SHARING_VIOLATION;
        ::CloseHandle(other);
        return false;
    }

private:
    HANDLE m_handle;
};

// Whether this system refuses to replace a read-only file by a rename, as Windows does.
bool refusesToReplaceReadOnly()
{
    const ScratchFolder probe;
    writeFile(probe / "old", "", 0444);
    writeFile(probe / "new", "");
    return !::MoveFileExW((probe / "new").c_str(), (probe / "old").c_str(), MOVEFILE_REPLACE_EXISTING);
}

bool isReadOnly(const fs::path& file)
{
    const DWORD attributes = ::GetFileAttributesW(file.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

std::string capitals(std::string name)
{
    for (char& c : name)
        c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    return name;
}

class WindowsFiles : public ::testing::Test {
protected:
    WindowsFiles() { files.setLevelsFolder(levels.path()); }
    ScratchFolder levels;
    std::string log;
    LevelFileOperations files { [this](std::string_view line) { log.append(line).append("\n"); },
        [](std::string_view) {} };
};

struct SlotCase {
    const char* what;
    bool readOnly;
    bool heldOpen;
    bool restore; // else overwritten with levl2005.dat
    bool inCapitals;
    const char* line;
    const char* after;
};

void PrintTo(const SlotCase& c, std::ostream* out)
{
    *out << c.what;
}

class SlotFile : public WindowsFiles, public ::testing::WithParamInterface<SlotCase> { };

} // namespace

// A slot file the game holds open cannot be replaced, and stays exactly as it was, its
// read-only mark included; a read-only one is replaced. Names in any letter case.
TEST_P(SlotFile, IsReplacedOrLeftExactlyAsItWas)
{
    const SlotCase& c = GetParam();
    const auto onDisk = [&](const char* name) { return c.inCapitals ? capitals(name) : std::string(name); };
    const fs::path slot = levels / onDisk("levl2080.dat");
    writeFile(slot, "multiplayer", c.readOnly ? 0444 : 0644);
    writeFile(levels / onDisk("copy of levl2080.dat"), "first backup");
    writeFile(levels / onDisk("levl2005.dat"), "single player");
    if (c.readOnly && !c.heldOpen && !refusesToReplaceReadOnly())
        GTEST_SKIP() << "this system replaces a read-only file by a rename, so the mark's clearing goes unseen";
    std::optional<HeldOpen> game;
    if (c.heldOpen) {
        game.emplace(slot);
        if (!HeldOpen::keepsOthersOut(slot))
            GTEST_SKIP() << "this system lets others open a file held without sharing";
    }
    if (c.restore)
        files.restoremplevl("levl2080.dat");
    else
        files.copysplevl("levl2005.dat", "levl2080.dat");
    game.reset();

    const bool failed = std::string_view(c.line).ends_with("FAILED ***");
    EXPECT_EQ(log, std::string(c.line) + "\n");
    EXPECT_EQ(readFile(slot), c.after);
    EXPECT_EQ(isReadOnly(slot), c.readOnly && failed);
    EXPECT_EQ(readFile(levels / onDisk("copy of levl2080.dat")), "first backup");
    Names expected { onDisk("copy of levl2080.dat"), onDisk("levl2005.dat"), onDisk("levl2080.dat") };
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(namesIn(levels.path()), expected); // in their own letter case, and nothing left behind
}

constexpr const char* overwritten = "levl2005.dat copied to levl2080.dat";
constexpr const char* notOverwritten = "levl2005.dat copied to levl2080.dat *** FAILED ***";
constexpr const char* restored = "levl2080.dat restored";
constexpr const char* notRestored = "levl2080.dat restore *** FAILED ***";

INSTANTIATE_TEST_SUITE_P(HeldOpenOrReadOnly, SlotFile,
    ::testing::Values(SlotCase { "HeldOpenOverwritten", false, true, false, false, notOverwritten, "multiplayer" },
        SlotCase { "HeldOpenRestored", false, true, true, false, notRestored, "multiplayer" },
        SlotCase { "ReadOnlyAndHeldOpen", true, true, false, false, notOverwritten, "multiplayer" },
        SlotCase { "ReadOnlyOverwritten", true, false, false, false, overwritten, "single player" },
        SlotCase { "ReadOnlyRestored", true, false, true, false, restored, "first backup" },
        SlotCase { "InCapitalsOverwritten", false, false, false, true, overwritten, "single player" },
        SlotCase { "InCapitalsHeldOpenRestored", false, true, true, true, notRestored, "multiplayer" }),
    [](const auto& test) { return std::string(test.param.what); });

// A slot is replaced whole or not at all, and a backup counts only once the folder is
// flushed: with a file of the level missing, or the flush failing, nothing is replaced.
TEST_F(WindowsFiles, ASlotIsReplacedWholeOrNotAtAll)
{
    for (const bool flushFails : { false, true }) {
        SCOPED_TRACE(flushFails ? "flush failing" : "a level file missing");
        for (const std::string& name : namesIn(levels.path()))
            fs::remove(levels / name);
        writeLevel(levels.path(), 2080);
        writeLevel(levels.path(), 2005);
        fs::remove(levels / (flushFails ? "levl2005.nothing" : "levl2005.hdr"));
        log.clear();
        const platform::StepHook flushing
            = [](platform::Step step) { return step == platform::Step::FlushFolder ? EIO : 0; };
        platform::setStepHook(flushFails ? flushing : nullptr);
        files.overwriteSlot(
            std::vector<SlotFileCopy> { { "levl2005.dat", "levl2080.dat" }, { "levl2005.hdr", "levl2080.hdr" } });
        platform::setStepHook(nullptr);
        std::string expected;
        for (const char* extension : { ".dat", ".hdr" })
            expected += (flushFails ? "" : "levl2080" + std::string(extension) + " multiplayer level backed up\n")
                + "levl2005" + extension + " copied to levl2080" + extension + " *** FAILED ***\n";
        EXPECT_EQ(log, expected);
        for (const std::string& name : namesIn(levels.path())) {
            EXPECT_FALSE(isTemporaryName(name)) << name;
            if (name.starts_with("levl2080")) {
                EXPECT_EQ(readFile(levels / name), name + " original");
            }
        }
    }
}

// One Varnholt per levels folder, kept apart by a named mutex per folder; the folder is
// held open, so it cannot be renamed while the program works in it.
TEST(WindowsLock, ASecondStartIsTurnedAwayUntilTheFirstEnds)
{
    ScratchFolder levels;
    writeLevel(levels.path(), 2080);
    const fs::path startFolder = fs::current_path();
    const LevelsFolderChoice choice(processEnvironment, levels.path());
    auto first = std::make_unique<FakeWindow>();
    auto firstLogic = std::make_unique<MainWindowLogic>(*first, choice);
    firstLogic->Form_Load();
    EXPECT_TRUE(first->messages.empty());
    EXPECT_TRUE(fs::exists(levels / "copy of levl2080.dat"));

    FakeWindow second;
    MainWindowLogic(second, choice).Form_Load();
    EXPECT_EQ(second.messages, std::vector { alreadyRunningMessage(fs::absolute(levels.path()).string()) });
    const ScratchFolder other;
    std::error_code error;
    fs::rename(levels.path(), other / "moved", error);
    EXPECT_TRUE(error) << "renamed while open";

    firstLogic.reset();
    fs::current_path(startFolder);
    fs::rename(levels.path(), other / "moved", error);
    EXPECT_FALSE(error) << error.message();
    fs::rename(other / "moved", levels.path(), error);
    FakeWindow third;
    MainWindowLogic(third, choice).Form_Load();
    EXPECT_TRUE(third.messages.empty());
    fs::current_path(startFolder); // Windows removes no folder that is a current one
}

namespace {

// Folders made on drive C for one test, removed again after it.
class MadeFolders {
public:
    MadeFolders() = default;
    MadeFolders(const MadeFolders&) = delete;
    MadeFolders& operator=(const MadeFolders&) = delete;
    ~MadeFolders()
    {
        for (const fs::path& folder : m_made) {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
        }
    }
    // Makes top and the steps below it; false when top is there already or cannot be made.
    bool make(const fs::path& top, const fs::path& below)
    {
        std::error_code error;
        if (fs::exists(top, error) || !fs::create_directory(top, error))
            return false;
        m_made.push_back(top);
        return fs::create_directories(top / below, error);
    }

private:
    std::vector<fs::path> m_made;
};

} // namespace

// The game's default folder, or else its "(x86)" twin, on the system's own drive C.
TEST(WindowsSearch, TheX86FolderServesWhileTheUsualOneIsMissing)
{
    const fs::path usual = R"(C:\Program Files\Bullfrog)";
    const fs::path x86 = R"(C:\Program Files (x86)\Bullfrog)";
    if (fs::exists(usual) || fs::exists(x86) || !fs::is_directory(x86.parent_path()))
        GTEST_SKIP() << "the game's folders are there already, or there is no (x86) folder: not this test's to change";
    MadeFolders made;
    if (!made.make(x86, R"(Populous\levels)"))
        GTEST_SKIP() << "cannot make folders in " << x86.parent_path().string();
    std::optional<FoundLevelsFolder> found = findLevelsFolder();
    ASSERT_TRUE(found);
    EXPECT_TRUE(found->isDefault);
    EXPECT_TRUE(fs::equivalent(found->path, x86 / R"(Populous\levels)")) << found->path;

    ASSERT_TRUE(made.make(usual, R"(Populous\levels)"));
    found = findLevelsFolder();
    ASSERT_TRUE(found);
    EXPECT_TRUE(fs::equivalent(found->path, usual / R"(Populous\levels)")) << found->path;
}

namespace {

// A key under Software, made for one test with its vendor's key and removed after it; a
// vendor's key that is there already is left alone, and the test skipped.
class MadeKey {
public:
    MadeKey(HKEY hive, REGSAM view, const std::wstring& path)
        : m_vendor(path.substr(0, path.find(L'\\')))
    {
        HKEY vendor = nullptr;
        m_status = ::RegOpenKeyExW(hive, L"Software", 0, KEY_ALL_ACCESS | view, &m_software);
        if (m_status == ERROR_SUCCESS
            && ::RegOpenKeyExW(m_software, m_vendor.c_str(), 0, KEY_READ | view, &vendor) == ERROR_SUCCESS) {
            ::RegCloseKey(vendor);
            m_status = ERROR_ALREADY_EXISTS;
        }
        if (m_status == ERROR_SUCCESS)
            m_status = ::RegCreateKeyExW(
                m_software, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &m_key, nullptr);
    }
    ~MadeKey()
    {
        if (m_key != nullptr) {
            ::RegCloseKey(m_key);
            ::RegDeleteTreeW(m_software, m_vendor.c_str());
        }
        if (m_software != nullptr)
            ::RegCloseKey(m_software);
    }
    MadeKey(const MadeKey&) = delete;
    MadeKey& operator=(const MadeKey&) = delete;

    // ERROR_ALREADY_EXISTS, or why this user may not make the key.
    [[nodiscard]] LSTATUS status() const { return m_status; }
    bool set(const wchar_t* name, const std::wstring& text)
    {
        return ::RegSetValueExW(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)))
            == ERROR_SUCCESS;
    }

private:
    std::wstring m_vendor;
    HKEY m_software = nullptr;
    HKEY m_key = nullptr;
    LSTATUS m_status = ERROR_SUCCESS;
};

std::wstring inCapitals(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

struct RegistryCase {
    const char* what;
    HKEY hive;
    REGSAM view;
    const wchar_t* key; // under Software
    const wchar_t* value;
    const char* pointsAt; // under a scratch folder; the value names it in capitals
    const char* levels; // there, in the letter case it has on disk
};

void PrintTo(const RegistryCase& c, std::ostream* out)
{
    *out << c.what;
}

class Registry : public ::testing::TestWithParam<RegistryCase> { };

constexpr const wchar_t* gameKey = LR"(Bullfrog Productions Ltd\Populous: The Beginning)";
constexpr const wchar_t* installPath = L"InstallPath";
constexpr const wchar_t* steamPath = L"SteamPath";

} // namespace

// The game's InstallPath in either registry view, machine-wide or the user's, and Steam's
// folder with the libraries it lists: each leads to the levels folder, in any letter case.
TEST_P(Registry, LeadsToTheGame)
{
    const RegistryCase& c = GetParam();
    ScratchFolder scratch;
    const fs::path levels = scratch / c.pointsAt / c.levels;
    fs::create_directories(levels);
    writeFile(levels / "LEVL2080.DAT", "the 2-player map");
    if (std::wstring_view(c.value) == steamPath) {
        // A library elsewhere, written with doubled backslashes as Steam writes it.
        const fs::path library = scratch / "Library";
        fs::create_directories(library / R"(steamapps\common\Populous 3\levels)");
        writeFile(library / R"(steamapps\common\Populous 3\levels\levl2100.hdr)", "the 3-player map's header");
        std::string escaped;
        for (const char ch : library.string())
            escaped += ch == '\\' ? std::string(R"(\\)") : std::string(1, ch);
        writeFile(scratch / R"(Steam\steamapps\libraryfolders.vdf)",
            "\"libraryfolders\"\n{\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + escaped + "\"\n\t}\n}\n");
    }
    MadeKey key(c.hive, c.view, c.key);
    if (key.status() != ERROR_SUCCESS)
        GTEST_SKIP() << "cannot make the key for this test: error " << key.status();
    ASSERT_TRUE(key.set(c.value, inCapitals((scratch / c.pointsAt).wstring())));

    const std::vector<FoundLevelsFolder> found = findLevelsFolders(searchPlaces(processEnvironment));
    const auto lists = [&](const fs::path& expected) {
        return std::any_of(found.begin(), found.end(), [&](const FoundLevelsFolder& folder) {
            std::error_code ignored;
            return fs::equivalent(folder.path, expected, ignored);
        });
    };
    EXPECT_TRUE(lists(levels)) << found.size() << " found";
    if (std::wstring_view(c.value) == steamPath) {
        EXPECT_TRUE(lists(scratch / R"(Library\steamapps\common\Populous 3\levels)")) << found.size() << " found";
    }
}

INSTANTIATE_TEST_SUITE_P(Records, Registry,
    ::testing::Values(RegistryCase { "UsersInstallPath", HKEY_CURRENT_USER, 0, gameKey, installPath, "Game", "LEVELS" },
        RegistryCase {
            "MachinesInstallPath32Bit", HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, gameKey, installPath, "Game", "Levels" },
        RegistryCase {
            "MachinesInstallPath64Bit", HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, gameKey, installPath, "Game", "levels" },
        RegistryCase { "SteamsLibraries", HKEY_CURRENT_USER, 0, LR"(Valve\Steam)", steamPath, "Steam",
            R"(SteamApps\common\populous 3\Levels)" }),
    [](const auto& test) { return std::string(test.param.what); });
