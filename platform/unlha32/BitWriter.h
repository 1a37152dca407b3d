#pragma once
// Bits written most significant first into a growing byte buffer, as the LZH Huffman coders store them.

#include <cstdint>
#include <vector>

namespace lha {

class BitWriter {
public:
    // Appends the low `count` bits of value (count 0..32).
    void Put(int count, uint32_t value) {
        if (count == 0)
            return;
        acc_ |= static_cast<uint64_t>(value & (0xFFFFFFFFu >> (32 - count))) << (64 - used_ - count);
        used_ += count;
        if (used_ >= 32) {
            uint32_t top = static_cast<uint32_t>(acc_ >> 32);
            bytes_.push_back(static_cast<uint8_t>(top >> 24));
            bytes_.push_back(static_cast<uint8_t>(top >> 16));
            bytes_.push_back(static_cast<uint8_t>(top >> 8));
            bytes_.push_back(static_cast<uint8_t>(top));
            acc_ <<= 32;
            used_ -= 32;
        }
    }
    // Pads the last byte with zero bits and moves every whole byte out.
    void FlushPartial() {
        while (used_ > 0) {
            bytes_.push_back(static_cast<uint8_t>(acc_ >> 56));
            acc_ <<= 8;
            used_ = used_ > 8 ? used_ - 8 : 0;
        }
        acc_ = 0;
    }
    std::vector<uint8_t>& Bytes() { return bytes_; }
    // Forgets every bit and byte, also the bits of a byte not yet complete.
    void Reset() {
        acc_ = 0;
        used_ = 0;
        bytes_.clear();
    }

private:
    uint64_t acc_ = 0;
    int used_ = 0;
    std::vector<uint8_t> bytes_;
};

}  // namespace lha
