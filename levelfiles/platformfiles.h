// SPDX-License-Identifier: MIT
#pragma once

// The few file primitives that differ between Windows and the Linux systems where the
// game runs under Wine. The file-system service builds everything else on them.

#include <filesystem>
#include <optional>

namespace varnholt::platform {

struct EntryStatus {
    bool isLink = false;
    bool isDirectory = false;
    // As the game sees it. On Linux, as under Wine: a mode with no write bit at all.
    bool readOnly = false;
};

// The entry itself, never what a link points at; nothing when no entry has the path.
std::optional<EntryStatus> entryStatus(const std::filesystem::path& path);

// Sets or clears the read-only mark of an entry that is not a link. On Linux, clearing
// gives write bits back where read bits are, less the umask, as Wine does.
void setReadOnly(const std::filesystem::path& path, bool readOnly);

// A complete copy of a file, flushed to disk under a temporary name in a folder. It is
// removed again unless it is committed under its final name. The source is never read
// through a symbolic link, which could lead out of the folder.
class TemporaryCopy {
public:
    TemporaryCopy(const std::filesystem::path& source, const std::filesystem::path& folder)
    {
        // A destructor does not run for a constructor that throws: clean up here.
        try {
            write(source, folder);
        } catch (...) {
            discard();
            throw;
        }
    }
    ~TemporaryCopy()
    {
        if (!m_committed)
            discard();
    }
    TemporaryCopy(const TemporaryCopy&) = delete;
    TemporaryCopy& operator=(const TemporaryCopy&) = delete;

    // Takes the destination's name, replacing whatever entry has it (a link as a link).
    void commitReplacing(const std::filesystem::path& destination);
    // Takes the destination's name only if no entry has it yet; otherwise fails.
    void commitAsNew(const std::filesystem::path& destination);

private:
    void write(const std::filesystem::path& source, const std::filesystem::path& folder);
    void discard() noexcept;

    std::filesystem::path m_path;
    bool m_committed = false;
};

// Makes the renames done in a folder durable, where the system needs that done apart.
void flushFolder(const std::filesystem::path& folder);

// Asked before every step that touches the file system, with the step's name; returns 0
// to let it run, or an errno for the step to fail with. Fault tests set it to make the
// k-th step fail, or to end the process there; the program never does.
using StepHook = int (*)(const char* step);
void setStepHook(StepHook hook);

} // namespace varnholt::platform
