// The fuzz targets over their seeds and many damaged copies of them, so every build runs the reply handling
// on hostile bytes under the sanitizers, not only fuzzing builds.
#include <gtest/gtest.h>

#include "tests/net/NetFuzz.h"
#include "tests/support/FuzzSmoke.h"
#include "tests/support/TestEnvironment.h"

namespace tarvo::test {
namespace {

void FeedSeedsAndDamagedCopies(FuzzTarget target, const std::string& folder, int damagedCopies) {
    std::vector<std::string> seeds = CorpusSamples(std::string(NET_FUZZ_SEEDS) + "/" + folder);
    ASSERT_GE(seeds.size(), 5u);
    FeedSamplesAndDamagedCopies(target, seeds, damagedCopies);
}

using NetFuzzSmoke = TarvoTest;

TEST_F(NetFuzzSmoke, FtpRepliesPassWithoutFault) {
    FeedSeedsAndDamagedCopies(FuzzFtpReplies, "ftp-replies", 2000);
}

TEST_F(NetFuzzSmoke, SocksRepliesPassWithoutFault) {
    FeedSeedsAndDamagedCopies(FuzzSocksReplies, "socks-replies", 1400);
}

}  // namespace
}  // namespace tarvo::test
