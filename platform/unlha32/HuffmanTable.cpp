#include "platform/unlha32/HuffmanTable.h"

#include <algorithm>

namespace lha {

bool HuffmanTable::Build(const uint8_t* lengths, int n) {
    single_ = false;
    std::fill(std::begin(count_), std::end(count_), 0);
    for (int i = 0; i < n; ++i) {
        if (lengths[i] > 16)
            return false;
        ++count_[lengths[i]];
    }
    count_[0] = 0;
    uint32_t kraft = 0;
    for (int l = 1; l <= 16; ++l)
        kraft += count_[l] << (16 - l);
    if (kraft > (1u << 16))
        return false;

    uint32_t code = 0, index = 0;
    for (int l = 1; l <= 16; ++l) {
        first_[l] = code;
        offset_[l] = index;
        code = (code + count_[l]) << 1;
        index += count_[l];
    }
    sorted_.assign(index, 0);
    uint32_t fill[17];
    std::copy(std::begin(offset_), std::end(offset_), fill);
    std::fill(table_.begin(), table_.end(), 0);
    for (int s = 0; s < n; ++s) {
        int l = lengths[s];
        if (l == 0)
            continue;
        uint32_t rank = fill[l]++;
        sorted_[rank] = static_cast<uint16_t>(s);
        if (l > bits_)
            continue;
        uint32_t c = first_[l] + (rank - offset_[l]);
        uint32_t start = c << (bits_ - l);
        uint32_t span = 1u << (bits_ - l);
        std::fill(table_.begin() + start, table_.begin() + start + span, static_cast<uint16_t>((l << kSymbolBits) | s));
    }
    return true;
}

int HuffmanTable::DecodeLong(BitReader& reader) const {
    uint32_t window = reader.Peek(16);
    for (int l = bits_ + 1; l <= 16; ++l) {
        uint32_t c = (window >> (16 - l)) - first_[l];
        if (c < count_[l]) {
            reader.Skip(l);
            return sorted_[offset_[l] + c];
        }
    }
    throw ELhaError(kDataBroken, "compressed data holds an invalid code");
}

}  // namespace lha
