// SPDX-License-Identifier: MIT
// What the platform files share: the step names, the fault tests' hook and the
// temporary copy's lifetime.
#include "platformfiles.h"

#include "platformsteps.h"

#include <array>

namespace varnholt::platform {
namespace {

StepHook stepHook = nullptr;

constexpr std::array<std::string_view, stepCount> stepNames { "open folder", "look up", "list folder", "open",
    "create temporary", "write", "set mode", "flush", "clear read-only", "rename", "link", "remove", "flush folder" };

} // namespace

std::string_view nameOf(Step step)
{
    return stepNames.at(static_cast<std::size_t>(step));
}

void setStepHook(StepHook hook)
{
    stepHook = hook;
}

int injectedFailure(Step step)
{
    return stepHook != nullptr ? stepHook(step) : 0;
}

TemporaryCopy::TemporaryCopy(const Folder& folder, std::string_view source)
    : m_folder(folder)
{
    // A destructor does not run for a constructor that throws: clean up here.
    try {
        write(source);
    } catch (...) {
        discard();
        throw;
    }
}

TemporaryCopy::~TemporaryCopy()
{
    if (!m_committed)
        discard();
}

void TemporaryCopy::discard() noexcept
{
    if (!m_name.empty())
        m_folder.removeFile(m_name);
}

} // namespace varnholt::platform
