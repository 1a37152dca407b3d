// The writer's fuzz entry over its seed inputs and damaged copies of the small ones, so every build packs,
// extracts and compares those files under the sanitizers, not only fuzzing builds. A difference aborts the
// entry, and with it this test.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "tests/platform/unlha32/LzhLibrary.h"

int FuzzWriter(const uint8_t* data, size_t size);

namespace {

void Feed(const std::string& bytes) {
    FuzzWriter(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

TEST(WriterFuzzSmoke, SeedsAndDamagedCopiesComeBackWhole) {
    std::vector<std::string> seeds;
    for (const auto& e : std::filesystem::directory_iterator(UNLHA32_WRITER_SEEDS))
        seeds.push_back(tarvo::test::ReadFile(e.path()));
    ASSERT_GE(seeds.size(), 3u);
    std::mt19937 gen(2024);
    for (const auto& seed : seeds) {
        Feed(seed);
        if (seed.size() < 40)
            continue;  // the seeds of large files are fed once: their copies would take long
        for (int round = 0; round < 40; ++round) {
            std::string b = seed;
            if (round % 2 == 0) {
                b[gen() % b.size()] ^= static_cast<char>(1 << (gen() % 8));
            } else {
                b.resize(gen() % b.size());
            }
            Feed(b);
        }
    }
}

}  // namespace
