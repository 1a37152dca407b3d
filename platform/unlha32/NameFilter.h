#pragma once
// Which archive entries a list of names selects: no names, "", "*" and "*.*" select every entry; a name
// with "*" or "?" is a mask over the whole entry path ("*" crosses folders); any other name selects the
// entry of that path and everything below it. Exclusion masks (-jx) drop entries again. Case-sensitive.

#include <string>
#include <vector>

namespace lha {

class NameFilter {
public:
    NameFilter() = default;
    NameFilter(std::vector<std::string> names, std::vector<std::string> exclusions);

    bool Matches(const std::string& entryPath) const;  // a path without a final "/"

private:
    static bool Selects(const std::string& name, const std::string& entryPath);

    std::vector<std::string> names_;
    std::vector<std::string> exclusions_;
};

}  // namespace lha
