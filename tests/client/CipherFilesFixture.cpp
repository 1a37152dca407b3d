#include "tests/client/CipherFilesFixture.h"

#include <algorithm>
#include <filesystem>

namespace tarvo::test {

std::vector<std::string> CipherFilesTest::Listing() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(sandbox().work))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace tarvo::test
