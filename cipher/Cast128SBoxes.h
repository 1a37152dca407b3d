#pragma once
// The eight fixed S-boxes of CAST-128 (RFC 2144): S1..S4 feed the round functions, S5..S8 the key schedule.

#include <cstdint>

namespace cast128 {

extern const uint32_t S1[256];
extern const uint32_t S2[256];
extern const uint32_t S3[256];
extern const uint32_t S4[256];
extern const uint32_t S5[256];
extern const uint32_t S6[256];
extern const uint32_t S7[256];
extern const uint32_t S8[256];

}  // namespace cast128
