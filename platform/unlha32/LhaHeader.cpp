#include "platform/unlha32/LhaHeader.h"

#include <cstring>

#include "platform/rtl/FileSearch.h"
#include "platform/unlha32/Crc16.h"
#include "platform/unlha32/LhaError.h"
#include "platform/win/CodePage.h"

namespace lha {

namespace {

constexpr size_t kCommonSize = 21;  // bytes every level shares, up to and including the level byte
constexpr size_t kLevel2BaseSize = 26;
constexpr size_t kLevel2CrcAt = kLevel2BaseSize + 1;            // data of the CRC header, the first extended one
constexpr uint64_t kFileTimeUnixEpoch = 116444736000000000ull;  // 1970-01-01 in 100 ns since 1601

[[noreturn]] void Broken(const std::string& what) {
    throw ELhaError(kNotArchive, "broken header: " + what);
}

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Le32(const uint8_t* p) {
    return Le16(p) | (static_cast<uint32_t>(Le16(p + 2)) << 16);
}
uint64_t Le64(const uint8_t* p) {
    return Le32(p) | (static_cast<uint64_t>(Le32(p + 4)) << 32);
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
void Put64(std::vector<uint8_t>& out, uint64_t v) {
    Put32(out, static_cast<uint32_t>(v));
    Put32(out, static_cast<uint32_t>(v >> 32));
}

void ReadExactly(TStream& in, uint8_t* p, size_t n) {
    if (static_cast<size_t>(in.Read(p, static_cast<int64_t>(n))) != n)
        Broken("the archive ends inside a header");
}

// What the extended headers of levels 1 and 2 add to the base header.
struct Extended {
    std::optional<std::string> fileName;
    std::optional<std::string> directory;
    std::optional<uint64_t> packed64, original64;
    uint64_t totalSize = 0;
    bool sawCrc = false;
    uint16_t headerCrc = 0;
    size_t crcOffset = 0;  // offset of the CRC field inside the extended area
};

// One extended header: type, data, size of the next one.
void TakeExtended(uint8_t type, const uint8_t* data, size_t n, LhaHeader& h, Extended& x, size_t dataOffset) {
    switch (type) {
        case 0x00:
            if (n >= 2) {
                x.sawCrc = true;
                x.headerCrc = Le16(data);
                x.crcOffset = dataOffset;
            }
            break;
        case 0x01:
            x.fileName = std::string(reinterpret_cast<const char*>(data), n);
            break;
        case 0x02:
            x.directory = std::string(reinterpret_cast<const char*>(data), n);
            break;
        case 0x40:
            if (n >= 2)
                h.attribute = data[0];
            break;
        case 0x41:  // creation, last write, last access
            if (n >= 24) {
                h.createTime = Le64(data);
                if (uint64_t write = Le64(data + 8); write >= kFileTimeUnixEpoch)
                    h.writeTime = static_cast<int64_t>((write - kFileTimeUnixEpoch) / 10000000);
                h.accessTime = Le64(data + 16);
            }
            break;
        case 0x42:
            if (n >= 16) {
                x.packed64 = Le64(data);
                x.original64 = Le64(data + 8);
            }
            break;
        case 0x50:
            if (n >= 2)
                h.unixMode = Le16(data);
            break;
        case 0x54:
            if (n >= 4)
                h.writeTime = Le32(data);
            break;
        default:
            break;
    }
}

// Walks extended headers held in memory (level 2) starting with the given size.
void ParseExtendedArea(const uint8_t* p, size_t avail, uint16_t next, LhaHeader& h, Extended& x, size_t base) {
    size_t at = 0;
    while (next != 0) {
        if (next < 3 || next > avail - at)
            Broken("an extended header runs past the header's end");
        TakeExtended(p[at], p + at + 1, next - 3u, h, x, base + at + 1);
        at += next;
        next = Le16(p + at - 2);
    }
}

// Level 1 keeps its extended headers after the base header, counted in the packed size.
void ReadExtendedStream(TStream& in, uint16_t next, LhaHeader& h, Extended& x) {
    std::vector<uint8_t> buf;
    while (next != 0) {
        if (next < 3)
            Broken("an extended header is too short");
        buf.resize(next);
        ReadExactly(in, buf.data(), next);
        TakeExtended(buf[0], buf.data() + 1, next - 3u, h, x, 0);
        x.totalSize += next;
        next = Le16(buf.data() + next - 2);
    }
}

std::vector<std::string> JoinPath(const std::optional<std::string>& directory, const std::string& name) {
    std::vector<std::string> path;
    if (directory)
        path = SplitRawPath(*directory);
    if (!path.empty() && path.back().empty())
        path.pop_back();  // the directory's final separator
    for (auto& part : SplitRawPath(name))
        path.push_back(std::move(part));
    while (path.size() > 1 && path.back().empty())
        path.pop_back();  // a directory entry's final separator
    return path;
}

LhaHeader ReadLevel01(TStream& in, const uint8_t* common) {
    size_t total = static_cast<size_t>(common[0]) + 2;
    if (total < kCommonSize + 3)
        Broken("header too short");
    std::vector<uint8_t> b(total);
    std::memcpy(b.data(), common, kCommonSize);
    ReadExactly(in, b.data() + kCommonSize, total - kCommonSize);
    uint8_t sum = 0;
    for (size_t i = 2; i < total; ++i)
        sum = static_cast<uint8_t>(sum + b[i]);
    if (sum != b[1])
        Broken("checksum mismatch");

    LhaHeader h;
    h.level = b[20];
    h.method.assign(reinterpret_cast<const char*>(b.data() + 2), 5);
    h.packedSize = Le32(b.data() + 7);
    h.originalSize = Le32(b.data() + 11);
    h.writeTime = FileDateToUnix(static_cast<int32_t>(Le32(b.data() + 15)));
    h.attribute = b[19];
    size_t nameLength = b[21];
    size_t fixed = 22 + nameLength + 2 + (h.level == 1 ? 3 : 0);
    if (fixed > total)
        Broken("name longer than the header");
    std::string name(reinterpret_cast<const char*>(b.data() + 22), nameLength);
    h.crc = Le16(b.data() + 22 + nameLength);
    h.headerSize = total;
    Extended x;
    if (h.level == 1) {
        h.osId = b[24 + nameLength];
        ReadExtendedStream(in, Le16(b.data() + 25 + nameLength), h, x);
        if (x.totalSize > h.packedSize)
            Broken("extended headers larger than the entry");
        h.packedSize -= x.totalSize;
        h.headerSize += x.totalSize;
    }
    h.path = JoinPath(x.directory, x.fileName ? *x.fileName : name);
    if (h.IsDirectory())
        h.attribute |= kAttrDirectory;
    return h;
}

LhaHeader ReadLevel2(TStream& in, const uint8_t* common) {
    size_t total = Le16(common);
    if (total < kLevel2BaseSize)
        Broken("header too short");
    std::vector<uint8_t> b(total);
    std::memcpy(b.data(), common, kCommonSize);
    ReadExactly(in, b.data() + kCommonSize, total - kCommonSize);

    LhaHeader h;
    h.level = 2;
    h.method.assign(reinterpret_cast<const char*>(b.data() + 2), 5);
    h.packedSize = Le32(b.data() + 7);
    h.originalSize = Le32(b.data() + 11);
    h.writeTime = Le32(b.data() + 15);
    h.crc = Le16(b.data() + 21);
    h.osId = b[23];
    h.headerSize = total;
    Extended x;
    ParseExtendedArea(b.data() + kLevel2BaseSize, total - kLevel2BaseSize, Le16(b.data() + 24), h, x, kLevel2BaseSize);
    if (x.sawCrc) {
        b[x.crcOffset] = b[x.crcOffset + 1] = 0;
        if (Crc16(b.data(), total) != x.headerCrc)
            Broken("header CRC mismatch");
    }
    if (x.packed64)
        h.packedSize = *x.packed64;
    if (x.original64)
        h.originalSize = *x.original64;
    h.path = JoinPath(x.directory, x.fileName.value_or(std::string()));
    if (h.IsDirectory())
        h.attribute |= kAttrDirectory;
    return h;
}

// The header with a zero total size and CRC; `spare` bytes follow the CRC in its extended header.
std::vector<uint8_t> Level2Bytes(const LhaHeader& h, size_t spare) {
    std::string name, directory;
    for (size_t i = 0; i + 1 < h.path.size(); ++i)
        directory += h.path[i] + '\xFF';
    if (!h.path.empty())
        (h.IsDirectory() ? directory += h.path.back() + '\xFF' : name = h.path.back());
    const bool wide = h.packedSize > 0xFFFFFFFFu || h.originalSize > 0xFFFFFFFFu;

    std::vector<uint8_t> out;
    Put16(out, 0);  // total size
    out.insert(out.end(), h.method.begin(), h.method.end());
    Put32(out, static_cast<uint32_t>(wide ? 0 : h.packedSize));
    Put32(out, static_cast<uint32_t>(wide ? 0 : h.originalSize));
    Put32(out, static_cast<uint32_t>(h.writeTime > 0 ? h.writeTime : 0));
    out.push_back(kAttrArchive);  // reserved in level 2; the attributes have their own extended header
    out.push_back(2);
    Put16(out, h.crc);
    out.push_back(h.osId);
    // Each extended header is written with the size of the next one in front of it; the last size is 0.
    auto extended = [&](uint8_t type, const void* data, size_t n) {
        Put16(out, static_cast<uint32_t>(n + 3));
        out.push_back(type);
        const auto* p = static_cast<const uint8_t*>(data);
        out.insert(out.end(), p, p + n);
    };
    const uint8_t zeroCrc[3] = {0, 0, 0};
    extended(0x00, zeroCrc, 2 + spare);
    extended(0x01, name.data(), name.size());
    if (!directory.empty())
        extended(0x02, directory.data(), directory.size());
    if (h.attribute != kAttrArchive) {
        uint8_t attribute[2] = {h.attribute, 0};
        extended(0x40, attribute, 2);
    }
    if (h.unixMode) {
        uint8_t mode[2] = {static_cast<uint8_t>(*h.unixMode), static_cast<uint8_t>(*h.unixMode >> 8)};
        extended(0x50, mode, 2);
    }
    if (wide) {
        std::vector<uint8_t> sizes;
        Put64(sizes, h.packedSize);
        Put64(sizes, h.originalSize);
        extended(0x42, sizes.data(), sizes.size());
    }
    Put16(out, 0);
    return out;
}

}  // namespace

std::vector<std::string> SplitRawPath(const std::string& raw) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < raw.size(); ++i) {
        auto c = static_cast<uint8_t>(raw[i]);
        if (win::IsCp932LeadByte(c) && i + 1 < raw.size()) {
            parts.back() += raw.substr(i, 2);
            ++i;
        } else if (c == '/' || c == '\\' || c == 0xFF) {
            parts.emplace_back();
        } else {
            parts.back() += raw[i];
        }
    }
    if (parts.size() == 1 && parts[0].empty())
        parts.clear();
    return parts;
}

std::optional<LhaHeader> ReadHeader(TStream& in) {
    int64_t offset = in.Position();
    uint8_t common[kCommonSize];
    int64_t got = in.Read(common, 1);
    if (got == 0 || common[0] == 0)
        return std::nullopt;
    ReadExactly(in, common + 1, kCommonSize - 1);
    if (common[2] != '-' || common[6] != '-')
        Broken("no method name");
    LhaHeader h;
    switch (common[20]) {
        case 0:
        case 1:
            h = ReadLevel01(in, common);
            break;
        case 2:
            h = ReadLevel2(in, common);
            break;
        default:
            Broken("header level " + std::to_string(common[20]) + " is not supported");
    }
    h.headerOffset = static_cast<uint64_t>(offset);
    return h;
}

std::vector<uint8_t> WriteLevel2Header(const LhaHeader& h) {
    std::vector<uint8_t> out = Level2Bytes(h, 0);
    // A total whose low byte is 0 would read as the end of the archive: the CRC header takes one spare byte.
    if ((out.size() & 0xFF) == 0)
        out = Level2Bytes(h, 1);
    if (out.size() > 0xFFFF)
        throw ELhaError(kNameNotEncodable, "name too long for an archive header");
    out[0] = static_cast<uint8_t>(out.size());
    out[1] = static_cast<uint8_t>(out.size() >> 8);
    uint16_t crc = Crc16(out.data(), out.size());
    out[kLevel2CrcAt] = static_cast<uint8_t>(crc);
    out[kLevel2CrcAt + 1] = static_cast<uint8_t>(crc >> 8);
    return out;
}

}  // namespace lha
