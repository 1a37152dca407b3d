#pragma once
// Decoding side of a canonical Huffman code: a direct lookup table for codes up to `tableBits` long and a
// per-length search for the longer ones. A tree of one symbol decodes it from zero bits.

#include <cstdint>
#include <vector>

#include "platform/unlha32/BitReader.h"
#include "platform/unlha32/LhaError.h"

namespace lha {

class HuffmanTable {
public:
    explicit HuffmanTable(int tableBits) : bits_(tableBits), table_(size_t{1} << tableBits) {}

    // False when the lengths describe no prefix code (over-subscribed, or longer than 16 bits).
    bool Build(const uint8_t* lengths, int n);
    void SetSingle(int symbol) {
        single_ = true;
        singleSymbol_ = symbol;
    }

    // The caller has called reader.Ensure(). A bit pattern that no code covers is broken data.
    int Decode(BitReader& reader) const {
        if (single_)
            return singleSymbol_;
        uint16_t e = table_[reader.Peek(bits_)];
        if (e) {
            reader.Skip(e >> kSymbolBits);
            return e & kSymbolMask;
        }
        return DecodeLong(reader);
    }

private:
    static constexpr int kSymbolBits = 10;
    static constexpr uint16_t kSymbolMask = (1 << kSymbolBits) - 1;

    int DecodeLong(BitReader& reader) const;

    int bits_;
    bool single_ = false;
    int singleSymbol_ = 0;
    std::vector<uint16_t> table_;  // (length << kSymbolBits) | symbol; 0 = longer code or none
    uint32_t first_[17] = {};      // first code value of each length
    uint32_t count_[17] = {};
    uint32_t offset_[17] = {};      // index into sorted_ of each length's first symbol
    std::vector<uint16_t> sorted_;  // symbols ordered by length, then value
};

}  // namespace lha
