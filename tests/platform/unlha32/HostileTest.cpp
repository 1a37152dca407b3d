// Archives made to hurt: names that lead out of the destination, a link planted in it, broken data and
// broken headers. Nothing may be written outside the destination, the result is an error, and no final
// file is left for an entry whose data did not check out.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/rtl/SysUtils.h"
#include "platform/unlha32/LhaError.h"
#include "tests/platform/unlha32/LzhLibrary.h"

namespace {

using tarvo::test::FolderContents;
using tarvo::test::RawArchive;
using tarvo::test::RawEntry;
using tarvo::test::ReadFile;
using tarvo::test::WriteFile;

class HostileTest : public tarvo::test::LzhTest {
protected:
    void SetUp() override {
        LzhTest::SetUp();
        dest = Work("jail/dest/");
        ForceDirectories(dest);
    }
    RawEntry Entry(const std::string& name, int level, const std::string& data = "evil") {
        RawEntry e;
        e.name = name;
        e.level = level;
        e.data = data;
        if (level == 2)
            e.time = 1600000000;
        return e;
    }
    int Extract(const std::string& bytes, std::string* text = nullptr) {
        WriteFile(Work("hostile.lzh"), bytes);
        return Run("x \"" + Work("hostile.lzh") + "\" \"" + dest + "\"", text);
    }
    // Everything under the sandbox's work folder other than the archive and the destination.
    std::vector<std::pair<std::string, std::string>> Outside() {
        auto all = FolderContents(Work(""));
        std::vector<std::pair<std::string, std::string>> out;
        for (auto& f : all)
            if (f.first != "hostile.lzh" && f.first.rfind("jail/dest/", 0) != 0)
                out.push_back(f);
        return out;
    }

    std::string dest;
};

TEST_F(HostileTest, NamesLeadingOutOfTheDestinationAreRefusedAndTheRestExtracted) {
    struct Case {
        std::string name;
        int level;
    };
    for (const Case& c : std::vector<Case>{{"../x", 2},
                                           {"../../x", 0},
                                           {"/abs", 2},
                                           {"/tmp/abs", 0},
                                           {"C:\\x", 0},
                                           {"c:x", 1},
                                           {"a\\..\\..\\x", 0},
                                           {"a/../../x", 1},
                                           {"ok/../../x", 2}}) {
        std::filesystem::remove_all(dest);  // each case shows its own fine.txt
        ForceDirectories(dest);
        std::string text;
        EXPECT_EQ(Extract(RawArchive({Entry(c.name, c.level), Entry("fine.txt", c.level, "fine")}), &text),
                  lha::kUnsafeName)
            << c.name;
        EXPECT_NE(text.find("refused"), std::string::npos) << text;
        EXPECT_EQ(ReadFile(dest + "fine.txt"), "fine") << c.name;
        EXPECT_TRUE(Outside().empty()) << c.name;
        for (const auto& f : FolderContents(dest))
            EXPECT_EQ(f.first, "fine.txt") << c.name;
    }
}

TEST_F(HostileTest, ALinkPlantedInTheDestinationIsNotFollowed) {
    ForceDirectories(Work("jail/outside"));
    ASSERT_EQ(symlink(Work("jail/outside").c_str(), (dest + "link").c_str()), 0);
    ASSERT_EQ(symlink(Work("jail/outside/file").c_str(), (dest + "file").c_str()), 0);
    EXPECT_EQ(Extract(RawArchive({Entry("link/x", 2), Entry("link\\y", 0)})), lha::kFileWrite);
    EXPECT_TRUE(Outside().empty());
    // A file entry replaces a link of its name rather than writing through it.
    EXPECT_EQ(Extract(RawArchive({Entry("file", 2, "own")})), 0);
    EXPECT_TRUE(Outside().empty());
    EXPECT_EQ(ReadFile(dest + "file"), "own");
}

TEST_F(HostileTest, AFlippedDataByteLeavesNoFile) {
    WriteFile(Work("src/t.txt"), std::string(20000, 'q') + "tail of the text");
    ASSERT_EQ(Run("a \"" + Work("good.lzh") + "\" \"" + Work("src/") + "\" t.txt"), 0);
    std::string bytes = ReadFile(Work("good.lzh"));
    for (size_t at : {bytes.size() - 10, bytes.size() / 2 + 20}) {
        std::string bad = bytes;
        bad[at] ^= 0x10;
        EXPECT_EQ(Extract(bad), lha::kDataBroken) << at;
        EXPECT_TRUE(FolderContents(dest).empty()) << at;  // neither the file nor its temporary
    }
    RawEntry stored = Entry("s.txt", 2, "stored bytes");
    std::string bad = RawArchive({stored});
    bad[bad.size() - 3] ^= 0x01;
    EXPECT_EQ(Extract(bad), lha::kDataBroken);
    EXPECT_TRUE(FolderContents(dest).empty());
}

TEST_F(HostileTest, BrokenAndLyingHeadersFailWithoutCrashing) {
    std::string good = RawArchive({Entry("first.txt", 2, "first"), Entry("second.txt", 0, "second")});
    EXPECT_EQ(Extract(good), 0);
    std::string cut = good.substr(0, good.size() - 20);  // inside the second header
    EXPECT_EQ(Extract(cut), lha::kNotArchive);
    EXPECT_EQ(ReadFile(dest + "first.txt"), "first");

    RawEntry liar = Entry("big.txt", 2, "only a little data");
    liar.originalSize = 1ull << 33;
    EXPECT_NE(Extract(RawArchive({liar})), 0);
    RawEntry packedLiar = Entry("big2.txt", 0, "x");
    std::string lying = RawArchive({packedLiar});
    char delta = static_cast<char>(0x7F - lying[7]);
    lying[7] = '\x7F';  // packed size far beyond the file's end, checksum kept right
    lying[1] = static_cast<char>(lying[1] + delta);
    EXPECT_NE(Extract(lying), 0);
    RawEntry method = Entry("m.txt", 2, "data");
    method.method = "-lh9-";
    EXPECT_EQ(Extract(RawArchive({method})), lha::kMethod);
    for (const char* f : {"big.txt", "big2.txt", "m.txt"})
        EXPECT_FALSE(FileExists(dest + f)) << f;
    EXPECT_TRUE(Outside().empty());

    for (int seed = 0; seed < 200; ++seed) {  // random damage to a whole archive
        std::string bytes = good;
        for (int k = 0; k < 3; ++k)
            bytes[(seed * 7919u + k * 104729u) % bytes.size()] ^= static_cast<char>(1 + seed % 255);
        Extract(bytes);
    }
    EXPECT_TRUE(Outside().empty());
}

}  // namespace
