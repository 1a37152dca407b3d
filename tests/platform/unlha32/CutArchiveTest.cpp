// Archives cut short, as a download taken while the sender's upload still runs can be: wherever the cut falls,
// even exactly between two entries, testing and extracting report damage after the whole entries, listing shows
// those entries, and the verbs that rewrite an archive refuse to touch it. Archives that every writer we meet
// finishes with the end mark still pass.
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

    // Everything the library may do with the first n bytes of the archive.
    void CheckCut(size_t n) {
        SCOPED_TRACE("cut after " + std::to_string(n) + " of " + std::to_string(whole.size()) + " bytes");
        const std::string cut = Work("cut.lzh");
        const std::string bytes = whole.substr(0, n);
        WriteFile(cut, bytes);
        size_t entries = 0;
        while (entries < ends.size() && ends[entries] <= n)
            ++entries;

        // Between two entries the cut reads as one inside the next header would.
        const bool betweenEntries = n > 0 && entries > 0 && ends[entries - 1] == n;
        std::string text;
        const int tested = Run("t " + Q(cut), &text);
        EXPECT_NE(tested, 0) << text;
        const std::string dest = Work("dest/");
        std::filesystem::remove_all(dest);
        const int extractedCode = Run("x " + Q(cut) + " " + Q(dest), &text);
        EXPECT_NE(extractedCode, 0) << text;
        if (betweenEntries) {
            EXPECT_EQ(tested, lha::kNotArchive);
            EXPECT_EQ(extractedCode, lha::kNotArchive);
            EXPECT_NE(text.find("cut short"), std::string::npos) << text;
        }
        std::vector<std::pair<std::string, std::string>> expected;
        for (size_t i = 0; i < entries; ++i)
            if (listed[i].back() != '/')
                expected.emplace_back(listed[i], ReadFile(src + listed[i]));
        std::sort(expected.begin(), expected.end());
        auto extracted = std::filesystem::exists(dest) ? FolderContents(dest) : decltype(expected){};
        EXPECT_TRUE(extracted == expected) << Names(extracted) << " instead of " << Names(expected);

        if (entries == 0) {
            EXPECT_EQ(tarvo::test::Unlha().openArchive(0, cut.c_str(), 0), 0u);
        } else {
            EXPECT_EQ(ListedPaths(cut), std::vector<std::string>(listed.begin(), listed.begin() + entries));
        }

        WriteFile(src + "new.txt", "a file to add");
        if (n > 0) {  // an empty file is an empty archive to a pack, which has nothing in it to lose
            EXPECT_NE(Run("a " + Q(cut) + " " + Q(src) + " new.txt"), 0);
            EXPECT_NE(Run("u " + Q(cut) + " " + Q(src) + " new.txt"), 0);
        }
        EXPECT_NE(Run("d " + Q(cut) + " " + Q(listed.front())), 0);
        EXPECT_TRUE(ReadFile(cut) == bytes);
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

    for (const auto& archive : archives) {
        std::string bytes = ReadFile(archive);
        ASSERT_FALSE(bytes.empty()) << archive;
        EXPECT_EQ(bytes.back(), '\0') << archive;
        std::string text;
        EXPECT_EQ(Run("t " + Q(archive), &text), 0) << archive << "\n" << text;
        std::filesystem::remove_all(Work("dest"));
        EXPECT_EQ(Run("x " + Q(archive) + " " + Q(Work("dest/")), &text), 0) << archive << "\n" << text;
    }
}

}  // namespace
