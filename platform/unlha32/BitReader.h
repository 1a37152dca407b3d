#pragma once
// Bits read most significant first from at most `limit` bytes of a stream. Past the end it yields zero bits,
// but only a few bytes' worth: a decoder that runs further than that is reading broken data and is stopped.

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/rtl/Streams.h"
#include "platform/unlha32/LhaError.h"

namespace lha {

class BitReader {
public:
    BitReader(TStream& source, uint64_t limit) : source_(source), left_(limit), chunk_(kChunk + 8) {}

    // After Ensure at least 32 bits can be peeked and skipped.
    void Ensure() {
        if (bits_ < 32)
            Refill();
    }
    uint32_t Peek(int count) const { return static_cast<uint32_t>(buf_ >> (64 - count)); }  // count 1..32
    void Skip(int count) {
        buf_ <<= count;
        bits_ -= count;
    }
    uint32_t Get(int count) {  // count 0..16
        if (count == 0)
            return 0;
        Ensure();
        uint32_t v = Peek(count);
        Skip(count);
        return v;
    }

private:
    static constexpr size_t kChunk = 1 << 16;
    static constexpr int kMaxPadding = 16;

    void Refill() {
        if (end_ - pos_ < 8)
            Load();
        if (end_ - pos_ >= 8) {
            uint64_t v;
            std::memcpy(&v, chunk_.data() + pos_, 8);
            v = __builtin_bswap64(v);
            buf_ |= v >> bits_;
            pos_ += (63 - bits_) >> 3;
            bits_ |= 56;
            return;
        }
        while (bits_ <= 56) {
            uint64_t byte = 0;
            if (pos_ < end_) {
                byte = chunk_[pos_++];
            } else if (++padding_ > kMaxPadding) {
                throw ELhaError(kDataBroken, "compressed data ends too early");
            }
            buf_ |= byte << (56 - bits_);
            bits_ += 8;
        }
    }

    void Load() {
        size_t keep = end_ - pos_;
        std::memmove(chunk_.data(), chunk_.data() + pos_, keep);
        pos_ = 0;
        end_ = keep;
        size_t want = static_cast<size_t>(std::min<uint64_t>(left_, kChunk - keep));
        if (want == 0)
            return;
        int64_t got = source_.Read(chunk_.data() + end_, static_cast<int64_t>(want));
        if (got <= 0) {
            left_ = 0;  // the file is shorter than its header says
            return;
        }
        end_ += static_cast<size_t>(got);
        left_ -= static_cast<uint64_t>(got);
    }

    TStream& source_;
    uint64_t left_;
    std::vector<uint8_t> chunk_;
    size_t pos_ = 0;
    size_t end_ = 0;
    uint64_t buf_ = 0;
    int bits_ = 0;
    int padding_ = 0;
};

}  // namespace lha
