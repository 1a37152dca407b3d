// Archives cut short, as a download taken while the sender's upload still runs can be, or with a zero where a
// header starts, as a damaged cipher block can leave them: wherever the cut or the zero falls, even exactly
// between two entries, testing and extracting report damage after the whole entries, listing shows those
// entries, and the verbs that rewrite an archive refuse to touch it. Archives that every writer we meet
// finishes with the end mark still pass, also when padded after it.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "platform/rtl/SysUtils.h"
#include "platform/unlha32/ArchiveIndex.h"
#include "platform/unlha32/LhaError.h"
#include "tests/platform/unlha32/LzhLibrary.h"

namespace {

using tarvo::test::FolderContents;
using tarvo::test::ReadFile;
using tarvo::test::RunTool;
using tarvo::test::WriteFile;

std::string Q(const std::string& s) {
    return "\"" + s + "\"";
}

std::string Names(const std::vector<std::pair<std::string, std::string>>& files) {
    std::string names;
    for (const auto& f : files)
        names += f.first + " (" + std::to_string(f.second.size()) + " bytes) ";
    return names;
}

class CutArchiveTest : public tarvo::test::LzhTest {
protected:
    void SetUp() override {
        LzhTest::SetUp();
        src = Work("src/");
    }

    // Packs the named files and folders of src (folders whole) and learns where each entry ends.
    void Pack(const std::string& names) {
        full = Work("full.lzh");
        ASSERT_EQ(Run("a -r2 -x1 " + Q(full) + " " + Q(src) + " " + names), 0);
        whole = ReadFile(full);
        lha::ArchiveIndex index = lha::ReadArchiveIndex(full);
        for (const auto& e : index.entries) {
            ends.push_back(e.header.dataOffset() + e.header.packedSize);
            listed.push_back(e.name + (e.header.IsDirectory() ? "/" : ""));
        }
        ASSERT_EQ(ends.back() + 1, whole.size());  // the end mark
    }

    // The first n bytes of the archive.
    void CheckCut(size_t n) {
        SCOPED_TRACE("cut after " + std::to_string(n) + " of " + std::to_string(whole.size()) + " bytes");
        size_t entries = 0;
        while (entries < ends.size() && ends[entries] <= n)
            ++entries;
        // Between two entries the cut reads as one inside the next header would.
        const bool betweenEntries = n > 0 && entries > 0 && ends[entries - 1] == n;
        CheckDamaged(whole.substr(0, n), entries, betweenEntries ? "cut short" : "");
    }

    // The archive with a zero where the header of entry k starts: to a reader that takes the zero as the end
    // mark, the archive would end after the whole entries before it.
    void CheckHeaderZeroed(size_t k) {
        const size_t start = k == 0 ? 0 : ends[k - 1];
        SCOPED_TRACE("zero at " + std::to_string(start) + ", the header of " + listed[k]);
        std::string bytes = whole;
        bytes[start] = '\0';
        CheckDamaged(bytes, k, k == 0 ? "" : "after its end mark");
    }

    // Everything the library may do with a damaged copy of the archive whose first `entries` entries are
    // whole; a damage text, when given, is what testing and extracting say after those entries.
    void CheckDamaged(const std::string& bytes, size_t entries, const std::string& damageText) {
        const std::string damaged = Work("damaged.lzh");
        WriteFile(damaged, bytes);
        std::string text;
        const int tested = Run("t " + Q(damaged), &text);
        EXPECT_NE(tested, 0) << text;
        const std::string dest = Work("dest/");
        std::filesystem::remove_all(dest);
        const int extractedCode = Run("x " + Q(damaged) + " " + Q(dest), &text);
        EXPECT_NE(extractedCode, 0) << text;
        if (!damageText.empty()) {
            EXPECT_EQ(tested, lha::kNotArchive);
            EXPECT_EQ(extractedCode, lha::kNotArchive);
            EXPECT_NE(text.find(damageText), std::string::npos) << text;
        }
        EXPECT_FALSE(tarvo::test::Unlha().checkArchive(damaged.c_str(), 0));
        EXPECT_FALSE(tarvo::test::Unlha().checkArchive(damaged.c_str(), 2));
        std::vector<std::pair<std::string, std::string>> expected;
        for (size_t i = 0; i < entries; ++i)
            if (listed[i].back() != '/')
                expected.emplace_back(listed[i], ReadFile(src + listed[i]));
        std::sort(expected.begin(), expected.end());
        auto extracted = std::filesystem::exists(dest) ? FolderContents(dest) : decltype(expected){};
        EXPECT_TRUE(extracted == expected) << Names(extracted) << " instead of " << Names(expected);

        if (entries == 0) {
            EXPECT_EQ(tarvo::test::Unlha().openArchive(0, damaged.c_str(), 0), 0u);
        } else {
            EXPECT_EQ(ListedPaths(damaged), std::vector<std::string>(listed.begin(), listed.begin() + entries));
        }

        WriteFile(src + "new.txt", "a file to add");
        if (!bytes.empty()) {  // an empty file is an empty archive to a pack, which has nothing in it to lose
            EXPECT_NE(Run("a " + Q(damaged) + " " + Q(src) + " new.txt"), 0);
            EXPECT_NE(Run("u " + Q(damaged) + " " + Q(src) + " new.txt"), 0);
            EXPECT_NE(Run("f " + Q(damaged) + " " + Q(src) + " new.txt"), 0);
        }
        EXPECT_NE(Run("d " + Q(damaged) + " " + Q(listed.front())), 0);
        EXPECT_TRUE(ReadFile(damaged) == bytes);
    }

    std::string src, full, whole;
    std::vector<uint64_t> ends;       // where each entry's data ends
    std::vector<std::string> listed;  // each entry as the listing gives it
};

TEST_F(CutArchiveTest, ACutAtAnyByteOfASmallArchiveIsDamage) {
    std::string text;
    for (int i = 0; i < 12; ++i)
        text += "a line of the trunk's text, number " + std::to_string(i) + "\r\n";
    WriteFile(src + "a.txt", text);
    WriteFile(src + "dir/b.bin", tarvo::test::RandomBytes(40, 5));
    WriteFile(src + "empty.txt", "");
    WriteFile(src + "z.txt", "z");
    Pack("a.txt dir empty.txt z.txt");
    ASSERT_EQ(listed, (std::vector<std::string>{"a.txt", "dir/", "dir/b.bin", "empty.txt", "z.txt"}));
    for (size_t n = 0; n < whole.size(); ++n)
        CheckCut(n);
}

TEST_F(CutArchiveTest, ACutBetweenTheEntriesOfALargeArchiveIsDamage) {
    std::string records;
    for (int i = 0; records.size() < 300000; ++i)
        records += "2024-04-" + std::to_string(i % 28 + 1) + ";item" + std::to_string(i * 7919 % 10000) + ";" +
                   std::to_string(i * 104729 % 100000) + ";ok\r\n";
    WriteFile(src + "1-photo.jpg", tarvo::test::RandomBytes(200000, 1));
    WriteFile(src + "2-sheet.csv", records);
    WriteFile(src + "フォルダ/3-表.txt", records.substr(1000, 90000));
    WriteFile(src + "フォルダ/4-noise.bin", tarvo::test::RandomBytes(70000, 2));
    WriteFile(src + "5-runs.dat", std::string(150000, 'r') + std::string(150000, 's'));
    Pack("1-photo.jpg 2-sheet.csv フォルダ 5-runs.dat");
    ASSERT_EQ(listed.size(), 6u);
    for (uint64_t end : ends)
        CheckCut(end);
}

TEST_F(CutArchiveTest, AZeroWhereAHeaderStartsIsDamage) {
    WriteFile(src + "r1.bin", tarvo::test::RandomBytes(699, 7));
    WriteFile(src + "s.txt", "short text\r\n");
    WriteFile(src + "d/h.txt", std::string(500, 'h'));
    Pack("r1.bin s.txt d");
    ASSERT_EQ(listed, (std::vector<std::string>{"r1.bin", "s.txt", "d/", "d/h.txt"}));
    ASSERT_EQ(ends[0], 744u);
    for (size_t k = 0; k < listed.size(); ++k)
        CheckHeaderZeroed(k);
    {
        SCOPED_TRACE("padding, then something else");
        CheckDamaged(whole + std::string("\0\x1A\x1A!", 4), listed.size(), "after its end mark");
    }
}

TEST_F(CutArchiveTest, ArchivesOfEveryWriterEndWithTheMarkAndPass) {
    WriteFile(src + "a.txt", std::string(3000, 'a') + "end");
    WriteFile(src + "b.bin", tarvo::test::RandomBytes(500, 3));
    std::vector<std::string> archives;
    for (const std::string level : {"a0", "a1", "a2"}) {
        archives.push_back(Work("jlha-" + level + ".lzh"));
        std::string out;
        ASSERT_EQ(RunTool({"jlha", level, archives.back(), "a.txt", "b.bin"}, src, &out), 0) << out;
    }
    archives.push_back(Work("ours.lzh"));
    ASSERT_EQ(Run("a " + Q(archives.back()) + " " + Q(src) + " a.txt b.bin"), 0);
    for (const auto& sample : std::filesystem::directory_iterator(tarvo::test::TestDataPath("unlha32")))
        if (sample.is_regular_file())
            archives.push_back(sample.path().string());

    auto expectWhole = [&](const std::string& archive) {
        std::string text;
        EXPECT_EQ(Run("t " + Q(archive), &text), 0) << archive << "\n" << text;
        std::filesystem::remove_all(Work("dest"));
        EXPECT_EQ(Run("x " + Q(archive) + " " + Q(Work("dest/")), &text), 0) << archive << "\n" << text;
        EXPECT_TRUE(tarvo::test::Unlha().checkArchive(archive.c_str(), 2)) << archive;
    };
    for (const auto& archive : archives) {
        std::string bytes = ReadFile(archive);
        ASSERT_FALSE(bytes.empty()) << archive;
        EXPECT_EQ(bytes.back(), '\0') << archive;
        expectWhole(archive);
        // Some writers pad an archive after its end mark, with zeros or with the old end-of-file mark.
        const size_t entries = ListedPaths(archive).size();
        for (const std::string& padding : {std::string(1, '\0'), std::string(300, '\0'), std::string(1, '\x1A'),
                                           std::string(127, '\x1A'), std::string("\x1A\0\0\x1A", 4)}) {
            const std::string padded = Work("padded.lzh");
            WriteFile(padded, bytes + padding);
            SCOPED_TRACE(archive + " padded with " + std::to_string(padding.size()) + " bytes");
            expectWhole(padded);
            EXPECT_EQ(ListedPaths(padded).size(), entries);
        }
    }
}

}  // namespace
