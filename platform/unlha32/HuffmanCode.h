#pragma once
// Huffman codes for the encoder: code lengths from symbol counts, limited to a maximum length, and the
// canonical code values (shorter codes first, equal lengths in symbol order) that LZH decoders rebuild.

#include <cstddef>
#include <cstdint>

namespace lha {

// Fills lengths[0..n) (0 for unused symbols) and returns how many symbols are used. With fewer than two
// used symbols every length is 0: the caller writes such a tree as "one symbol" (see OnlySymbol).
int BuildCodeLengths(const uint32_t* counts, size_t n, int maxLength, uint8_t* lengths);
// The one used symbol of counts, or 0 when none is used.
int OnlySymbol(const uint32_t* counts, size_t n);
void MakeCanonicalCodes(const uint8_t* lengths, size_t n, uint16_t* codes);

}  // namespace lha
