#include "platform/unlha32/NameFilter.h"

#include "platform/rtl/FileSearch.h"

namespace lha {

NameFilter::NameFilter(std::vector<std::string> names, std::vector<std::string> exclusions)
    : names_(std::move(names)), exclusions_(std::move(exclusions)) {}

bool NameFilter::Selects(const std::string& name, const std::string& entryPath) {
    if (name.find_first_of("*?") != std::string::npos)
        return MatchesMask(entryPath, name);
    std::string plain = name;
    while (!plain.empty() && plain.back() == '/')
        plain.pop_back();
    if (plain.empty())
        return true;
    return entryPath == plain || entryPath.compare(0, plain.size() + 1, plain + "/") == 0;
}

bool NameFilter::Matches(const std::string& entryPath) const {
    for (const auto& x : exclusions_)
        if (Selects(x, entryPath))
            return false;
    if (names_.empty())
        return true;
    for (const auto& n : names_)
        if (Selects(n, entryPath))
            return true;
    return false;
}

}  // namespace lha
