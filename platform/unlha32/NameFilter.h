#pragma once
// Which archive entries a list of names selects, each name read against the archive's own entries:
//   - no names, or an empty one: every entry; while reading also "*" and "*.*", the component's spellings of
//     the whole archive
//   - a name equal to the path of a file entry: the entry of that path alone, even when the name holds "*"
//     or "?", so that a name the listing gave never reaches other entries
//   - any other name with "*" or "?": a mask over the whole entry path ("*" crosses folders)
//   - any other name: the folder of that path with everything below it (a final "/" names a folder only)
// Exclusion masks (-jx) drop entries again, as masks or as folders and files of their path. Case-sensitive.

#include <string>
#include <unordered_set>
#include <vector>

#include "platform/unlha32/ArchiveIndex.h"

namespace lha {

class NameFilter {
public:
    // Removing reads "*" and "*.*" like any other name: when an entry has that path, it alone goes.
    enum class Purpose { Reading, Removing };

    NameFilter() = default;  // every entry
    NameFilter(const std::vector<std::string>& names, std::vector<std::string> exclusions,
               const std::vector<ArchiveEntry>& entries, Purpose purpose);

    bool Matches(const ArchiveEntry& entry) const;

private:
    struct Selector {
        enum Kind { Everything, File, Mask, Folder } kind;
        std::string text;
    };
    static Selector Resolve(const std::string& name, const std::unordered_set<std::string>& files, Purpose purpose);
    static bool Selects(const Selector& selector, const ArchiveEntry& entry);
    static bool Excludes(const std::string& exclusion, const std::string& entryPath);

    std::vector<Selector> selectors_;
    std::vector<std::string> exclusions_;
};

}  // namespace lha
