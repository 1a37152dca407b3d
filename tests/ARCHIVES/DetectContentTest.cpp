// Type detection by content on sample archives made by Debian's archivers: only LZH files are recognised
// (the other formats' libraries are not installed), also under a ".EXE" name, but not when stored inside
// another archive.
#include <gtest/gtest.h>

#include "ARCHIVES/ARCHIVES.h"
#include "ARCHIVES/ArcFormats.h"
#include "platform/rtl/SysUtils.h"
#include "tests/ARCHIVES/LzhLibrary.h"

namespace {

using tarvo::test::RunIn;

class DetectContentTest : public tarvo::test::LzhLibraryTest {
protected:
    void SetUp() override {
        LzhLibraryTest::SetUp();
        if (IsSkipped())
            return;
        dir = sandbox().work + "samples/";
        tarvo::test::WriteSampleFiles(dir);
        ASSERT_TRUE(RunIn(dir, "jlha a sample.lzh data.txt random.bin"));
    }
    std::string dir;
};

TEST_F(DetectContentTest, OnlyLzhArchivesAreRecognised) {
    ASSERT_NO_FATAL_FAILURE(tarvo::test::MakeSampleArchives(dir));
    ASSERT_TRUE(RunIn(dir, "bzip2 -k -c data.txt > data.txt.bz2"));
    ASSERT_TRUE(RunIn(dir, "zip -q -0 lzh-in-zip.zip sample.lzh"));
    ASSERT_TRUE(RunIn(dir, "tar cf lzh-in-tar.tar sample.lzh"));

    EXPECT_EQ(DetectArchiverType(dir + "sample.lzh", false), atLha);
    for (const char* other :
         {"sample.zip", "sample.tar", "sample.tar.gz", "data.txt.bz2", "sample.7z", "sample.cab", "sample.arj",
          "lzh-in-zip.zip", "lzh-in-tar.tar", "data.txt", "random.bin", "missing.lzh"})
        EXPECT_EQ(DetectArchiverType(dir + other, false), atNone) << other;
}

TEST_F(DetectContentTest, AnLzhUnderAnExeNameIsAnLhaArchive) {
    ASSERT_TRUE(RenameFile(dir + "sample.lzh", dir + "SETUP.EXE"));
    EXPECT_EQ(DetectArchiverType(dir + "SETUP.EXE", true), atLha);
    TArchiveFile arc;
    arc.SetFileName(dir + "SETUP.EXE");
    EXPECT_EQ(arc.ArchiverType(), atLha);
    EXPECT_FALSE(arc.FindOpen(0, 0));
    TArchiveEntryInfo info{};
    EXPECT_EQ(arc.FindFirst("*.*", info), 0);
    arc.FindClose();

    ASSERT_TRUE(RunIn(dir, "zip -q other.zip data.txt && mv other.zip OTHER.exe"));
    EXPECT_EQ(DetectArchiverType(dir + "OTHER.exe", true), atNone);
}

TEST_F(DetectContentTest, ListingAnUnnamedLzhDetectsItFirst) {
    ASSERT_TRUE(RenameFile(dir + "sample.lzh", dir + "trunk.dat"));
    TArchiveFile arc;
    arc.SetFileName(dir + "trunk.dat");
    EXPECT_EQ(arc.ArchiverType(), atAutoDetect);
    EXPECT_FALSE(arc.FindOpen(0, 0));
    EXPECT_EQ(arc.ArchiverType(), atLha);
    arc.FindClose();
}

}  // namespace
