// The fuzz target over sample archives and many damaged copies of them, so every build runs the parser and
// decoder on hostile bytes under the sanitizers, not only fuzzing builds.
#include <gtest/gtest.h>

#include "tests/support/FuzzSmoke.h"

int FuzzArchive(const uint8_t* data, size_t size);

namespace {

TEST(FuzzSmoke, SamplesAndDamagedCopiesPassWithoutFault) {
    std::vector<std::string> samples = tarvo::test::CorpusSamples(UNLHA32_SAMPLES);
    ASSERT_GE(samples.size(), 5u);
    tarvo::test::FeedSamplesAndDamagedCopies(FuzzArchive, samples, 600);
}

}  // namespace
