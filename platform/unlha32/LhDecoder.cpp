#include "platform/unlha32/LhDecoder.h"

#include <algorithm>
#include <cstring>

namespace lha {

namespace {

constexpr size_t kChunk = 1 << 18;
constexpr size_t kSlack = kMaxMatch + 16;  // a match may overrun its end by a few bytes while copying
// Bytes before the data starts read as blanks, as the oldest LZH coders kept their dictionaries.
constexpr uint8_t kInitialFill = 0x20;

[[noreturn]] void Broken(const char* what) {
    throw ELhaError(kDataBroken, what);
}

// How many code lengths of a tree of n symbols follow; none for a tree of one symbol, which is read and set.
int ReadTreeCount(BitReader& in, int n, int countBits, HuffmanTable& table) {
    const int count = static_cast<int>(in.Get(countBits));
    if (count == 0) {
        const int symbol = static_cast<int>(in.Get(countBits));
        if (symbol >= n)
            Broken("a code tree names a symbol out of range");
        table.SetSingle(symbol);
    } else if (count > n) {
        Broken("a code tree has too many symbols");
    }
    return count;
}

}  // namespace

LhDecoder::LhDecoder(const LhMethod& method)
    : method_(method),
      dictionary_(size_t{1} << (method.positionCodes - 1)),  // the farthest distance a position code can name
      window_(std::make_unique_for_overwrite<uint8_t[]>(dictionary_ + kChunk + kSlack)) {}

void LhDecoder::Decode(TStream& source, uint64_t packedSize, uint64_t originalSize, ByteSink& sink) {
    BitReader in(source, packedSize);
    std::fill_n(window_.get(), dictionary_, kInitialFill);
    pos_ = dictionary_;
    blockLeft_ = 0;
    uint8_t* w = window_.get();
    uint64_t left = originalSize;
    const size_t flushAt = dictionary_ + kChunk;
    while (left > 0) {
        if (pos_ >= flushAt)
            Flush(sink);
        if (blockLeft_ == 0)
            ReadBlockHeader(in);
        --blockLeft_;
        in.Ensure();
        int c = charTable_.Decode(in);
        if (c < 256) {
            w[pos_++] = static_cast<uint8_t>(c);
            --left;
            continue;
        }
        size_t length = static_cast<size_t>(c - 256 + kMinMatch);
        in.Ensure();
        int p = positionTable_.Decode(in);
        size_t distance = (p <= 1 ? static_cast<size_t>(p) : (size_t{1} << (p - 1)) + in.Get(p - 1)) + 1;
        if (length > left)
            length = static_cast<size_t>(left);
        uint8_t* d = w + pos_;
        const uint8_t* s = d - distance;  // distance <= dictionary_ <= pos_: inside the window
        if (distance >= 8) {
            for (size_t i = 0; i < length; i += 8)
                std::memcpy(d + i, s + i, 8);
        } else {
            for (size_t i = 0; i < length; ++i)
                d[i] = s[i];
        }
        pos_ += length;
        left -= length;
    }
    Flush(sink);
}

void LhDecoder::Flush(ByteSink& sink) {
    if (pos_ > dictionary_)
        sink.Write(window_.get() + dictionary_, pos_ - dictionary_);
    std::memmove(window_.get(), window_.get() + pos_ - dictionary_, dictionary_);
    pos_ = dictionary_;
}

void LhDecoder::ReadBlockHeader(BitReader& in) {
    blockLeft_ = in.Get(16);
    if (blockLeft_ == 0)
        blockLeft_ = 0x10000;  // what a 16-bit counter that wraps would count
    ReadLengthTreeLengths(in, kLengthCodes, kLengthBits, 3, lengthTable_);
    ReadCharTreeLengths(in);
    ReadLengthTreeLengths(in, method_.positionCodes, method_.positionBits, -1, positionTable_);
}

// The length tree and the position tree share one layout: a count, then each length in three bits, seven
// and more written as a run of one bits; after the third length of the length tree, two bits of zero run.
void LhDecoder::ReadLengthTreeLengths(BitReader& in, int n, int countBits, int special, HuffmanTable& table) {
    const int count = ReadTreeCount(in, n, countBits, table);
    if (count == 0)
        return;
    uint8_t lengths[32] = {};
    int i = 0;
    while (i < count) {
        in.Ensure();
        int len = static_cast<int>(in.Peek(3));
        if (len == 7) {
            uint32_t probe = in.Peek(20) << 12;  // bits after the leading 111
            int ones = __builtin_clz(~(probe << 3) | 0x1FF);
            len += ones;
            if (len > 16)
                Broken("a code length is out of range");
            in.Skip(3 + ones + 1);
        } else {
            in.Skip(3);
        }
        lengths[i++] = static_cast<uint8_t>(len);
        if (i == special) {
            int zeros = static_cast<int>(in.Get(2));
            if (i + zeros > n)
                Broken("a code tree has too many symbols");
            i += zeros;  // lengths[] is zero already
        }
    }
    if (!table.Build(lengths, n))
        Broken("a code tree is not a prefix code");
}

void LhDecoder::ReadCharTreeLengths(BitReader& in) {
    const int count = ReadTreeCount(in, kCharCodes, kCharBits, charTable_);
    if (count == 0)
        return;
    uint8_t lengths[kCharCodes] = {};
    int i = 0;
    while (i < count) {
        in.Ensure();
        int c = lengthTable_.Decode(in);
        if (c > 2) {
            lengths[i++] = static_cast<uint8_t>(c - 2);
            continue;
        }
        int zeros = c == 0 ? 1 : (c == 1 ? static_cast<int>(in.Get(4)) + 3 : static_cast<int>(in.Get(kCharBits)) + 20);
        if (i + zeros > count)
            Broken("a code tree has too many symbols");
        i += zeros;
    }
    if (!charTable_.Build(lengths, kCharCodes))
        Broken("a code tree is not a prefix code");
}

}  // namespace lha
