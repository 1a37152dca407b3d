// The client's fuzz targets over their sample corpora and damaged copies of them, in every build.
#include <gtest/gtest.h>

#include "tests/support/FuzzSmoke.h"
#include "tests/support/TestEnvironment.h"

int FuzzServerListing(const uint8_t* data, size_t size);
int FuzzIniFiles(const uint8_t* data, size_t size);

namespace {

using namespace tarvo::test;

TEST(FuzzSmoke, ServerListingsAndDamagedCopiesPassWithoutFault) {
    std::vector<std::string> samples = CorpusSamples(TestDataPath("client/listing"));
    ASSERT_GE(samples.size(), 4u);
    FeedSamplesAndDamagedCopies(FuzzServerListing, samples, 1200);
}

TEST(FuzzSmoke, AccountFilesAndDamagedCopiesPassWithoutFault) {
    std::vector<std::string> samples = CorpusSamples(TestDataPath("client/accounts"));
    ASSERT_GE(samples.size(), 2u);
    FeedSamplesAndDamagedCopies(FuzzIniFiles, samples, 600);
}

}  // namespace
