// The -lh4- to -lh7- coder on its own: round trips over data that exercises every block shape, what the
// decoder makes of data before the start, and that broken data stops the decoder instead of misreading memory.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/unlha32/BlockEncoder.h"
#include "platform/unlha32/Crc16.h"
#include "platform/unlha32/LhDecoder.h"
#include "platform/unlha32/LhEncoder.h"
#include "platform/unlha32/LhaError.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace lha;

class StringSink : public ByteSink {
public:
    void Write(const uint8_t* data, size_t size) override { text.append(reinterpret_cast<const char*>(data), size); }
    std::string text;
};

// Gives the coder data piece by piece, from at on.
auto ReaderOf(const std::string& data, size_t& at) {
    return [&data, &at](uint8_t* b, size_t n) {
        size_t k = std::min(n, data.size() - at);
        std::copy_n(data.data() + at, k, b);
        at += k;
        return k;
    };
}

// Codes data; the coded bytes, or nullopt when the coder found no gain.
std::optional<std::string> Encode(const std::string& data, const LhMethod& method = kLh5, EncoderTuning tuning = {}) {
    LhEncoder encoder(method, tuning);
    size_t at = 0;
    std::string out;
    bool fit = encoder.Encode(
        ReaderOf(data, at), [&](const uint8_t* p, size_t n) { out.append(reinterpret_cast<const char*>(p), n); },
        data.size() + 1024);
    if (!fit)
        return std::nullopt;
    return out;
}

std::string Decode(const std::string& coded, size_t originalSize, const LhMethod& method = kLh5) {
    TMemoryStream in;
    in.Write(coded.data(), static_cast<int64_t>(coded.size()));
    in.SetPosition(0);
    StringSink sink;
    LhDecoder(method).Decode(in, coded.size(), originalSize, sink);
    return sink.text;
}

std::string Text(size_t size, uint32_t seed) {
    static const char* words[] = {"archive ", "trunk ", "folder ", "the ",  "and ", "packed ",
                                  "server ",  "\r\n",   "一覧 ",   "送信 ", "of ",  "LZH "};
    std::mt19937 gen(seed);
    std::string s;
    while (s.size() < size)
        s += words[gen() % 12];
    s.resize(size);
    return s;
}

struct Sample {
    const char* name;
    std::string data;
};

std::vector<Sample> Samples() {
    std::string mixed = Text(300000, 3) + tarvo::test::RandomBytes(100000, 4) + Text(50000, 5);
    std::string ramp;
    for (int i = 0; i < 200000; ++i)
        ramp += static_cast<char>((i * 7) ^ (i >> 9));
    return {{"one byte", "x"},
            {"three bytes", "abc"},
            {"one repeated byte (long matches only)", std::string(100000, 'a')},
            {"two alternating bytes", std::string(50000, 'a') + std::string(50000, 'b')},
            {"text over many blocks", Text(400000, 1)},
            {"text, random and text (distances across the window)", mixed},
            {"a byte ramp", ramp},
            {"every byte value once", [] {
                 std::string s;
                 for (int i = 0; i < 256; ++i)
                     s += static_cast<char>(i);
                 return s;
             }()}};
}

TEST(LhCodec, RoundTripsEverySampleWithEveryMethod) {
    for (const auto& method : {*LhMethodOf("-lh4-"), kLh5, *LhMethodOf("-lh6-"), *LhMethodOf("-lh7-")}) {
        for (const auto& s : Samples()) {
            auto coded = Encode(s.data, method);
            ASSERT_TRUE(coded) << s.name;
            EXPECT_EQ(Decode(*coded, s.data.size(), method), s.data)
                << s.name << ", dictionary bits " << method.dictionaryBits;
        }
    }
}

TEST(LhCodec, SmallBlocksAndShortChainsStillRoundTrip) {
    EncoderTuning tuning;
    tuning.blockSymbols = 7;  // many blocks, most with one-symbol trees
    tuning.maxChain = 1;
    for (const auto& s : Samples()) {
        std::string data = s.data.substr(0, 40000);
        auto coded = Encode(data, kLh5, tuning);
        ASSERT_TRUE(coded) << s.name;
        EXPECT_EQ(Decode(*coded, data.size()), data) << s.name;
    }
}

TEST(LhCodec, RandomDataIsReportedAsNotWorthCoding) {
    std::string data = tarvo::test::RandomBytes(200000, 9);
    LhEncoder encoder(kLh5);
    size_t at = 0, written = 0;
    bool fit = encoder.Encode(
        ReaderOf(data, at), [&](const uint8_t*, size_t n) { written += n; }, data.size());
    EXPECT_FALSE(fit);
    EXPECT_LT(written, data.size());
}

TEST(LhCodec, TextShrinksToLessThanHalf) {
    std::string data = Text(200000, 2);
    auto coded = Encode(data);
    ASSERT_TRUE(coded);
    EXPECT_LT(coded->size(), data.size() / 2);
}

TEST(LhCodec, DataBeforeTheStartReadsAsBlanks) {
    // What other LZH readers make of a match that reaches back before the first byte.
    BlockEncoder blocks(kLh5, 100);
    blocks.Literal('A');
    blocks.Match(5, 4);
    blocks.Literal('B');
    blocks.Finish();
    std::string coded(blocks.Bytes().begin(), blocks.Bytes().end());
    EXPECT_EQ(Decode(coded, 7), "A   A B");
}

TEST(LhCodec, DecodingStopsAtTheOriginalSize) {
    std::string data = Text(10000, 6);
    auto coded = Encode(data);
    ASSERT_TRUE(coded);
    EXPECT_EQ(Decode(*coded, 4000), data.substr(0, 4000));
}

TEST(LhCodec, BrokenDataEndsInAnErrorOrWrongBytesNeverACrash) {
    std::string data = Text(60000, 8) + tarvo::test::RandomBytes(3000, 8);
    auto coded = Encode(data);
    ASSERT_TRUE(coded);
    std::mt19937 gen(11);
    int errors = 0;
    for (int round = 0; round < 300; ++round) {
        std::string bad = *coded;
        for (int flips = 0; flips < 1 + round % 4; ++flips)
            bad[gen() % bad.size()] ^= static_cast<char>(1 << (gen() % 8));
        if (round % 5 == 0)
            bad.resize(gen() % bad.size());
        try {
            std::string out = Decode(bad, data.size());
            EXPECT_EQ(out.size(), data.size());
        } catch (const ELhaError& e) {
            EXPECT_EQ(e.Code(), kDataBroken);
            ++errors;
        }
    }
    EXPECT_GT(errors, 0);
}

TEST(LhCodec, AClaimedSizeFarBeyondTheDataFailsEarly) {
    auto coded = Encode(Text(1000, 12));
    ASSERT_TRUE(coded);
    EXPECT_THROW(Decode(*coded, uint64_t{1} << 40), ELhaError);
}

TEST(Crc16, KnownValuesAndEveryChunking) {
    const std::string check = "123456789";
    EXPECT_EQ(Crc16(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0xBB3D);  // CRC-16/ARC check value
    std::string data = tarvo::test::RandomBytes(1000, 13);
    auto* p = reinterpret_cast<const uint8_t*>(data.data());
    uint16_t whole = Crc16(p, data.size());
    for (size_t split : {1, 7, 8, 9, 500, 999})
        EXPECT_EQ(UpdateCrc16(Crc16(p, split), p + split, data.size() - split), whole);
}

}  // namespace
