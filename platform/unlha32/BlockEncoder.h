#pragma once
// Collects literals and matches and writes them as coded blocks: a symbol count, the three code trees
// (char-length tree, char tree, position tree) and the codes, with trees fitted to each block's statistics.

#include <array>
#include <cstdint>
#include <vector>

#include "platform/unlha32/BitWriter.h"
#include "platform/unlha32/LhMethod.h"

namespace lha {

class BlockEncoder {
public:
    BlockEncoder(const LhMethod& method, size_t blockSymbols);

    void Literal(uint8_t c) {
        symbols_[count_] = c;
        ++charCounts_[c];
        if (++count_ == symbols_.size())
            WriteBlock();
    }
    void Match(int length, int distance) {
        uint16_t code = static_cast<uint16_t>(256 + length - kMinMatch);
        uint16_t offset = static_cast<uint16_t>(distance - 1);
        symbols_[count_] = code;
        offsets_[count_] = offset;
        ++charCounts_[code];
        ++positionCounts_[PositionCode(offset)];
        if (++count_ == symbols_.size())
            WriteBlock();
    }
    // Writes what is pending and pads the last byte.
    void Finish();
    // Drops everything of a stream that was given up part way: its pending symbols, their counts and the
    // bits of an incomplete byte, which would otherwise open the next stream.
    void Reset();
    // The coded bytes so far; the caller takes them out as it likes.
    std::vector<uint8_t>& Bytes() { return out_.Bytes(); }

    static int PositionCode(uint32_t offset) { return offset ? 32 - __builtin_clz(offset) : 0; }

private:
    void WriteBlock();
    void CountLengthSymbols(uint32_t* counts) const;
    void WriteTreeLengths(const uint8_t* lengths, int n, int countBits, int special);
    void WriteCharLengths(const uint8_t* treeLengths, const uint16_t* treeCodes);
    void WriteSymbols();

    LhMethod method_;
    std::vector<uint16_t> symbols_;
    std::vector<uint16_t> offsets_;
    size_t count_ = 0;
    std::array<uint32_t, kCharCodes> charCounts_{};
    std::array<uint32_t, 17> positionCounts_{};
    std::array<uint8_t, kCharCodes> charLengths_{};
    std::array<uint16_t, kCharCodes> charCodes_{};
    std::array<uint8_t, 17> positionLengths_{};
    std::array<uint16_t, 17> positionCodes_{};
    BitWriter out_;
};

}  // namespace lha
