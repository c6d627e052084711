// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace varnholt {

// What other programs keep of where things are installed is read only from regular files
// of a bounded size: a FIFO, a device or a record grown far past any real one is passed
// over at the cost of one look, never opened or read.
inline constexpr std::size_t largestRegistryFile = std::size_t { 64 } << 20; // real ones: a few MiB
inline constexpr std::size_t largestRecord = std::size_t { 4 } << 20; // launchers' records: a few KiB

// Why a record has no text. Callers branch on its kind, never on its words.
struct RecordProblem {
    enum class Kind { None, NoSuchFile, NotARegularFile, TooLarge, Unreadable };
    Kind kind = Kind::None;
    std::error_code error; // the system's reason, when it gave one
    // As a note shows it: "no such file", "not a regular file", "larger than …", or the
    // system's reason.
    std::string why;
};

struct RecordFile {
    std::optional<std::string> text;
    RecordProblem problem;
};

RecordFile readRecordFile(const std::filesystem::path& file, std::size_t limit = largestRecord);

// The system's part: reads a regular file of at most `limit` bytes into `buffer`, which
// it grows as needed and never shrinks, and returns the length read; or says why not.
std::optional<std::size_t> readRecordInto(
    const std::filesystem::path& file, std::size_t limit, std::string& buffer, RecordProblem& problem);
std::string recordTooLarge(std::size_t limit);

// A record read by a RecordReader: its text lasts until the reader's next read.
struct RecordView {
    std::optional<std::string_view> text;
    RecordProblem problem;
};

// Reads many large records one after the other (the registry files of thirty prefixes)
// into one buffer that only grows, so that each read costs no fresh memory.
class RecordReader {
public:
    RecordView read(const std::filesystem::path& file, std::size_t limit);

private:
    std::string m_buffer;
};

} // namespace varnholt
