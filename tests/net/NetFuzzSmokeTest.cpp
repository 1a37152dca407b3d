// The fuzz entries over their seeds and many damaged copies of them, so every build runs the reply handling
// on hostile bytes under the sanitizers, not only fuzzing builds.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "tests/net/NetFuzz.h"
#include "tests/support/TestEnvironment.h"

namespace tarvo::test {
namespace {

using Entry = int (*)(const uint8_t*, size_t);

std::vector<std::string> Seeds(const std::string& folder) {
    std::vector<std::string> seeds;
    for (const auto& e : std::filesystem::directory_iterator(std::string(NET_FUZZ_SEEDS) + "/" + folder))
        seeds.push_back(ReadFile(e.path()));
    return seeds;
}

void Run(Entry entry, const std::string& bytes) {
    entry(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// Each seed as it is, and damaged: bits flipped, cut short, bytes put in, the first byte (the request or
// the level) changed.
void FeedDamagedSeeds(Entry entry, const std::string& folder) {
    std::vector<std::string> seeds = Seeds(folder);
    ASSERT_GE(seeds.size(), 5u);
    std::mt19937 gen(2026);
    for (const auto& seed : seeds) {
        Run(entry, seed);
        for (int round = 0; round < 200; ++round) {
            std::string b = seed;
            switch (round % 4) {
                case 0:
                    b[gen() % b.size()] ^= static_cast<char>(1 << (gen() % 8));
                    break;
                case 1:
                    b.resize(gen() % b.size());
                    break;
                case 2:
                    b.insert(gen() % b.size(), std::string(1 + gen() % 4, static_cast<char>(gen())));
                    break;
                default:
                    b[0] = static_cast<char>(gen());
                    break;
            }
            Run(entry, b);
        }
    }
}

using NetFuzzSmoke = TarvoTest;

TEST_F(NetFuzzSmoke, FtpRepliesPassWithoutFault) {
    FeedDamagedSeeds(&fuzz::FtpReplies, "ftp-replies");
}

TEST_F(NetFuzzSmoke, SocksRepliesPassWithoutFault) {
    FeedDamagedSeeds(&fuzz::SocksReplies, "socks-replies");
}

}  // namespace
}  // namespace tarvo::test
