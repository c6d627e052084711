// SPDX-License-Identifier: MIT
#include "temporaryname.h"

#include <algorithm>
#include <random>

namespace varnholt {
namespace {

constexpr std::string_view alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

} // namespace

bool isTemporaryName(std::string_view name)
{
    if (name.size() != temporaryPrefix.size() + temporaryRandomLength + temporarySuffix.size()
        || !name.starts_with(temporaryPrefix) || !name.ends_with(temporarySuffix))
        return false;
    const std::string_view random = name.substr(temporaryPrefix.size(), temporaryRandomLength);
    return std::all_of(random.begin(), random.end(), [](char c) { return alphabet.find(c) != std::string_view::npos; });
}

std::string randomTemporaryName()
{
    static std::mt19937 generator { std::random_device {}() };
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string name(temporaryPrefix);
    for (std::size_t i = 0; i < temporaryRandomLength; ++i)
        name += alphabet[pick(generator)];
    name += temporarySuffix;
    return name;
}

} // namespace varnholt
