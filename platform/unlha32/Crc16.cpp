#include "platform/unlha32/Crc16.h"

#include <array>

namespace lha {

namespace {

// Eight tables, so the main loop folds eight bytes per step.
using Tables = std::array<std::array<uint16_t, 256>, 8>;

Tables MakeTables() {
    Tables t{};
    for (unsigned i = 0; i < 256; ++i) {
        uint16_t c = static_cast<uint16_t>(i);
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? static_cast<uint16_t>((c >> 1) ^ 0xA001) : static_cast<uint16_t>(c >> 1);
        t[0][i] = c;
    }
    for (unsigned i = 0; i < 256; ++i)
        for (size_t k = 1; k < 8; ++k)
            t[k][i] = static_cast<uint16_t>((t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF]);
    return t;
}

const Tables& tables() {
    static const Tables t = MakeTables();
    return t;
}

}  // namespace

uint16_t UpdateCrc16(uint16_t crc, const uint8_t* p, size_t size) {
    const Tables& t = tables();
    while (size >= 8) {
        unsigned x = crc ^ (p[0] | (p[1] << 8));
        crc =
            t[7][x & 0xFF] ^ t[6][x >> 8] ^ t[5][p[2]] ^ t[4][p[3]] ^ t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
        p += 8;
        size -= 8;
    }
    while (size--)
        crc = static_cast<uint16_t>((crc >> 8) ^ t[0][(crc ^ *p++) & 0xFF]);
    return crc;
}

}  // namespace lha
