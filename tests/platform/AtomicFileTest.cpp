#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/SysUtils.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/UmaskProbe.h"

namespace {

namespace fs = std::filesystem;
using tarvo::test::CountFilesCreatedPastTheUmask;
using tarvo::test::ReadFile;
using tarvo::test::ScopedUmask;
using tarvo::test::WriteFile;

class AtomicFileTest : public tarvo::test::TarvoTest {
protected:
    std::string Path(const std::string& name) const { return sandbox().work + name; }
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(sandbox().work))
            names.insert(entry.path().filename().string());
        return names;
    }
    static mode_t Mode(const std::string& path) {
        struct stat st;
        EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
        return st.st_mode & 07777;
    }
};

TEST_F(AtomicFileTest, ReplacesTheTargetOnlyOnCommit) {
    std::string name = Path("target.txt");
    WriteFile(name, "old");
    {
        AtomicFile f(name);
        f.WriteBuffer("new content", 11);
        EXPECT_EQ(ReadFile(name), "old");  // readers still see the old file
    }                                      // dropped without Commit
    EXPECT_EQ(ReadFile(name), "old");
    EXPECT_EQ(Names(), std::set<std::string>{"target.txt"});
    {
        AtomicFile f(name, 0600);
        f.WriteBuffer("new", 3);
        f.Commit();
    }
    EXPECT_EQ(ReadFile(name), "new");
    EXPECT_EQ(Mode(name), 0600u);
    EXPECT_EQ(Names(), std::set<std::string>{"target.txt"});
    {
        AtomicFile f(name);
        f.WriteBuffer("newer", 5);
        f.Commit(false);  // no flush to disk: replaced whole all the same
    }
    EXPECT_EQ(ReadFile(name), "newer");
}

// The file system's longest names must stay writable: the temporary name cannot grow with the target's.
TEST_F(AtomicFileTest, TargetsWithTheLongestNamesCanBeWritten) {
    const std::string japanese = "長い名前";  // 12 bytes in UTF-8
    for (const std::string& leaf : {std::string(244, 'a'), std::string(255, 'b'), japanese + std::string(243, 'c')}) {
        ASSERT_LE(leaf.size(), 255u);
        AtomicFile f(Path(leaf));
        f.WriteBuffer(leaf.data(), static_cast<int64_t>(leaf.size()));
        f.Commit(false);
        EXPECT_EQ(ReadFile(Path(leaf)), leaf) << leaf.size();
    }
    EXPECT_EQ(Names().size(), 3u);
}

TEST_F(AtomicFileTest, TemporaryFilesAreShortUniqueAndBesideTheTarget) {
    fs::create_directory(Path("sub"));
    const std::string target = Path("sub/") + std::string(200, 't');
    AtomicFile first(target);
    AtomicFile second(target);
    EXPECT_NE(first.FileName(), second.FileName());
    for (const AtomicFile* f : {&first, &second}) {
        EXPECT_EQ(ExtractFilePath(f->FileName()), Path("sub/"));
        EXPECT_LE(ExtractFileName(f->FileName()).size(), 32u);
        EXPECT_TRUE(fs::is_regular_file(f->FileName()));
    }
    first.WriteBuffer("first", 5);
    second.WriteBuffer("second", 6);
    first.Commit(false);
    second.Commit(false);
    EXPECT_EQ(ReadFile(target), "second");
    EXPECT_EQ(fs::directory_iterator(Path("sub"))->path().string(), target);
}

TEST_F(AtomicFileTest, ModeIsTheWantedOneLessTheUmask) {
    ScopedUmask mask(027);
    for (mode_t wanted : {0666u, 0644u, 0600u, 0400u}) {
        const std::string name = Path("mode-" + std::to_string(wanted));
        AtomicFile f(name, wanted);
        f.WriteBuffer("x", 1);
        f.Commit(false);
        EXPECT_EQ(Mode(name), wanted & ~027u) << std::oct << wanted;
    }
}

// Files made the ordinary way while another thread writes atomic files; both loops are bounded by counts.
TEST_F(AtomicFileTest, WritingLeavesTheUmaskOfOtherThreadsAlone) {
    ScopedUmask mask(022);
    constexpr int kPlainFiles = 40000;
    constexpr int kMostAtomicFiles = 1000000;
    std::atomic<bool> stop{false};
    std::thread atomicWriter([&] {
        for (int i = 0; i < kMostAtomicFiles && !stop.load(); ++i)
            AtomicFile dropped(Path("atomic"));
    });
    const std::string plain = Path("plain");
    const int widened = CountFilesCreatedPastTheUmask(plain, kPlainFiles, 022);
    stop = true;
    atomicWriter.join();
    EXPECT_EQ(widened, 0) << "files created with the umask cleared";
}

}  // namespace
