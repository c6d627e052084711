// SPDX-License-Identifier: MIT
#pragma once

// The few file primitives that differ between Windows and the Linux systems where the
// game runs under Wine. The file-system service builds everything else on them.
//
// Everything happens inside one open levels folder, by bare names. On Linux the folder
// is held open and every operation is relative to that descriptor, so a folder renamed
// or replaced by a link while the program runs is never written through. On Windows the
// folder is held open without delete sharing, so it cannot be renamed or removed.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt::platform {

enum class EntryType { File, Directory, Link, Other };

struct EntryStatus {
    EntryType type = EntryType::Other;
    // As the game sees it. On Linux, as under Wine: a mode with no write bit at all.
    bool readOnly = false;
    // Whether this user could clear the read-only mark (owns the file, or may act as if).
    bool mayClearReadOnly = true;
    std::uint64_t size = 0;
};

// Every step that touches the file system, for the fault tests' hook and for messages.
enum class Step {
    OpenFolder,
    LookUp,
    ListFolder,
    Open,
    CreateTemporary,
    Write,
    SetMode,
    Flush,
    ClearReadOnly,
    Rename,
    Link,
    Remove,
    FlushFolder,
};
inline constexpr std::size_t stepCount = static_cast<std::size_t>(Step::FlushFolder) + 1;

std::string_view nameOf(Step step);

// Asked before every step, with the step; returns 0 to let it run, or an error number
// for the step to fail with. Fault tests set it to make the k-th step fail, or to end
// the process there; the program never does. It is one per process on purpose: each
// fault run is a process of its own, and the hook must reach every step of every object
// the operations make inside themselves, which passing it in would thread through each
// constructor for the tests' sake alone.
using StepHook = int (*)(Step step);
void setStepHook(StepHook hook);

// An open folder. Throws std::system_error when the path is no folder that can be opened.
class Folder {
public:
    explicit Folder(const std::filesystem::path& path);
    ~Folder();
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }

    // The entry itself, never what a link points at; nothing when no entry has the name.
    [[nodiscard]] std::optional<EntryStatus> status(std::string_view name) const;

    // Every name in the folder, in no particular order.
    [[nodiscard]] std::vector<std::string> names() const;

    // Makes the renames done in the folder durable. A folder that its file system cannot
    // flush counts as flushed; any other failure throws.
    void flush() const;

    // The content of a regular file of at most limit bytes; anything else fails, and
    // nothing that is not a regular file is ever opened.
    [[nodiscard]] std::string read(std::string_view name, std::size_t limit) const;

    // Whether this user may create files in the folder, found out by creating one under a
    // temporary name and removing it again. Only a refusal (no permission, a read-only
    // file system) says no; any other trouble is left to the operations to report.
    [[nodiscard]] bool acceptsNewFiles() const;

    // Removes a file; says nothing when it cannot.
    void removeFile(std::string_view name) const noexcept;

    // Takes the program's lock on the folder, held while this object lives. False when
    // another Varnholt holds it. Nothing is written to the folder for it.
    [[nodiscard]] bool tryLock();

    // For the platform code: the open folder's descriptor or handle.
    [[nodiscard]] std::intptr_t native() const { return m_native; }

private:
    std::filesystem::path m_path;
    std::intptr_t m_native = -1;
    [[maybe_unused]] std::intptr_t m_lock = -1; // Windows: the named mutex; Linux locks the descriptor itself
};

// A complete copy of a regular file of the folder, flushed to disk under a temporary
// name in the same folder. It is removed again unless it is committed under its final
// name. The source is never opened when it is not a regular file (a link, a FIFO, a
// device), so nothing is read through a link and nothing can block.
class TemporaryCopy {
public:
    TemporaryCopy(const Folder& folder, std::string_view source);
    ~TemporaryCopy();
    TemporaryCopy(const TemporaryCopy&) = delete;
    TemporaryCopy& operator=(const TemporaryCopy&) = delete;

    // Takes the destination's name, replacing whatever entry has it (a link as a link).
    void commitReplacing(std::string_view destination);
    // Takes the destination's name only if no entry has it yet; otherwise fails.
    void commitAsNew(std::string_view destination);

private:
    void write(std::string_view source);
    void discard() noexcept;

    const Folder& m_folder;
    std::string m_name;
    bool m_committed = false;
};

} // namespace varnholt::platform
