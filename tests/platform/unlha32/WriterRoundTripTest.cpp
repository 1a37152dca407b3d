// The writer against an independent reader, on many archives of mixed files in random orders: data that never
// shrinks, data that barely does, text, delimited records, long runs, empty and one-byte files, sized around
// the coder's own limits (where it gives up on data that does not shrink, where it first hands out coded
// bytes, where a block of symbols is full), some under Japanese names. lhasa (and, for some, 7z) tests each
// archive, and the library extracts it byte for byte. The archives come in a few groups, so that they run side
// by side. A failure names its seed: TARVO_LZH_SEED=<seed> makes the first group start from it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>

#include "platform/unlha32/LhEncoder.h"
#include "tests/platform/unlha32/LzhLibrary.h"
#include "tests/platform/unlha32/SampleContent.h"

namespace {

using tarvo::test::ContentKind;
using tarvo::test::FolderContents;
using tarvo::test::RunTool;
using tarvo::test::WriteFile;

constexpr uint32_t kGroups = 3;
constexpr uint32_t kArchivesPerGroup = 6;
constexpr size_t kArchiveBudget = 5 << 19;  // bytes of files per archive, to keep the run short

std::string Q(const std::string& s) {
    return "\"" + s + "\"";
}

// Sizes on and around the coder's limits, and some in between. Past a limit the coder may stop part way
// through data that does not shrink, so the files there are mostly such data: just past the first hand-out
// of coded bytes, and up to a few hand-outs past the point where it gives up on input that has not shrunk.
std::pair<ContentKind, size_t> PickKindAndSize(std::mt19937& gen) {
    const lha::EncoderTuning tuning;
    const size_t firstHandOut = size_t{1} << 16;
    auto anyKind = static_cast<ContentKind>(gen() % tarvo::test::kContentKinds);
    auto mostlyRandom = gen() % 3 ? ContentKind::Random : anyKind;
    switch (gen() % 7) {
        case 0:
            return {anyKind, gen() % 3};
        case 1:
            return {anyKind, 3 + gen() % 4000};
        case 2:
            return {anyKind, 4000 + gen() % 250000};
        case 3:
            return {anyKind, tuning.blockSymbols - 256 + gen() % 512};
        case 4:
            return {mostlyRandom, firstHandOut - 256 + gen() % 1024};
        default:
            return {mostlyRandom, tuning.giveUpAfter - 4096 + gen() % (4 * firstHandOut)};
    }
}

struct Sample {
    std::string name;
    std::string description;
    std::string bytes;
};

std::vector<Sample> MakeSamples(uint32_t seed) {
    static const char* const japanese[] = {"報告書", "表ソ", "データ一覧", "ﾒﾓ", "議事録"};
    std::mt19937 gen(seed);
    std::vector<Sample> samples;
    size_t total = 0;
    const size_t count = 2 + gen() % 7;
    for (size_t i = 0; i < count; ++i) {
        auto [kind, size] = PickKindAndSize(gen);
        if (total + size > kArchiveBudget)
            size = gen() % 5000;
        total += size;
        std::string name = std::to_string(i) + "-" + tarvo::test::ContentKindName(kind);
        if (gen() % 3 == 0)
            name = japanese[gen() % std::size(japanese)] + name;
        if (gen() % 4 == 0)
            name = "フォルダ" + std::to_string(gen() % 2) + "/" + name;
        samples.push_back({name, name + " (" + std::to_string(size) + " bytes)",
                           tarvo::test::MakeContent(kind, size, static_cast<uint32_t>(gen()))});
    }
    return samples;
}

uint32_t FirstSeed() {
    const char* replay = std::getenv("TARVO_LZH_SEED");
    return replay ? static_cast<uint32_t>(std::strtoul(replay, nullptr, 10)) : 20240407u;
}

class WriterRoundTripTest : public tarvo::test::LzhTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(WriterRoundTripTest, MixedArchivesPassAnIndependentTestAndExtractByteForByte) {
    const uint32_t first = FirstSeed() + GetParam() * kArchivesPerGroup;
    for (uint32_t seed = first; seed < first + kArchivesPerGroup; ++seed) {
        std::vector<Sample> samples = MakeSamples(seed);
        std::string described = "seed " + std::to_string(seed) + ":";
        for (const auto& s : samples)
            described += "\n  " + s.description;
        SCOPED_TRACE(described + "\n(replay with TARVO_LZH_SEED=" + std::to_string(seed) + ")");

        const std::string src = Work("src-" + std::to_string(seed) + "/");
        const std::string archive = Work("round-" + std::to_string(seed) + ".lzh");
        std::string names;
        std::map<std::string, std::string> expected;
        for (const auto& s : samples) {
            WriteFile(src + s.name, s.bytes);
            names += " " + Q(s.name);
            expected[s.name] = s.bytes;
        }
        std::string text;
        ASSERT_EQ(Run("a -x1 " + Q(archive) + " " + Q(src) + names, &text), 0) << text;

        ASSERT_EQ(RunTool({"lhasa", "t", archive}, Work(""), &text), 0) << text;
        if (seed % 4 == 0) {
            ASSERT_EQ(RunTool({"7z", "t", archive}, Work(""), &text), 0) << text;
        }
        const std::string dest = Work("dest-" + std::to_string(seed) + "/");
        ASSERT_EQ(Run("x " + Q(archive) + " " + Q(dest), &text), 0) << text;
        auto extracted = FolderContents(dest);
        ASSERT_EQ(extracted.size(), expected.size());
        for (const auto& [name, bytes] : extracted)
            ASSERT_TRUE(expected[name] == bytes) << name << " differs from what was packed";
        for (const auto& done : {src, dest, archive})
            std::filesystem::remove_all(done);
    }
}

INSTANTIATE_TEST_SUITE_P(Group, WriterRoundTripTest, ::testing::Range(0u, kGroups));

}  // namespace
