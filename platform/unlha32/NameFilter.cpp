#include "platform/unlha32/NameFilter.h"

#include "platform/rtl/FileSearch.h"

namespace lha {

namespace {

bool IsMask(const std::string& name) {
    return name.find_first_of("*?") != std::string::npos;
}

std::string WithoutFinalSlashes(std::string name) {
    while (!name.empty() && name.back() == '/')
        name.pop_back();
    return name;
}

bool IsBelow(const std::string& entryPath, const std::string& folder) {
    return entryPath.size() > folder.size() && entryPath[folder.size()] == '/' &&
           entryPath.compare(0, folder.size(), folder) == 0;
}

}  // namespace

NameFilter::NameFilter(const std::vector<std::string>& names, std::vector<std::string> exclusions,
                       const std::vector<ArchiveEntry>& entries, Purpose purpose)
    : exclusions_(std::move(exclusions)) {
    std::unordered_set<std::string> files;
    for (const auto& e : entries)
        if (!e.header.IsDirectory())
            files.insert(e.name);
    for (const auto& name : names)
        selectors_.push_back(Resolve(name, files, purpose));
}

NameFilter::Selector NameFilter::Resolve(const std::string& name, const std::unordered_set<std::string>& files,
                                         Purpose purpose) {
    if (name.empty() || (purpose == Purpose::Reading && (name == "*" || name == "*.*")))
        return {Selector::Everything, ""};
    if (files.count(name))
        return {Selector::File, name};
    if (IsMask(name))
        return {Selector::Mask, name};
    std::string folder = WithoutFinalSlashes(name);
    return folder.empty() ? Selector{Selector::Everything, ""} : Selector{Selector::Folder, folder};
}

bool NameFilter::Selects(const Selector& selector, const ArchiveEntry& entry) {
    switch (selector.kind) {
        case Selector::Everything:
            return true;
        case Selector::File:
            return !entry.header.IsDirectory() && entry.name == selector.text;
        case Selector::Mask:
            return MatchesMask(entry.name, selector.text);
        case Selector::Folder:
            return (entry.header.IsDirectory() && entry.name == selector.text) || IsBelow(entry.name, selector.text);
    }
    return false;
}

bool NameFilter::Excludes(const std::string& exclusion, const std::string& entryPath) {
    if (IsMask(exclusion))
        return MatchesMask(entryPath, exclusion);
    std::string plain = WithoutFinalSlashes(exclusion);
    return !plain.empty() && (entryPath == plain || IsBelow(entryPath, plain));
}

bool NameFilter::Matches(const ArchiveEntry& entry) const {
    for (const auto& x : exclusions_)
        if (Excludes(x, entry.name))
            return false;
    if (selectors_.empty())
        return true;
    for (const auto& s : selectors_)
        if (Selects(s, entry))
            return true;
    return false;
}

}  // namespace lha
