#include "platform/unlha32/BlockEncoder.h"

#include "platform/unlha32/HuffmanCode.h"

namespace lha {

namespace {

constexpr int kMaxCodeLength = 16;

// The chars up to the last used one.
int UsedChars(const uint8_t* charLengths) {
    int n = kCharCodes;
    while (n > 0 && charLengths[n - 1] == 0)
        --n;
    return n;
}

// Runs of unused chars are coded with the length tree's symbols 0 (one), 1 (3..18, four more bits) and
// 2 (20.., nine more bits); a used char of code length k is symbol k + 2. Gives emit each symbol with the
// bits that follow it (none: extraBits 0).
template <class Emit>
void ForEachLengthSymbol(const uint8_t* charLengths, int n, Emit emit) {
    int i = 0;
    while (i < n) {
        int k = charLengths[i++];
        if (k != 0) {
            emit(k + 2, 0, 0);
            continue;
        }
        int run = 1;
        while (i < n && charLengths[i] == 0)
            ++i, ++run;
        if (run <= 2) {
            for (int r = 0; r < run; ++r)
                emit(0, 0, 0);
        } else if (run <= 18) {
            emit(1, 4, static_cast<uint32_t>(run - 3));
        } else if (run == 19) {
            emit(0, 0, 0);
            emit(1, 4, 15);
        } else {
            emit(2, kCharBits, static_cast<uint32_t>(run - 20));
        }
    }
}

}  // namespace

BlockEncoder::BlockEncoder(const LhMethod& method, size_t blockSymbols)
    : method_(method), symbols_(blockSymbols), offsets_(blockSymbols) {}

void BlockEncoder::Finish() {
    if (count_ > 0)
        WriteBlock();
    out_.FlushPartial();
}

void BlockEncoder::Reset() {
    count_ = 0;
    charCounts_.fill(0);
    positionCounts_.fill(0);
    out_.Reset();
}

void BlockEncoder::WriteBlock() {
    out_.Put(16, static_cast<uint32_t>(count_));
    charLengths_.fill(0);
    if (BuildCodeLengths(charCounts_.data(), kCharCodes, kMaxCodeLength, charLengths_.data()) >= 2) {
        uint32_t treeCounts[kLengthCodes] = {};
        uint8_t treeLengths[kLengthCodes] = {};
        uint16_t treeCodes[kLengthCodes] = {};
        CountLengthSymbols(treeCounts);
        if (BuildCodeLengths(treeCounts, kLengthCodes, kMaxCodeLength, treeLengths) >= 2) {
            MakeCanonicalCodes(treeLengths, kLengthCodes, treeCodes);
            WriteTreeLengths(treeLengths, kLengthCodes, kLengthBits, 3);
        } else {
            out_.Put(kLengthBits, 0);
            out_.Put(kLengthBits, static_cast<uint32_t>(OnlySymbol(treeCounts, kLengthCodes)));
        }
        WriteCharLengths(treeLengths, treeCodes);
        MakeCanonicalCodes(charLengths_.data(), kCharCodes, charCodes_.data());
    } else {
        out_.Put(kLengthBits, 0);
        out_.Put(kLengthBits, 0);
        out_.Put(kCharBits, 0);
        out_.Put(kCharBits, static_cast<uint32_t>(OnlySymbol(charCounts_.data(), kCharCodes)));
    }
    const auto np = static_cast<size_t>(method_.positionCodes);
    positionLengths_.fill(0);
    if (BuildCodeLengths(positionCounts_.data(), np, kMaxCodeLength, positionLengths_.data()) >= 2) {
        MakeCanonicalCodes(positionLengths_.data(), np, positionCodes_.data());
        WriteTreeLengths(positionLengths_.data(), method_.positionCodes, method_.positionBits, -1);
    } else {
        out_.Put(method_.positionBits, 0);
        out_.Put(method_.positionBits, static_cast<uint32_t>(OnlySymbol(positionCounts_.data(), np)));
    }
    WriteSymbols();
    count_ = 0;
    charCounts_.fill(0);
    positionCounts_.fill(0);
}

void BlockEncoder::CountLengthSymbols(uint32_t* counts) const {
    ForEachLengthSymbol(charLengths_.data(), UsedChars(charLengths_.data()),
                        [&](int symbol, int, uint32_t) { ++counts[symbol]; });
}

void BlockEncoder::WriteCharLengths(const uint8_t* treeLengths, const uint16_t* treeCodes) {
    const int n = UsedChars(charLengths_.data());
    out_.Put(kCharBits, static_cast<uint32_t>(n));
    ForEachLengthSymbol(charLengths_.data(), n, [&](int symbol, int extraBits, uint32_t extra) {
        out_.Put(treeLengths[symbol], treeCodes[symbol]);
        if (extraBits > 0)
            out_.Put(extraBits, extra);
    });
}

// Lengths up to 6 in three bits; 7 and more as that many minus 4 one bits after "111", ended by a zero.
void BlockEncoder::WriteTreeLengths(const uint8_t* lengths, int n, int countBits, int special) {
    while (n > 0 && lengths[n - 1] == 0)
        --n;
    out_.Put(countBits, static_cast<uint32_t>(n));
    int i = 0;
    while (i < n) {
        int k = lengths[i++];
        if (k <= 6) {
            out_.Put(3, static_cast<uint32_t>(k));
        } else {
            out_.Put(k - 3, (1u << (k - 3)) - 2);
        }
        if (i == special) {
            while (i < 6 && lengths[i] == 0)
                ++i;
            out_.Put(2, static_cast<uint32_t>(i - 3) & 3);
        }
    }
}

void BlockEncoder::WriteSymbols() {
    for (size_t i = 0; i < count_; ++i) {
        uint16_t s = symbols_[i];
        out_.Put(charLengths_[s], charCodes_[s]);
        if (s < 256)
            continue;
        uint32_t offset = offsets_[i];
        int p = PositionCode(offset);
        int extra = p > 1 ? p - 1 : 0;
        uint32_t bits = (static_cast<uint32_t>(positionCodes_[p]) << extra) | (offset & ((1u << extra) - 1));
        out_.Put(positionLengths_[p] + extra, bits);
    }
}

}  // namespace lha
