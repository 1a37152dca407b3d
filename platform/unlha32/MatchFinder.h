#pragma once
// The encoder's sliding window over its input and hash chains of three-byte prefixes, which find the
// longest earlier occurrence of the bytes at a position within the dictionary distance.

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
    size_t Prepare(size_t pos, size_t ahead, const Reader& read, bool& atEnd);

    const uint8_t* Data() const { return buf_.data(); }
    size_t Filled() const { return filled_; }

    // Enters pos (which has three bytes ahead) into its chain; returns the previous chain head.
    int32_t Insert(size_t pos) {
        uint32_t h = Hash(pos);
        int32_t previous = head_[h];
        head_[h] = static_cast<int32_t>(pos);
        prev_[pos & mask_] = previous;
        return previous;
    }

    // Walks the chain from candidate for a match longer than best (up to maxLength, at most `chain` tries,
    // stopping at `nice`); returns the best length and sets distance when it found a longer one.
    int Longest(int32_t candidate, size_t pos, int maxLength, int best, int chain, int nice, int& distance) const {
        const uint8_t* s = buf_.data() + pos;
        const int32_t limit = static_cast<int32_t>(pos) - maxDistance_;
        while (candidate >= limit && chain-- > 0 && best < maxLength) {
            const uint8_t* m = buf_.data() + candidate;
            if (m[best] == s[best] && m[0] == s[0] && m[1] == s[1]) {
                int len = MatchLength(s, m, maxLength);
                if (len > best) {
                    best = len;
                    distance = static_cast<int>(pos) - candidate;
                    if (len >= nice) break;
                }
            }
            candidate = prev_[static_cast<uint32_t>(candidate) & mask_];
        }
        return best;
    }

private:
    static constexpr int kHashBits = 16;
    static constexpr int32_t kNone = INT32_MIN / 2;
    static constexpr size_t kPadding = 16;

    uint32_t Hash(size_t pos) const {
        uint32_t v;
        std::memcpy(&v, buf_.data() + pos, 4);
        return ((v & 0xFFFFFF) * 0x9E3779B1u) >> (32 - kHashBits);
    }
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
    void Slide(size_t delta);

    size_t dictionary_;
    uint32_t mask_;
    int32_t maxDistance_;
    size_t capacity_;
    std::vector<uint8_t> buf_;
    size_t filled_ = 0;
    std::vector<int32_t> head_;
    std::vector<int32_t> prev_;
};

}  // namespace lha
