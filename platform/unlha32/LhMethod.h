#pragma once
// The LZ77 + static Huffman methods -lh4- to -lh7-: they differ only in dictionary size and in the width of
// the position tree's header fields. Shared constants of the coded block format live here too.

#include <optional>
#include <string_view>

namespace lha {

struct LhMethod {
    int dictionaryBits;  // 12, 13, 15, 16
    int positionCodes;   // symbols of the position tree: dictionaryBits + 1 (-lh4- shares -lh5-'s 14)
    int positionBits;    // width of the position tree's count field
};

constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 256;
constexpr int kCharCodes = 256 + kMaxMatch - kMinMatch + 1;  // literals, then lengths 3..256
constexpr int kCharBits = 9;                                 // width of the char tree's count field
constexpr int kLengthCodes = 19;                             // symbols of the tree that codes char lengths
constexpr int kLengthBits = 5;

constexpr LhMethod kLh5{13, 14, 4};

// "-lh4-" .. "-lh7-"; nullopt for anything else.
std::optional<LhMethod> LhMethodOf(std::string_view methodId);

}  // namespace lha
