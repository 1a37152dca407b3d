#pragma once
// The CRC-16 of LZH archives (reflected polynomial 0xA001, initial value 0), for entry data and headers.

#include <cstddef>
#include <cstdint>

namespace lha {

uint16_t UpdateCrc16(uint16_t crc, const uint8_t* data, size_t size);
inline uint16_t Crc16(const uint8_t* data, size_t size) {
    return UpdateCrc16(0, data, size);
}

}  // namespace lha
