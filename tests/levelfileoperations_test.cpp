// SPDX-License-Identifier: MIT
// What the fault model leaves out: a backup in other letters, the race for a backup's
// name, names that are no plain file names or no temporary files', and a levels folder
// moved while it is open.
#include "levelfiles/levelfileoperations.h"
#include "levelfiles/slotcontents.h"
#include "platform/platformfiles.h"
#include "platform/temporaryname.h"
#include "support/loglines.h"
#include "support/scratchfolder.h"
#include "support/slotfile.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace varnholt;
using namespace varnholt::test;
namespace fs = std::filesystem;
using Names = std::vector<std::string>;

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

// A backup is taken once, by a rename that never replaces: one that is there, in any
// letter case, or that appears between the look-up and the rename, stays as it is, and no
// backup is logged. A name that is no plain file name never names an entry.
TEST(LevelFileOperations, AnExistingBackupIsNeverReplacedNorAnyNameTakenForAPath)
{
    for (const char* backup : { "copy of levl2080.dat", "COPY OF LEVL2080.DAT", "appearing just before the rename" }) {
        SCOPED_TRACE(backup);
        ScratchFolder levels;
        std::string log;
        LevelFileOperations files([&](std::string_view line) { log.append(line).append("\n"); });
        files.setLevelsFolder(levels.path());
        writeFile(levels / "levl2080.dat", "multiplayer");
        const bool appearing = std::string_view(backup).starts_with("appearing");
        const fs::path backupFile = levels / (appearing ? "copy of levl2080.dat" : backup);
        if (appearing) {
            appearingBackup = backupFile;
            platform::setStepHook(backupAppearsBeforeTheRename);
        } else {
            writeFile(backupFile, "first backup");
        }
        files.backUpSlotFile("levl2080.dat");
        platform::setStepHook(nullptr);
        EXPECT_TRUE(appearingBackup.empty()) << "the rename was never reached";
        EXPECT_EQ(log, "");
        EXPECT_EQ(readFile(backupFile), appearing ? "made meanwhile" : "first backup");
        EXPECT_EQ(namesIn(levels.path()), (Names { backupFile.filename().string(), "levl2080.dat" }));
    }
    ScratchFolder levels;
    fs::create_directory(levels / "a");
    writeFile(levels / "a" / "b", "in a subfolder");
    writeFile(levels / "LEVL2080.DAT", "multiplayer");
    const OpenLevelsFolder service(levels.path());
    EXPECT_TRUE(service.fileExists("levl2080.dat"));
    for (const char* name : { "", ".", "..", "a/b", "..\\LEVL2080.DAT", "c:LEVL2080.DAT", "LEVL2080.DAT/" })
        EXPECT_FALSE(service.fileExists(name)) << name;
    // A folder the system will not list holds nothing that can be told: unreadable, with the reason.
    platform::setStepHook([](platform::Step step) { return step == platform::Step::ListFolder ? EIO : 0; });
    const SlotContent unlisted = identifySlot(service, levelSlots[0]);
    platform::setStepHook(nullptr);
    EXPECT_EQ(unlisted.kind, SlotContent::Kind::Unreadable);
    // The words are the system's own, which differ between Windows and Linux.
    EXPECT_TRUE(unlisted.whyUnreadable);
    EXPECT_EQ(unlisted.describe(), "files that cannot be read: " + unlisted.whyUnreadable.message());
    // Only names of the temporary files' own form are taken for a killed run's leftovers.
    EXPECT_TRUE(isTemporaryName(randomTemporaryName()));
    EXPECT_TRUE(isTemporaryName(".varnholt-AbC123.tmp"));
    for (const char* name : { ".varnholt-AbC12.tmp", ".varnholt-AbC1234.tmp", ".varnholt-AbC123.tmp.tmp",
             "x.varnholt-AbC12.tmp", ".varnholt-AbC1234tmp", ".varnholt-AbC-23.tmp", ".varnholt-AbC123.dat" })
        EXPECT_FALSE(isTemporaryName(name)) << name;
}

#ifndef _WIN32 // a Windows folder that is open cannot be renamed; windows_test shows that
// The folder opened at start-up stays the one worked in: renamed, and replaced by a link
// to somewhere else, nothing is written through the new name.
TEST(LevelFileOperations, TheFolderOpenedIsTheFolderWorkedIn)
{
    ScratchFolder scratch;
    const fs::path levels = scratch / "levels";
    const fs::path elsewhere = scratch / "elsewhere";
    for (const fs::path& folder : { levels, elsewhere }) {
        fs::create_directory(folder);
        writeFile(folder / "levl2080.dat", folder.filename().string() + " slot");
        writeFile(folder / "levl2005.dat", folder.filename().string() + " level");
    }
    writeFile(levels / "copy of levl2080.dat", "first backup");
    std::string log;
    LevelFileOperations files([&](std::string_view line) { log.append(line).append("\n"); });
    files.setLevelsFolder(levels);
    fs::rename(levels, scratch / "moved");
    fs::create_directory_symlink(elsewhere, levels);
    overwriteSlotFile(files, "levl2005.dat", "levl2080.dat");
    EXPECT_EQ(log, Log::copied("levl2005.dat", "levl2080.dat") + "\n");
    EXPECT_EQ(readFile(scratch / "moved/levl2080.dat"), "levels level");
    EXPECT_EQ(namesIn(elsewhere), (Names { "levl2005.dat", "levl2080.dat" }));
    EXPECT_EQ(readFile(elsewhere / "levl2080.dat"), "elsewhere slot");
}
#endif
