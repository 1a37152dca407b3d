#pragma once
// Encoder of -lh5- style data (any of -lh4- to -lh7-): hash-chain match finding with lazy evaluation, coded
// in blocks by BlockEncoder. The search effort is tuned to pack about as tightly as the common LZH packers.

#include <cstdint>
#include <functional>

#include "platform/unlha32/BlockEncoder.h"
#include "platform/unlha32/LhMethod.h"
#include "platform/unlha32/MatchFinder.h"

namespace lha {

struct EncoderTuning {
    int maxChain = 64;         // chain links tried per search
    int goodLength = 32;       // a previous match this long cuts the next search to a quarter
    int niceLength = 128;      // a match this long ends the search
    int maxLazy = 64;          // a previous match this long is taken without looking one byte further
    int farThreeMatch = 1024;  // a three-byte match farther than this costs more than three literals
    size_t blockSymbols = 32768;
    uint64_t giveUpAfter = 1 << 20;  // input that has not shrunk at all by then is taken as incompressible
};

class LhEncoder {
public:
    using Writer = std::function<void(const uint8_t* data, size_t size)>;

    explicit LhEncoder(const LhMethod& method, const EncoderTuning& tuning = {});

    // Codes everything `read` yields and hands the coded bytes to `write`. Stops early and returns false once
    // the coded size reaches `limit`, or when the first giveUpAfter bytes did not shrink (the data is then
    // better stored); true when all of it was coded.
    bool Encode(const MatchFinder::Reader& read, const Writer& write, uint64_t limit);

private:
    bool Drain(const Writer& write, uint64_t limit, uint64_t parsed);

    EncoderTuning tuning_;
    MatchFinder finder_;
    BlockEncoder blocks_;
    uint64_t written_ = 0;
};

}  // namespace lha
