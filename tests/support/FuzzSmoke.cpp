#include "tests/support/FuzzSmoke.h"

#include <algorithm>
#include <filesystem>
#include <random>

#include "tests/support/TestEnvironment.h"

namespace tarvo::test {

namespace {

std::string DamagedCopy(const std::string& sample, int round, std::mt19937& gen) {
    std::string b = sample;
    // An empty sample can only grow.
    const int kind = b.empty() ? 2 : round % 4;
    switch (kind) {
        case 0:
            for (int k = 0; k < 1 + round % 5; ++k)
                b[gen() % b.size()] ^= static_cast<char>(1 << (gen() % 8));
            break;
        case 1:
            b.resize(gen() % b.size());
            break;
        case 2:
            b.insert(gen() % (b.size() + 1), std::string(1 + gen() % 4, static_cast<char>(gen())));
            break;
        default:
            b[gen() % b.size()] = static_cast<char>(gen());
            break;
    }
    return b;
}

void Feed(FuzzTarget target, const std::string& bytes) {
    target(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

std::vector<std::string> CorpusSamples(const std::string& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.is_regular_file())
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    std::vector<std::string> samples;
    for (const auto& f : files)
        samples.push_back(ReadFile(f));
    return samples;
}

void FeedSamplesAndDamagedCopies(FuzzTarget target, const std::vector<std::string>& samples, int damagedCopies) {
    std::mt19937 gen(2024);
    for (const auto& sample : samples)
        Feed(target, sample);
    if (samples.empty())
        return;
    const int count = static_cast<int>(samples.size());
    for (int i = 0; i < damagedCopies; ++i)
        Feed(target, DamagedCopy(samples[i % count], i / count, gen));
}

}  // namespace tarvo::test
