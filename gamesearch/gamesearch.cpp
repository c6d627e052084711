// SPDX-License-Identifier: MIT
#include "gamesearch.h"

#include "searchorder.h"

#include <cstdlib>

namespace varnholt {

std::optional<std::string> processEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr)
        return std::nullopt;
    return std::string(value);
}

std::vector<FoundLevelsFolder> findLevelsFolders(
    const EnvironmentLookup& environment, std::size_t most, const SearchTrace& trace)
{
    Search search(most, trace);
    searchInOrder(search, environment);
    search.offerCopies();
    return search.take();
}

} // namespace varnholt
