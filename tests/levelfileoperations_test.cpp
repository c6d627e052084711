// SPDX-License-Identifier: MIT
#include "levelfiles/entryname.h"
#include "levelfiles/levelfileoperations.h"
#include "levelfiles/platformfiles.h"
#include "support/scratchfolder.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace varnholt;
using namespace varnholt::test;
namespace fs = std::filesystem;
using Names = std::vector<std::string>;

namespace {

class LevelFileOperationsTest : public ::testing::Test {
protected:
    LevelFileOperationsTest()
    {
#ifndef _WIN32 // Windows has no permission mask
        ::umask(022);
#endif
        files.setLevelsFolder(levels.path());
    }
    void write(const char* name, std::string_view content, FileMode mode = 0644) const
    {
        writeFile(levels / name, content, mode);
    }
    [[nodiscard]] std::string file(const char* name) const
    {
        return readFile(levels / name);
    }

    ScratchFolder levels;
    std::string log;
    LevelFileOperations files { [this](std::string_view line) { log.append(line).append("\r\n"); } };
};

} // namespace

TEST_F(LevelFileOperationsTest, BackUpIsTakenOnceAndFailsSilently)
{
    write("levl2080.dat", "multiplayer");
    write("levl2120.dat", "slot");
    write("COPY OF LEVL2120.DAT", "first backup, in other letters");
    files.copymplevl("levl2080.dat");
    write("levl2080.dat", "single player");
    files.copymplevl("levl2080.dat");
    files.copymplevl("levl2100.dat");
    files.copymplevl("levl2120.dat");

    EXPECT_EQ(file("copy of levl2080.dat"), "multiplayer");
    EXPECT_EQ(log, "levl2080.dat multiplayer level backed up\r\n");
    EXPECT_EQ(namesIn(levels.path()),
        (Names { "COPY OF LEVL2120.DAT", "copy of levl2080.dat", "levl2080.dat", "levl2120.dat" }));
}

namespace {

fs::path appearingBackup; // made by the hook just before the backup's rename

int backupAppearsBeforeTheRename(platform::Step step)
{
    if (step == platform::Step::Rename && !appearingBackup.empty()) {
        writeFile(appearingBackup, "made meanwhile");
        appearingBackup.clear();
    }
    return 0;
}

} // namespace

// A backup is taken by a rename that never replaces: one that is there, or that appears
// between the look-up and the rename, stays as it is, and no backup is logged.
TEST_F(LevelFileOperationsTest, AnExistingBackupIsNeverReplacedEvenOneThatAppearsJustBeforeTheRename)
{
    for (const bool appearsMeanwhile : { false, true }) {
        SCOPED_TRACE(appearsMeanwhile ? "appearing just before the rename" : "there before");
        for (const std::string& name : namesIn(levels.path()))
            fs::remove(levels / name);
        log.clear();
        writeFile(levels / "levl2080.dat", "multiplayer");
        const std::string backup = appearsMeanwhile ? "made meanwhile" : "first backup";
        if (appearsMeanwhile) {
            appearingBackup = levels / "copy of levl2080.dat";
            platform::setStepHook(backupAppearsBeforeTheRename);
        } else {
            writeFile(levels / "copy of levl2080.dat", backup);
        }
        files.copymplevl("levl2080.dat");
        platform::setStepHook(nullptr);
        if (appearsMeanwhile) {
            EXPECT_TRUE(appearingBackup.empty()) << "the rename was never reached";
        }
        EXPECT_EQ(log, "");
        EXPECT_EQ(readFile(levels / "copy of levl2080.dat"), backup);
        EXPECT_EQ(namesIn(levels.path()), (Names { "copy of levl2080.dat", "levl2080.dat" }));
    }
}

TEST_F(LevelFileOperationsTest, OverwriteThenRestoreKeepsTheBackup)
{
    write("levl2080.dat", "multiplayer", 0444);
    write("levl2005.dat", "single player", 0444);
    files.copysplevl("levl2005.dat", "levl2080.dat"); // backs up first: the slot had no backup
    EXPECT_EQ(file("levl2080.dat"), "single player");
    files.restoremplevl("levl2080.dat");
    EXPECT_EQ(file("levl2080.dat"), "multiplayer");
    EXPECT_EQ(file("copy of levl2080.dat"), "multiplayer");
    EXPECT_EQ(log,
        "levl2080.dat multiplayer level backed up\r\nlevl2005.dat copied to levl2080.dat\r\n"
        "levl2080.dat restored\r\n");
}

TEST_F(LevelFileOperationsTest, MissingFilesGiveFailureLinesAndCreateNothing)
{
    files.copysplevl("levl2005.dat", "levl2080.dat"); // no slot file
    files.restoremplevl("levl2100.dat"); // no slot file
    write("levl2120.dat", "multiplayer");
    write("copy of levl2120.dat", "multiplayer");
    files.copysplevl("levl2012.dat", "levl2120.dat"); // no single-player file
    write("levl2120.hdr", "header");
    files.restoremplevl("levl2120.hdr"); // no backup

    EXPECT_EQ(log,
        "levl2005.dat copied to levl2080.dat *** FAILED ***\r\nlevl2100.dat restore *** FAILED ***\r\n"
        "levl2012.dat copied to levl2120.dat *** FAILED ***\r\nlevl2120.hdr restore *** FAILED ***\r\n");
    EXPECT_EQ(namesIn(levels.path()), (Names { "copy of levl2120.dat", "levl2120.dat", "levl2120.hdr" }));
    EXPECT_EQ(file("levl2120.dat"), "multiplayer");
}

TEST_F(LevelFileOperationsTest, NamesMatchInAnyCaseButNeverAmbiguously)
{
    write("LEVL2080.DAT", "multiplayer");
    write("Levl2005.Dat", "single player");
    files.copysplevl("levl2005.dat", "levl2080.dat");
    EXPECT_EQ(file("LEVL2080.DAT"), "single player");
    files.restoremplevl("levl2080.dat");
    EXPECT_EQ(file("LEVL2080.DAT"), "multiplayer");
    EXPECT_EQ(namesIn(levels.path()), (Names { "LEVL2080.DAT", "Levl2005.Dat", "copy of levl2080.dat" }));

#ifndef _WIN32 // a Windows folder cannot hold two names that differ only in case
    // Two names that differ only in case, and neither exact: no guessing.
    write("levl2080.DAT", "second");
    const std::string before = snapshotOf(levels.path());
    log.clear();
    files.restoremplevl("levl2080.dat");
    EXPECT_EQ(snapshotOf(levels.path()), before);
    EXPECT_EQ(log, "levl2080.dat restore *** FAILED ***\r\n");
    const FileSystemService cased(levels.path());
    EXPECT_TRUE(cased.fileExists("levl2080.dat")); // one of them is there all the same
    EXPECT_THROW((void)cased.findFile("levl2080.dat"), AmbiguousName);
#endif
    // A name that is not a plain file name never names an entry, whatever the folder holds.
    std::filesystem::create_directory(levels / "a");
    writeFile(levels / "a" / "b", "in a subfolder");
    const FileSystemService service(levels.path());
    for (const char* name : { "", ".", "..", "a/b", "..\\LEVL2080.DAT", "c:LEVL2080.DAT", "LEVL2080.DAT/" })
        EXPECT_FALSE(service.fileExists(name)) << name;
}

#ifndef _WIN32 // symbolic links: on Windows only a privileged user may make them, and its C++ library makes none
TEST_F(LevelFileOperationsTest, ADanglingLinkForASlotFileIsNeverOverwritten)
{
    // There is nothing to back up, so nothing may be overwritten.
    fs::create_symlink("gone.dat", levels / "levl2100.dat");
    write("levl2006.dat", "single player");
    files.copysplevl("levl2006.dat", "levl2100.dat");
    EXPECT_EQ(log, "levl2006.dat copied to levl2100.dat *** FAILED ***\r\n");
    EXPECT_EQ(namesIn(levels.path()), (Names { "levl2006.dat", "levl2100.dat" }));
    EXPECT_TRUE(fs::is_symlink(levels / "levl2100.dat"));
}

TEST_F(LevelFileOperationsTest, LinksAreNeitherReadNorWrittenThrough)
{
    ScratchFolder elsewhere;
    writeFile(elsewhere / "target.dat", "outside the levels folder", 0444);
    fs::create_symlink(elsewhere / "target.dat", levels / "levl2080.dat");
    write("levl2005.dat", "single player");
    files.copymplevl("levl2080.dat"); // the backup would be read through it
    files.copysplevl("levl2005.dat", "levl2080.dat"); // so no overwrite either
    EXPECT_FALSE(fs::exists(levels / "copy of levl2080.dat"));
    EXPECT_TRUE(fs::is_symlink(levels / "levl2080.dat"));

    // With a backup there, the link itself is replaced; what it points at stays as it was.
    write("copy of levl2080.dat", "multiplayer");
    files.copysplevl("levl2005.dat", "levl2080.dat");
    EXPECT_EQ(readFile(elsewhere / "target.dat"), "outside the levels folder");
    EXPECT_EQ(modeOf(elsewhere / "target.dat"), 0444U);
    EXPECT_FALSE(fs::is_symlink(levels / "levl2080.dat"));
    EXPECT_EQ(log, "levl2005.dat copied to levl2080.dat *** FAILED ***\r\nlevl2005.dat copied to levl2080.dat\r\n");
}
#endif
