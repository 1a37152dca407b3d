// The files extraction leaves behind: their modes, their names, and nothing else in the destination.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <set>
#include <thread>

#include "platform/rtl/SysUtils.h"
#include "tests/platform/unlha32/LzhLibrary.h"
#include "tests/support/UmaskProbe.h"

namespace {

namespace fs = std::filesystem;
using tarvo::test::CountFilesCreatedPastTheUmask;
using tarvo::test::ScopedUmask;
using tarvo::test::WriteFile;

class ExtractedFilesTest : public tarvo::test::LzhTest {
protected:
    // Packs the files (names relative to src/) into t.lzh.
    void Pack(const std::vector<std::string>& names) {
        std::string line = "a " + Q(Work("t.lzh")) + " " + Q(Work("src/"));
        for (const auto& name : names)
            line += " " + Q(name);
        ASSERT_EQ(Run(line), 0);
    }
    int Extract() { return Run("x " + Q(Work("t.lzh")) + " " + Q(Work("out/"))); }
    static std::string Q(const std::string& s) { return "\"" + s + "\""; }
    static mode_t Mode(const std::string& path) {
        struct stat st;
        EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
        return st.st_mode & 07777;
    }
};

TEST_F(ExtractedFilesTest, ModesAreTheStoredOnesLessTheUmask) {
    const std::vector<std::pair<std::string, mode_t>> files = {
        {"run.sh", 0755}, {"doc.txt", 0644}, {"shared.txt", 0666}, {"private.key", 0400}, {"drop.box", 0200}};
    std::vector<std::string> names;
    for (const auto& [name, mode] : files) {
        WriteFile(Work("src/" + name), name);
        ASSERT_EQ(::chmod(Work("src/" + name).c_str(), mode), 0);
        names.push_back(name);
    }
    Pack(names);
    ScopedUmask mask(027);
    ASSERT_EQ(Extract(), 0);
    EXPECT_EQ(Mode(Work("out/run.sh")), 0750u);
    EXPECT_EQ(Mode(Work("out/doc.txt")), 0640u);
    EXPECT_EQ(Mode(Work("out/shared.txt")), 0640u);
    EXPECT_EQ(Mode(Work("out/private.key")), 0400u);
    EXPECT_EQ(Mode(Work("out/drop.box")), 0600u);  // the owner can always read what was extracted
}

TEST_F(ExtractedFilesTest, TheLongestNamesAreExtractedAndNoTemporaryFileRemains) {
    const std::vector<std::string> names = {std::string(255, 'n'), "短い名前" + std::string(243, 's')};
    for (const auto& name : names)
        WriteFile(Work("src/" + name), name);
    Pack(names);
    ASSERT_EQ(Extract(), 0);
    ASSERT_EQ(Extract(), 0);  // and once more over the files of the first run
    std::set<std::string> extracted;
    for (const auto& entry : fs::directory_iterator(Work("out")))
        extracted.insert(entry.path().filename().string());
    EXPECT_EQ(extracted, std::set<std::string>(names.begin(), names.end()));
}

// Files made the ordinary way while another thread extracts; both loops are bounded by counts.
TEST_F(ExtractedFilesTest, ExtractingLeavesTheUmaskOfOtherThreadsAlone) {
    WriteFile(Work("src/a.txt"), "a");
    Pack({"a.txt"});
    ScopedUmask mask(022);
    constexpr int kPlainFiles = 80000;
    constexpr int kMostExtractions = 1000000;
    std::atomic<bool> stop{false};
    std::atomic<int> failed{0};
    std::thread extractor([&] {
        for (int i = 0; i < kMostExtractions && !stop.load(); ++i)
            failed += Extract() != 0;
    });
    const std::string plain = Work("plain");
    const int widened = CountFilesCreatedPastTheUmask(plain, kPlainFiles, 022);
    stop = true;
    extractor.join();
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(widened, 0) << "files created with the umask cleared";
}

}  // namespace
