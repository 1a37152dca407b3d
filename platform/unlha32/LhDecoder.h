#pragma once
// Decoder of -lh4- to -lh7- data. Every length, count and code read from the data is checked, so broken or
// hostile input ends in ELhaError(kDataBroken), never in a read or write outside the decoder's buffers.

#include <cstdint>
#include <memory>

#include "platform/rtl/Streams.h"
#include "platform/unlha32/BitReader.h"
#include "platform/unlha32/ByteSink.h"
#include "platform/unlha32/HuffmanTable.h"
#include "platform/unlha32/LhMethod.h"

namespace lha {

class LhDecoder {
public:
    explicit LhDecoder(const LhMethod& method);

    // Reads at most packedSize bytes of source and writes exactly originalSize bytes to sink.
    void Decode(TStream& source, uint64_t packedSize, uint64_t originalSize, ByteSink& sink);

private:
    void ReadBlockHeader(BitReader& in);
    void ReadLengthTreeLengths(BitReader& in, int n, int countBits, int special, HuffmanTable& table);
    void ReadCharTreeLengths(BitReader& in);
    void Flush(ByteSink& sink);

    LhMethod method_;
    size_t dictionary_;
    std::unique_ptr<uint8_t[]> window_;  // dictionary_ bytes of history, then newly decoded bytes
    size_t pos_ = 0;
    uint32_t blockLeft_ = 0;
    HuffmanTable charTable_{12};
    HuffmanTable lengthTable_{8};
    HuffmanTable positionTable_{8};
};

}  // namespace lha
