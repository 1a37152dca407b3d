#pragma once
// How many file descriptors the test process has open: a leak shows as a count that grows.

#include <filesystem>

namespace tarvo::test {

inline int OpenDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

}  // namespace tarvo::test
