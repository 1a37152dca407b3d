// The fuzz entry over sample archives and many damaged copies of them, so every build runs the parser and
// decoder on hostile bytes under the sanitizers, not only fuzzing builds.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "tests/platform/unlha32/LzhLibrary.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<std::string> Seeds() {
    std::vector<std::string> seeds;
    for (const auto& e : std::filesystem::directory_iterator(UNLHA32_SAMPLES))
        if (e.is_regular_file())
            seeds.push_back(tarvo::test::ReadFile(e.path()));
    return seeds;
}

void Feed(const std::string& bytes) {
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

TEST(FuzzSmoke, SamplesAndDamagedCopiesPassWithoutFault) {
    std::vector<std::string> seeds = Seeds();
    ASSERT_GE(seeds.size(), 5u);
    std::mt19937 gen(2024);
    for (const auto& seed : seeds) {
        Feed(seed);
        for (int round = 0; round < 300; ++round) {
            std::string b = seed;
            switch (round % 4) {
                case 0:
                    for (int k = 0; k < 1 + round % 5; ++k)
                        b[gen() % b.size()] ^= static_cast<char>(1 << (gen() % 8));
                    break;
                case 1:
                    b.resize(gen() % b.size());
                    break;
                case 2:
                    b.insert(gen() % b.size(), std::string(1 + gen() % 4, static_cast<char>(gen())));
                    break;
                default:
                    b[gen() % b.size()] = static_cast<char>(gen());
                    break;
            }
            Feed(b);
        }
    }
}

}  // namespace
