#pragma once
// LZH entry headers: reading levels 0, 1 and 2 (with their extended headers) and writing level 2.
// Names stay raw code page 932 bytes here, split into path components; EntryName turns them into UTF-8.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/rtl/Streams.h"

namespace lha {

constexpr uint8_t kAttrReadOnly = 0x01;
constexpr uint8_t kAttrHidden = 0x02;
constexpr uint8_t kAttrSystem = 0x04;
constexpr uint8_t kAttrDirectory = 0x10;
constexpr uint8_t kAttrArchive = 0x20;
constexpr uint8_t kOsGeneric = 0;

struct LhaHeader {
    std::string method;  // "-lh5-", "-lhd-", ...
    uint64_t packedSize = 0;
    uint64_t originalSize = 0;
    int64_t writeTime = 0;               // Unix time
    std::optional<uint64_t> createTime;  // Windows file times (100 ns since 1601), when the header has them
    std::optional<uint64_t> accessTime;
    uint16_t crc = 0;  // of the original data
    uint8_t attribute = kAttrArchive;
    uint8_t osId = kOsGeneric;
    int level = 2;
    std::optional<uint16_t> unixMode;
    std::vector<std::string> path;  // raw components; a leading "" marks an absolute name

    // Where it was found in an archive.
    uint64_t headerOffset = 0;
    uint64_t headerSize = 0;  // the header bytes, extended headers included
    uint64_t dataOffset() const { return headerOffset + headerSize; }

    bool IsDirectory() const { return method == "-lhd-"; }
};

// Reads the header at the stream's position. nullopt at the end of the archive (a zero byte or the end of the
// file); ELhaError(kNotArchive) for anything that is not a sound header.
std::optional<LhaHeader> ReadHeader(TStream& in);

// The level 2 header for h (its level, headerOffset and headerSize are ignored). Names longer than a header
// can hold raise ELhaError(kNameNotEncodable).
std::vector<uint8_t> WriteLevel2Header(const LhaHeader& h);

// Splits a raw name at "/", at 0xFF, and at "\" unless that byte trails a code page 932 lead byte.
std::vector<std::string> SplitRawPath(const std::string& raw);

}  // namespace lha
