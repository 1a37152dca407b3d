// The library through its exported entries, loaded as "UNLHA32.DLL": packing, updating, listing, extracting
// and removing as the archiver component drives them, and the failures it must report without harm.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include "platform/rtl/SysUtils.h"
#include "platform/unlha32/LhaError.h"
#include "tests/platform/unlha32/LzhLibrary.h"

namespace {

using tarvo::test::ReadFile;
using tarvo::test::WriteFile;

class LibraryTest : public tarvo::test::LzhTest {
protected:
    void SetUp() override {
        LzhTest::SetUp();
        src = Work("src/");
        archive = Work("out/t.lzh");
        ForceDirectories(Work("out"));
        WriteFile(src + "a.txt", "alpha alpha alpha alpha\r\n");
        WriteFile(src + "dir/b.txt", std::string(5000, 'b'));
        WriteFile(src + "dir/deep/c.bin", tarvo::test::RandomBytes(3000, 1));
        WriteFile(src + "dir/.hidden", "h");
        ForceDirectories(src + "dir/empty");
    }
    void SetTime(const std::string& path, time_t t) {
        struct utimbuf times {
            t, t
        };
        ASSERT_EQ(utime(path.c_str(), &times), 0);
    }
    std::string Q(const std::string& s) { return "\"" + s + "\""; }

    std::string src, archive;
};

TEST_F(LibraryTest, AFolderWithR2IsStoredWholeAndListedWithSlashes) {
    ASSERT_EQ(Run("a -r2 -a1 " + Q(archive) + " " + Q(src) + " a.txt dir"), 0);
    EXPECT_EQ(ListedPaths(archive), (std::vector<std::string>{"a.txt", "dir/", "dir/.hidden", "dir/b.txt", "dir/deep/",
                                                              "dir/deep/c.bin", "dir/empty/"}));
    auto listed = List(archive, "dir/b.txt");
    ASSERT_EQ(listed.size(), 1u);
    const ArcEntryRecord& r = listed[0].record;
    EXPECT_EQ(r.OriginalSize, 5000u);
    EXPECT_LT(r.CompressedSize, 100u);
    EXPECT_STREQ(r.MethodText, "-lh5-");
    EXPECT_EQ(r.Ratio, r.CompressedSize * 1000 / 5000);
    EXPECT_STREQ(List(archive, "dir/deep/c.bin")[0].record.MethodText, "-lh0-");  // random data is stored
}

TEST_F(LibraryTest, SwitchesThatChangeWhatIsPacked) {
    ASSERT_EQ(Run("a " + Q(archive) + " " + Q(src) + " dir"), 0);
    EXPECT_EQ(ListedPaths(archive), std::vector<std::string>{"dir/"});  // no -r2: the folder entry alone
    ASSERT_EQ(Run("a -r1 " + Q(archive) + " " + Q(src) + " *.txt"), 0);
    EXPECT_EQ(ListedPaths(archive), (std::vector<std::string>{"dir/", "a.txt", "dir/b.txt"}));  // hidden skipped
    DeleteFile(archive);
    ASSERT_EQ(Run("a -r2 -x0 \"-jx*.bin\" " + Q(archive) + " " + Q(src) + " dir"), 0);
    EXPECT_EQ(ListedPaths(archive), std::vector<std::string>{"b.txt"});  // -x0: no folders; .hidden without -a1
}

TEST_F(LibraryTest, UpdateReplacesOnlyByNewerFilesAndAddReplacesAlways) {
    SetTime(src + "a.txt", 1600000000);
    ASSERT_EQ(Run("u " + Q(archive) + " " + Q(src) + " a.txt"), 0);
    WriteFile(src + "a.txt", "older text");
    SetTime(src + "a.txt", 1500000000);
    ASSERT_EQ(Run("u " + Q(archive) + " " + Q(src) + " a.txt"), 0);
    EXPECT_EQ(List(archive)[0].record.OriginalSize, 25u);
    ASSERT_EQ(Run("u -c1 " + Q(archive) + " " + Q(src) + " a.txt"), 0);
    EXPECT_EQ(List(archive)[0].record.OriginalSize, 10u);
    WriteFile(src + "a.txt", "newest");
    SetTime(src + "a.txt", 1700000000);
    ASSERT_EQ(Run("u " + Q(archive) + " " + Q(src) + " a.txt dir/b.txt"), 0);
    EXPECT_EQ(ListedPaths(archive), (std::vector<std::string>{"a.txt", "dir/b.txt"}));
    EXPECT_EQ(List(archive)[0].record.OriginalSize, 6u);
    ASSERT_EQ(Run("f " + Q(archive) + " " + Q(src) + " dir/deep/c.bin"), 0);  // f adds nothing
    EXPECT_EQ(ListedPaths(archive).size(), 2u);
}

TEST_F(LibraryTest, ExtractionOverwritesAndKeepsTimesAndPaths) {
    SetTime(src + "a.txt", 1600000000);
    ASSERT_EQ(Run("a -r2 -a1 " + Q(archive) + " " + Q(src) + " a.txt dir"), 0);
    std::string out = Work("dest/");
    WriteFile(out + "a.txt", "to be overwritten");
    std::string text;
    ASSERT_EQ(Run("x -x1 -jse1 -jso1 -jyc1 " + Q(archive) + " " + Q(out), &text), 0) << text;
    EXPECT_EQ(ReadFile(out + "a.txt"), ReadFile(src + "a.txt"));
    EXPECT_EQ(ReadFile(out + "dir/deep/c.bin"), ReadFile(src + "dir/deep/c.bin"));
    EXPECT_TRUE(DirectoryExists(out + "dir/empty"));
    struct stat st;
    ASSERT_EQ(stat((out + "a.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1600000000);
    EXPECT_NE(text.find("a.txt"), std::string::npos);

    std::string flat = Work("flat/");
    ASSERT_EQ(Run("e " + Q(archive) + " " + Q(flat) + " dir/deep/c.bin"), 0);
    EXPECT_EQ(ReadFile(flat + "c.bin"), ReadFile(src + "dir/deep/c.bin"));
    EXPECT_EQ(Run("t " + Q(archive)), 0);
}

TEST_F(LibraryTest, ResponseFilesAndEmptyOnes) {
    std::string res = Work("ArcResFile");
    WriteFile(res, "\"a.txt\"\r\n\"dir/b.txt\"\r\n");
    ASSERT_EQ(Run("u -x1 " + Q(archive) + " " + Q(src) + " " + Q("@" + res)), 0);
    EXPECT_EQ(ListedPaths(archive), (std::vector<std::string>{"a.txt", "dir/b.txt"}));

    WriteFile(res, "");
    std::string out = Work("dest/");
    ASSERT_EQ(Run("x " + Q(archive) + " " + Q(out) + " " + Q("@" + res)), 0);  // empty list: every entry
    EXPECT_EQ(ReadFile(out + "dir/b.txt"), std::string(5000, 'b'));
    ASSERT_EQ(Run("d " + Q(archive) + " " + Q("@" + res)), 0);  // empty list: nothing removed
    EXPECT_EQ(ListedPaths(archive).size(), 2u);
    ASSERT_EQ(Run("u " + Q(archive) + " " + Q(src) + " " + Q("@" + res)), 0);  // nothing to pack
    EXPECT_EQ(ListedPaths(archive).size(), 2u);
}

TEST_F(LibraryTest, RemovingTheLastEntryDeletesTheArchive) {
    ASSERT_EQ(Run("a " + Q(archive) + " " + Q(src) + " a.txt dir/b.txt"), 0);
    EXPECT_EQ(Run("d -jso0 " + Q(archive) + " dir/b.txt"), 0);
    EXPECT_EQ(ListedPaths(archive), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(Run("d " + Q(archive) + " not-there"), lha::kNoMatch);
    EXPECT_EQ(Run("d " + Q(archive) + " a.txt"), 0);
    EXPECT_FALSE(FileExists(archive));
}

TEST_F(LibraryTest, JapaneseNamesRoundTripAndAreCodePage932InTheHeader) {
    WriteFile(src + "日本語フォルダ/表ソ.txt", "内容");
    ASSERT_EQ(Run("a -r2 " + Q(archive) + " " + Q(src) + " 日本語フォルダ"), 0);
    EXPECT_EQ(ListedPaths(archive), (std::vector<std::string>{"日本語フォルダ/", "日本語フォルダ/表ソ.txt"}));
    std::string bytes = ReadFile(archive);
    EXPECT_NE(bytes.find("\x95\x5C\x83\x5C.txt"), std::string::npos);  // 表 and ソ, each ending in 0x5C
    EXPECT_NE(bytes.find("\x93\xFA\x96\x7B\x8C\xEA\x83\x74\x83\x48\x83\x8B\x83\x5F\xFF"), std::string::npos);
    std::string out = Work("dest/");
    ASSERT_EQ(Run("x " + Q(archive) + " " + Q(out)), 0);
    EXPECT_EQ(ReadFile(out + "日本語フォルダ/表ソ.txt"), "内容");
}

TEST_F(LibraryTest, ANameWithoutCodePage932FormFailsThePackAndChangesNothing) {
    ASSERT_EQ(Run("a " + Q(archive) + " " + Q(src) + " a.txt"), 0);
    std::string before = ReadFile(archive);
    WriteFile(src + "smile😀.txt", "x");
    std::string text;
    EXPECT_EQ(Run("a " + Q(archive) + " " + Q(src) + " dir/b.txt smile😀.txt", &text), lha::kNameNotEncodable);
    EXPECT_NE(text.find("smile😀.txt"), std::string::npos) << text;
    EXPECT_EQ(ReadFile(archive), before);
    EXPECT_EQ(Run("a " + Q(archive) + " " + Q(src) + " a.txt missing.txt"), lha::kFileOpen);
    EXPECT_EQ(ReadFile(archive), before);
    EXPECT_TRUE(tarvo::test::FolderContents(Work("out")).size() == 1);  // no temporary file left behind
}

TEST_F(LibraryTest, ListingEntriesAndTheirExQueries) {
    SetTime(src + "a.txt", 1600000000);
    ASSERT_EQ(Run("a " + Q(archive) + " " + Q(src) + " a.txt dir/b.txt"), 0);
    const auto& u = tarvo::test::Unlha();
    HARC h = u.openArchive(0, archive.c_str(), 0);
    ASSERT_NE(h, 0u);
    ArcEntryRecord r{};
    ASSERT_EQ(u.findFirst(h, "*.txt", &r), 0);
    EXPECT_STREQ(r.EntryPath, "a.txt");
    win::FILETIME ft{};
    ASSERT_TRUE(u.getWriteTime(h, &ft));
    uint64_t t = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    EXPECT_EQ(t, (1600000000ull + 11644473600ull) * 10000000ull);
    ASSERT_TRUE(u.getCreateTime(h, &ft));
    uint64_t size = 0;
    ASSERT_TRUE(u.getOriginalSize(h, &size));
    EXPECT_EQ(size, 25u);
    EXPECT_EQ(r.DosDate, 0x512D);  // 2020-09-13, local time (JST)
    ASSERT_EQ(u.findNext(h, &r), 0);
    EXPECT_STREQ(r.EntryPath, "dir/b.txt");
    EXPECT_EQ(u.findNext(h, &r), -1);
    EXPECT_EQ(u.findFirst(h, "dir", &r), 0);
    EXPECT_EQ(u.findFirst(h, "nothing*", &r), -1);
    EXPECT_FALSE(u.getWriteTime(h, &ft));  // no current entry
    EXPECT_EQ(u.closeArchive(h), 0);
    EXPECT_NE(u.closeArchive(h), 0);
    EXPECT_NE(u.closeArchive(0), 0);
    EXPECT_NE(u.findFirst(12345, "*", &r), 0);
    EXPECT_EQ(u.openArchive(0, Work("missing.lzh").c_str(), 0), 0u);
}

TEST_F(LibraryTest, CheckArchiveArchiveTypeAndExtractMem) {
    ASSERT_EQ(Run("a " + Q(archive) + " " + Q(src) + " a.txt dir/b.txt"), 0);
    const auto& u = tarvo::test::Unlha();
    EXPECT_TRUE(u.checkArchive(archive.c_str(), 0));
    EXPECT_TRUE(u.checkArchive(archive.c_str(), 2));
    EXPECT_FALSE(u.checkArchive((src + "a.txt").c_str(), 0));
    EXPECT_FALSE(u.checkArchive(Work("missing").c_str(), 16));
    EXPECT_EQ(u.getArchiveType(archive.c_str()), 1);
    EXPECT_EQ(u.getArchiveType((src + "a.txt").c_str()), 0);
    EXPECT_EQ(u.getArchiveType(Work("missing").c_str()), -1);

    char buf[8000];
    win::DWORD written = 0;
    int64_t time = 0;
    win::WORD attr = 0;
    std::string line = " -+ -jso1  " + Q(archive) + " " + Q("dir/b.txt") + " ";
    ASSERT_EQ(u.extractMem(0, line.c_str(), reinterpret_cast<uint8_t*>(buf), sizeof buf, &time, &attr, &written), 0);
    EXPECT_EQ(std::string(buf, written), std::string(5000, 'b'));
    EXPECT_GT(time, 0);
    EXPECT_EQ(u.extractMem(0, line.c_str(), reinterpret_cast<uint8_t*>(buf), 100, nullptr, nullptr, &written),
              lha::kBufferTooSmall);
    EXPECT_EQ(written, 100u);
}

TEST_F(LibraryTest, BadCommandsAndHandlesFailCleanly) {
    const auto& u = tarvo::test::Unlha();
    EXPECT_EQ(u.command(0, nullptr, nullptr, 0), lha::kBadCommand);
    EXPECT_EQ(Run("q " + Q(archive)), lha::kNotSupported);
    EXPECT_EQ(Run("x " + Q(archive)), lha::kArchiveOpen);
    WriteFile(archive, "not an archive at all");
    EXPECT_EQ(Run("x " + Q(archive) + " " + Q(Work("dest/"))), lha::kNotArchive);
    EXPECT_EQ(Run("a " + Q(archive) + " " + Q(src) + " a.txt"), lha::kNotArchive);  // never clobbers a foreign file
    EXPECT_EQ(ReadFile(archive), "not an archive at all");
    std::string small(8, '\x7F');
    EXPECT_NE(u.command(0, ("x " + Q(archive)).c_str(), small.data(), 8), 0);
    EXPECT_EQ(small[7], '\0');  // output cut to the buffer and terminated
}

}  // namespace
