// Interchange with Debian's LZH tools: archives we write pass lhasa's test and extract byte for byte with
// lhasa, 7z and bsdtar, times kept; archives jlha writes (every header level and method it offers) list and
// extract identically through the library.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include "platform/rtl/SysUtils.h"
#include "tests/platform/unlha32/LzhLibrary.h"

namespace {

using tarvo::test::FolderContents;
using tarvo::test::RunTool;
using tarvo::test::WriteFile;

class PeerTest : public tarvo::test::LzhTest {
protected:
    void SetUp() override {
        LzhTest::SetUp();
        src = Work("src/");
        std::string text;
        for (int i = 0; i < 3000; ++i)
            text += "line " + std::to_string(i * 7919 % 1000) + " of the trunk text\r\n";
        files = {{"text.txt", text},
                 {"empty.dat", ""},
                 {"random.bin", tarvo::test::RandomBytes(1 << 20, 21)},
                 {"nested/deeper/deepest/n.txt", text.substr(0, 5000)},
                 {"nested/" + std::string(150, 'L') + ".name", "long name"},
                 {std::string(100, 'F') + "/" + std::string(120, 'g') + ".txt", text.substr(100, 3000)},
                 {std::string(217, 'p'), "a header of 256 bytes, which takes a spare byte"}};
        time_t t = 1650000000;  // even, so DOS times (2 s) keep it too
        for (const auto& [name, bytes] : files) {
            WriteFile(src + name, bytes);
            struct utimbuf times {
                t, t
            };
            utime((src + name).c_str(), &times);
            t += 86400 * 3 + 3600 * 5;
        }
    }

    // Contents and modification times of the files under folder match the source's.
    void ExpectSameTree(const std::string& folder, const std::string& who) {
        EXPECT_EQ(FolderContents(folder), FolderContents(src)) << who;
        for (const auto& [name, bytes] : files) {
            struct stat a, b;
            ASSERT_EQ(stat((folder + name).c_str(), &a), 0) << who << ": " << name;
            ASSERT_EQ(stat((src + name).c_str(), &b), 0);
            EXPECT_EQ(a.st_mtime, b.st_mtime) << who << ": " << name;
        }
    }

    std::string src;
    std::vector<std::pair<std::string, std::string>> files;
};

TEST_F(PeerTest, OurArchivesPassLhasaAndExtractWithLhasa7zAndBsdtar) {
    std::string archive = Work("ours.lzh");
    ASSERT_EQ(Run("a -r2 -x1 \"" + archive + "\" \"" + src + "\""), 0);
    std::string out;
    ASSERT_EQ(RunTool({"lhasa", "t", archive}, Work(""), &out), 0) << out;

    ForceDirectories(Work("by-lhasa"));
    ASSERT_EQ(RunTool({"lhasa", "xw=" + Work("by-lhasa"), archive}, Work(""), &out), 0) << out;
    ExpectSameTree(Work("by-lhasa/"), "lhasa");

    ASSERT_EQ(RunTool({"7z", "x", "-y", "-o" + Work("by-7z"), archive}, Work(""), &out), 0) << out;
    ExpectSameTree(Work("by-7z/"), "7z");

    ForceDirectories(Work("by-bsdtar"));
    ASSERT_EQ(RunTool({"bsdtar", "-xf", archive, "-C", Work("by-bsdtar")}, Work(""), &out), 0) << out;
    ExpectSameTree(Work("by-bsdtar/"), "bsdtar");
}

TEST_F(PeerTest, JlhaArchivesOfEveryLevelAndMethodListAndExtract) {
    // jlha's level 0 headers hold names up to about 78 bytes.
    int shortened = 0;
    for (auto& f : files) {
        if (f.first.size() <= 70)
            continue;
        std::string name = "long" + std::to_string(++shortened) + ".txt";
        ASSERT_TRUE(RenameFile(src + f.first, src + name));
        f.first = name;
    }
    std::vector<std::string> expected;
    for (const auto& [name, bytes] : files)
        expected.push_back(name);
    std::sort(expected.begin(), expected.end());
    for (const std::string options : {"a", "a0", "a1", "ao6", "ao7", "a0o6", "a1o7"}) {
        std::string archive = Work("jlha-" + options + ".lzh");
        std::vector<std::string> argv = {"jlha", options, archive};
        for (const auto& [name, bytes] : files)
            argv.push_back(name);
        std::string out;
        ASSERT_EQ(RunTool(argv, src, &out), 0) << out;

        std::vector<std::string> listed;
        for (const auto& l : List(archive))
            if (l.path.back() != '/')
                listed.push_back(l.path);
        std::sort(listed.begin(), listed.end());
        EXPECT_EQ(listed, expected) << options;

        std::string dest = Work("from-" + options + "/");
        ASSERT_EQ(Run("x \"" + archive + "\" \"" + dest + "\"", &out), 0) << options << "\n" << out;
        ExpectSameTree(dest, "jlha " + options);
    }
}

}  // namespace

// A file too random to shrink is stored; the coder gives up on it part way, and the files coded after it must
// not inherit what it left behind.
TEST_F(PeerTest, FilesCodedAfterAStoredOneExtractWhole) {
    std::string dir = Work("mixed/");
    std::string sheet;
    for (uint64_t i = 0; sheet.size() < (3u << 20); ++i)
        sheet += "2024-04-" + std::to_string(i % 28 + 1) + ";item" + std::to_string(i * 7919 % 10000) + ";" +
                 std::to_string(i * 104729 % 100000) + ";ok\r\n";
    WriteFile(dir + "1-photo.jpg", tarvo::test::RandomBytes(3 << 20, 7));
    WriteFile(dir + "2-sheet.csv", sheet);
    WriteFile(dir + "3-notes.txt", sheet.substr(0, 70000));
    std::string archive = Work("mixed.lzh");
    ASSERT_EQ(Run("a -x1 \"" + archive + "\" \"" + dir + "\" \"1-photo.jpg\" \"2-sheet.csv\" \"3-notes.txt\""), 0);

    std::string out;
    EXPECT_EQ(RunTool({"lhasa", "t", archive}, Work(""), &out), 0) << out;
    ASSERT_EQ(Run("x \"" + archive + "\" \"" + Work("ours/") + "\"", &out), 0) << out;
    EXPECT_EQ(FolderContents(Work("ours/")), FolderContents(dir));
}
