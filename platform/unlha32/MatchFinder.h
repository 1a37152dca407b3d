#pragma once
// The encoder's sliding window over its input. Hash chains of four-byte prefixes find the longest earlier
// occurrence of the bytes at a position within the dictionary distance; a table of the latest position of
// each three-byte prefix serves the shortest matches, which are only worth it close by.

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

namespace lha {

class MatchFinder {
public:
    // Reads up to `size` bytes into `buffer` and returns how many (0 at the end of the input).
    using Reader = std::function<size_t(uint8_t* buffer, size_t size)>;

    MatchFinder(int dictionaryBits, size_t chunk);

    void Reset();
    // Makes at least `ahead` bytes available from pos on (fewer only at the end of the input), sliding the
    // window when needed; returns pos as it is after the slide. Sets atEnd once the reader is exhausted.
    size_t Prepare(size_t pos, size_t ahead, const Reader& read, bool& atEnd) {
        return atEnd || filled_ - pos >= ahead ? pos : Refill(pos, read, atEnd);
    }

    const uint8_t* Data() const { return buf_.data(); }
    uint64_t SlidOut() const { return slidOut_; }  // input bytes that have left the window's start
    size_t Filled() const { return filled_; }

    struct Candidates {
        int32_t chain;  // the latest position with the same four bytes (by hash), start of its chain
        int32_t three;  // the latest position with the same three bytes (by hash)
    };

    // Enters pos (which has three bytes ahead) into the tables; returns what they held before.
    Candidates Insert(size_t pos) {
        uint32_t v = Load32(pos);
        uint32_t h4 = (v * 0x9E3779B1u) >> (32 - kHashBits);
        uint32_t h3 = ((v & 0xFFFFFF) * 0x9E3779B1u) >> (32 - kHash3Bits);
        Candidates c{head_[h4], head3_[h3]};
        head_[h4] = head3_[h3] = static_cast<int32_t>(pos);
        prev_[pos & mask_] = c.chain;
        return c;
    }

    // Walks the chain from candidate for a match longer than best, at least four bytes (up to maxLength, at
    // most `chain` tries, stopping at `nice`); returns the best length and sets distance when it found one.
    int Longest(int32_t candidate, size_t pos, int maxLength, int best, int chain, int nice, int& distance) const {
        const uint8_t* s = buf_.data() + pos;
        const int32_t limit = static_cast<int32_t>(pos) - maxDistance_;
        const uint32_t head = Load32(pos);
        while (candidate >= limit && chain-- > 0 && best < maxLength) {
            const uint8_t* m = buf_.data() + candidate;
            if (m[best] == s[best] && Load32(static_cast<size_t>(candidate)) == head) {
                int len = MatchLength(s, m, maxLength);
                if (len > best) {
                    best = len;
                    distance = static_cast<int>(pos) - candidate;
                    if (len >= nice)
                        break;
                }
            }
            candidate = prev_[static_cast<uint32_t>(candidate) & mask_];
        }
        return best;
    }

    // A three-byte match at candidate no farther than maxDistance, or 0.
    int Three(int32_t candidate, size_t pos, int maxLength, int maxDistance, int& distance) const {
        if (maxLength < 3 || candidate < static_cast<int32_t>(pos) - maxDistance)
            return 0;
        if ((Load32(static_cast<size_t>(candidate)) ^ Load32(pos)) & 0xFFFFFF)
            return 0;
        distance = static_cast<int>(pos) - candidate;
        return 3;
    }

private:
    static constexpr int kHashBits = 15;
    static constexpr int kHash3Bits = 12;
    static constexpr int32_t kNone = INT32_MIN / 2;
    static constexpr size_t kPadding = 16;

    uint32_t Load32(size_t pos) const {
        uint32_t v;
        std::memcpy(&v, buf_.data() + pos, 4);
        return v;
    }
    uint32_t Hash(size_t pos) const { return (Load32(pos) * 0x9E3779B1u) >> (32 - kHashBits); }
    uint32_t Hash3(size_t pos) const { return ((Load32(pos) & 0xFFFFFF) * 0x9E3779B1u) >> (32 - kHash3Bits); }
    static int MatchLength(const uint8_t* s, const uint8_t* m, int maxLength) {
        int len = 0;
        while (len < maxLength) {
            uint64_t a, b;
            std::memcpy(&a, s + len, 8);
            std::memcpy(&b, m + len, 8);
            if (uint64_t x = a ^ b) {
                len += __builtin_ctzll(x) >> 3;
                return len < maxLength ? len : maxLength;
            }
            len += 8;
        }
        return maxLength;
    }
    size_t Refill(size_t pos, const Reader& read, bool& atEnd);
    void Slide(size_t delta);

    size_t dictionary_;
    uint32_t mask_;
    int32_t maxDistance_;
    size_t capacity_;
    std::vector<uint8_t> buf_;
    size_t filled_ = 0;
    bool slid_ = false;
    uint64_t slidOut_ = 0;
    std::vector<int32_t> head_;
    std::vector<int32_t> head3_;
    std::vector<int32_t> prev_;
};

}  // namespace lha
