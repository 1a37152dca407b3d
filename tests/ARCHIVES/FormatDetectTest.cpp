// Type detection by content of sample archives made by Debian's archivers: without the format libraries
// nothing is recognised and nothing raises; through recorders of the libraries each format's check asks its
// own library, and when several checks recognise the file the last of them decides.
#include <gtest/gtest.h>

#include "ARCHIVES/ARCHIVES.h"
#include "ARCHIVES/ArcFormats.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Modules.h"
#include "tests/ARCHIVES/LzhLibrary.h"
#include "tests/ARCHIVES/Recorder.h"

namespace {

using tarvo::test::RunIn;

class FormatDetectTest : public tarvo::test::RecordingLibrariesTest {
protected:
    void SetUp() override {
        RecordingLibrariesTest::SetUp();
        dir = sandbox().work + "samples/";
        tarvo::test::WriteSampleFiles(dir);
        ASSERT_NO_FATAL_FAILURE(tarvo::test::MakeSampleArchives(dir));
        ASSERT_TRUE(RunIn(dir, "bzip2 -k -c sample.tar > sample.tar.bz2"));
    }

    std::string dir;
};

TEST_F(FormatDetectTest, WithoutTheLibrariesNoSampleIsRecognisedAndNothingRaises) {
    OnlyVisible({});
    for (const char* sample : {"sample.zip", "sample.tar", "sample.tar.gz", "sample.tar.bz2", "sample.7z", "sample.cab",
                               "sample.arj", "data.txt", "missing.zip"})
        EXPECT_EQ(DetectArchiverType(dir + sample, false), atNone) << sample;
    ASSERT_TRUE(RenameFile(dir + "sample.zip", dir + "SETUP.EXE"));
    EXPECT_EQ(DetectArchiverType(dir + "SETUP.EXE", true), atNone);
    TArchiveFile arc;
    arc.SetFileName(dir + "SETUP.EXE");
    EXPECT_EQ(arc.ArchiverType(), atAutoDetect);
}

TEST_F(FormatDetectTest, EachCheckAsksItsOwnLibraryAboutTheFullPath) {
    struct Case {
        const char* sample;
        const char* library;
        TArchiverType type;
        std::string log;  // "@" stands for the sample's full path
    } cases[] = {
        // No Debian tool writes RAR, BGA or YZ1 archives: for these the recorder says yes to any file.
        {"sample.zip", "UNZIP32.DLL", atZip,
         "UnZipCheckArchive @ 24\nUnZipOpenArchive 0 @ 8388610\nUnZipCloseArchive 81\n"},
        {"sample.cab", "CAB32.DLL", atCab, "CabOpenArchive 0 @ 8388610\nCabCloseArchive 81\n"},
        {"sample.arj", "UNARJ32J.DLL", atArj, "UnarjOpenArchive 0 @ 8388610\nUnarjCloseArchive 81\n"},
        {"data.txt", "UNRAR32.DLL", atRar, "UnrarOpenArchive 0 @ 8388610\nUnrarCloseArchive 81\n"},
        {"data.txt", "BGA32.DLL", atBga, "BgaOpenArchive 0 @ 8388610\nBgaCloseArchive 81\n"},
        {"data.txt", "YZ1.DLL", atYz1, "Yz1OpenArchive 0 @ 8388610\nYz1CloseArchive 81\n"},
        {"data.txt", "UNLHA32.DLL", atLha,
         "UnlhaCheckArchive @ 16\nUnlhaOpenArchive 0 @ 8388610\nUnlhaCloseArchive 81\n"},
    };
    for (const auto& c : cases) {
        win::ClearModuleHooks();
        tarvo::test::ReleaseArchiverLibraries();
        Library(c.library).Reset();
        OnlyVisible({c.library});
        std::string path = dir + c.sample;
        EXPECT_EQ(DetectArchiverType(path, false), c.type) << c.sample;
        std::string log = c.log;
        for (size_t p = log.find('@'); p != std::string::npos; p = log.find('@'))
            log.replace(p, 1, path);
        EXPECT_EQ(LogOf(c.library), log) << c.sample;
    }
}

TEST_F(FormatDetectTest, TheTarFamilyAnswersItsOwnTypeFirst) {
    OnlyVisible({"TAR32.DLL"});
    Library("TAR32.DLL").SetArchiveType(1);
    EXPECT_EQ(DetectArchiverType(dir + "sample.tar", false), atTar);
    Library("TAR32.DLL").SetArchiveType(2);
    EXPECT_EQ(DetectArchiverType(dir + "sample.tar.gz", false), atTgz);
    Library("TAR32.DLL").SetArchiveType(7);
    EXPECT_EQ(DetectArchiverType(dir + "sample.tar.bz2", false), atBZ2);
    EXPECT_NE(LogOf("TAR32.DLL").find("TarGetArchiveType " + dir + "sample.tar.bz2\n"), std::string::npos);
}

TEST_F(FormatDetectTest, ALaterCheckThatRecognisesTheFileOverridesTheEarlierOnes) {
    ASSERT_TRUE(RenameFile(dir + "sample.zip", dir + "SETUP.EXE"));
    std::string file = dir + "SETUP.EXE";
    Library("TAR32.DLL").SetArchiveType(6);
    // Every library says yes; then, from the last check back, one after the other says no.
    struct Step {
        std::vector<const char*> sayNo;
        TArchiverType expected;
    } steps[] = {
        {{}, atLha},
        {{"UNLHA32.DLL"}, atCab},
        {{"CAB32.DLL"}, atYz1},
        {{"YYZ32.DLL"}, atBga},
        {{"BGA32.DLL"}, atZip},
        {{"UNZIP32.DLL", "ZIP32J.DLL", "LMZIP32.DLL"}, atArj},
        {{"UNARJ32J.DLL"}, atRar},
        {{"UNRAR32.DLL"}, atBZ2},
    };
    for (const auto& step : steps) {
        for (const char* library : step.sayNo)
            Library(library).SetArchiveAnswers(0, 0);
        EXPECT_EQ(DetectArchiverType(file, true), step.expected);
    }
    Library("TAR32.DLL").SetArchiveType(0);
    EXPECT_EQ(DetectArchiverType(file, true), atNone);
}

TEST_F(FormatDetectTest, AZipUnderAnExeNameGetsTheZipDriver) {
    OnlyVisible({"UNZIP32.DLL"});
    ASSERT_TRUE(RenameFile(dir + "sample.zip", dir + "SETUP.EXE"));
    TArchiveFile arc;
    arc.SetFileName(dir + "SETUP.EXE");
    EXPECT_EQ(arc.ArchiverType(), atZip);
    EXPECT_EQ(arc.Unpack(0, nullptr, dir + "out", {}), 0);
    EXPECT_EQ(std::string(Library("UNZIP32.DLL").LastCommand()), "-x  \"" + dir + "SETUP.EXE\" \"" + dir + "out/\" ");
}

TEST_F(FormatDetectTest, SevenZipArchivesAreKnownByNameOnly) {
    OnlyVisible({"7-zip32.dll"});
    EXPECT_EQ(DetectArchiverType(dir + "sample.7z", false), atNone);
    EXPECT_EQ(DetectArchiverType(dir + "sample.7z", true), at7z);
    EXPECT_EQ(LogOf("7-zip32.dll"), "");
}

}  // namespace
