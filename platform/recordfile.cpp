// SPDX-License-Identifier: MIT
#include "recordfile.h"

namespace varnholt {

namespace fs = std::filesystem;

std::string recordTooLarge(std::size_t limit)
{
    return "larger than " + std::to_string(limit) + " bytes";
}

RecordFile readRecordFile(const fs::path& file, std::size_t limit)
{
    std::string text;
    RecordProblem problem;
    const std::optional<std::size_t> length = readRecordInto(file, limit, text, problem);
    if (!length)
        return { std::nullopt, std::move(problem) };
    text.resize(*length);
    return { std::move(text), {} };
}

RecordView RecordReader::read(const fs::path& file, std::size_t limit)
{
    RecordView record;
    if (const std::optional<std::size_t> length = readRecordInto(file, limit, m_buffer, record.problem))
        record.text = std::string_view(m_buffer.data(), *length);
    return record;
}

} // namespace varnholt
