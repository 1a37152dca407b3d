// Entry headers: the three levels as other packers write them, the level 2 header as we write it, and the
// ways a header can be broken.
#include <gtest/gtest.h>

#include "platform/rtl/FileSearch.h"
#include "platform/unlha32/EntryName.h"
#include "platform/unlha32/LhaError.h"
#include "platform/unlha32/LhaHeader.h"
#include "tests/platform/unlha32/LzhLibrary.h"

namespace {

using namespace lha;
using tarvo::test::RawArchive;
using tarvo::test::RawEntry;

std::optional<LhaHeader> ReadFirst(const std::string& bytes) {
    TMemoryStream in;
    in.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    in.SetPosition(0);
    return ReadHeader(in);
}

LhaHeader Sample() {
    LhaHeader h;
    h.method = "-lh5-";
    h.packedSize = 1234;
    h.originalSize = 5678;
    h.writeTime = 1700000000;
    h.crc = 0xBEEF;
    h.unixMode = 0100640;
    h.path = {"dir", "sub", "name.txt"};
    return h;
}

std::string Bytes(const std::vector<uint8_t>& v) {
    return std::string(v.begin(), v.end());
}

TEST(LhaHeader, Level2WritesWhatItReadsBack) {
    LhaHeader h = Sample();
    h.attribute = kAttrArchive | kAttrReadOnly;
    std::string bytes = Bytes(WriteLevel2Header(h));
    auto back = ReadFirst(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->level, 2);
    EXPECT_EQ(back->method, "-lh5-");
    EXPECT_EQ(back->packedSize, 1234u);
    EXPECT_EQ(back->originalSize, 5678u);
    EXPECT_EQ(back->writeTime, 1700000000);
    EXPECT_EQ(back->crc, 0xBEEF);
    EXPECT_EQ(back->unixMode, 0100640);
    EXPECT_EQ(back->attribute, kAttrArchive | kAttrReadOnly);
    EXPECT_EQ(back->path, h.path);
    EXPECT_EQ(back->headerSize, bytes.size());
    EXPECT_EQ(static_cast<uint8_t>(bytes[19]), 0x20);  // reserved byte, as other readers insist
}

TEST(LhaHeader, Level2SizesAbove4GiBGoToTheExtendedHeader) {
    LhaHeader h = Sample();
    h.originalSize = (uint64_t{5} << 32) + 7;
    h.packedSize = (uint64_t{4} << 32) + 1;
    auto back = ReadFirst(Bytes(WriteLevel2Header(h)));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->originalSize, h.originalSize);
    EXPECT_EQ(back->packedSize, h.packedSize);
}

TEST(LhaHeader, Level2NeverHasATotalSizeThatReadsAsTheArchiveEnd) {
    for (size_t n = 1; n < 300; ++n) {
        LhaHeader h = Sample();
        h.path = {std::string(n, 'a')};
        std::string bytes = Bytes(WriteLevel2Header(h));
        ASSERT_NE(static_cast<uint8_t>(bytes[0]), 0) << n;
        auto back = ReadFirst(bytes);
        ASSERT_TRUE(back) << n;
        EXPECT_EQ(back->path, h.path);
        EXPECT_EQ(back->headerSize, bytes.size());
    }
}

TEST(LhaHeader, Level2DirectoryEntryAndHeaderCrc) {
    LhaHeader h = Sample();
    h.method = "-lhd-";
    h.packedSize = h.originalSize = 0;
    h.path = {"a", "b"};
    std::string bytes = Bytes(WriteLevel2Header(h));
    auto back = ReadFirst(bytes);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->IsDirectory());
    EXPECT_TRUE(back->attribute & kAttrDirectory);
    EXPECT_EQ(back->path, h.path);
    bytes[bytes.size() / 2] ^= 0x01;
    EXPECT_THROW(ReadFirst(bytes), ELhaError);
}

TEST(LhaHeader, Level0And1NamesWithBackslashesAndShiftJisTrailBytes) {
    // "ソ" is 0x83 0x5C: its second byte is no separator.
    const std::string so = "\x83\x5C";
    for (int level : {0, 1}) {
        RawEntry e;
        e.level = level;
        e.name = "dir\\" + so + "\\x" + so + ".txt";
        e.data = "payload";
        auto h = ReadFirst(RawArchive({e}));
        ASSERT_TRUE(h) << level;
        EXPECT_EQ(h->level, level);
        EXPECT_EQ(h->path, (std::vector<std::string>{"dir", so, "x" + so + ".txt"}));
        EXPECT_EQ(JoinEntryPath(DecodeEntryPath(h->path)), "dir/ソ/xソ.txt");
        EXPECT_EQ(h->packedSize, 7u);
        EXPECT_EQ(h->writeTime, FileDateToUnix(static_cast<int32_t>(e.time)));
    }
}

TEST(LhaHeader, BrokenHeadersAreRefused) {
    RawEntry e;
    e.name = "a.txt";
    e.data = "abc";
    std::string good = RawArchive({e});
    std::string checksum = good;
    checksum[1] ^= 0x40;
    std::string noMethod = good;
    noMethod[2] = 'X';
    std::string cut = good.substr(0, 15);
    std::string level3 = good;
    level3[20] = 3;
    std::string longName = good;
    longName[21] = static_cast<char>(0xF0);  // name longer than the header
    for (const auto& bad : {checksum, noMethod, cut, level3, longName})
        EXPECT_THROW(ReadFirst(bad), ELhaError);
    EXPECT_FALSE(ReadFirst(std::string(1, '\0')));
    EXPECT_FALSE(ReadFirst(""));
}

TEST(EntryName, ForeignBytesAreEscapedAndUnsafeNamesRefused) {
    EXPECT_EQ(DecodeEntryPath({"ok\xFF"}), std::vector<std::string>{"ok%FF"});
    EXPECT_EQ(DecodeEntryPath({std::string("a\x01z", 3)}), std::vector<std::string>{"a%01z"});
    EXPECT_EQ(DecodeEntryPath({"\x93\xFA\x96\x7B"}), std::vector<std::string>{"日本"});
    for (const auto& bad : std::vector<std::vector<std::string>>{
             {"", "abs"}, {"..", "x"}, {"a", "..", "..", "x"}, {"C:", "x"}, {"c:x"}, {}, {"."}})
        EXPECT_FALSE(SafeComponents(bad)) << JoinEntryPath(bad);
    EXPECT_EQ(*SafeComponents({"a", ".", "", "b"}), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(*SafeComponents({"dir", "C:", "x:y"}),
              (std::vector<std::string>{"dir", "C:", "x:y"}));  // ":" is ordinary past the first
}

TEST(EntryName, EncodingRefusesWhatCodePage932CannotHold) {
    EXPECT_EQ(EncodeEntryPath({"日本", "a.txt"}), (std::vector<std::string>{"\x93\xFA\x96\x7B", "a.txt"}));
    try {
        EncodeEntryPath({"dir", "smile😀.txt"});
        FAIL() << "no error";
    } catch (const ELhaError& e) {
        EXPECT_EQ(e.Code(), kNameNotEncodable);
        EXPECT_NE(e.Message().find("dir/smile😀.txt"), std::string::npos);
    }
    EXPECT_THROW(EncodeEntryPath({"back\\slash"}), ELhaError);
}

}  // namespace
