#pragma once
// File contents of the kinds a trunk holds, made from a seed, for the tests that pack many mixed files: each
// kind sits somewhere else on the coder's scale, from data that never shrinks to data that shrinks to almost
// nothing.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarvo::test {

enum class ContentKind {
    Random,   // bytes that do not shrink at all
    Dense,    // random bytes from a reduced alphabet: shrink by a few percent, near the stored/coded boundary
    Text,     // words, blanks and CRLF line ends
    Records,  // delimited records, one a line: "2024-04-7;item1328;91471;ok" CRLF
    Runs,     // runs of one byte, of random lengths
};
constexpr int kContentKinds = 5;

std::string MakeContent(ContentKind kind, size_t size, uint32_t seed);
const char* ContentKindName(ContentKind kind);

}  // namespace tarvo::test
