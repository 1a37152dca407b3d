// Self-extracting archives that the ZIP, TAR, YZ1 and 7z drivers assemble: the module each one needs and
// where it is found, the bytes written, the messages when a module or library is missing, and that a failed
// or refused build leaves neither a partial file nor a damaged archive.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>

#include "ARCHIVES/ArcErrors.h"
#include "ARCHIVES/SZIP32.h"
#include "ARCHIVES/SelfExtractor.h"
#include "ARCHIVES/TAR32.h"
#include "ARCHIVES/YZ132.h"
#include "ARCHIVES/ZIP32.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/WinReg.h"
#include "tests/ARCHIVES/Recorder.h"
#include "tests/support/RegistryValues.h"

namespace {

using tarvo::test::ExpectError;
using tarvo::test::ReadFile;
using tarvo::test::WriteFile;

class SelfExtractorTest : public tarvo::test::RecordingLibrariesTest {
protected:
    void SetUp() override {
        RecordingLibrariesTest::SetUp();
        modules = sandbox().work + "modules/";
        onPath = sandbox().work + "bin/";
        ForceDirectories(modules);
        ForceDirectories(onPath);
        ForceDirectories(sandbox().work + "out");
        setenv("TARVO_LIBRARY_PATH", (std::string(TARVO_RECORDER_DIR) + ":" + modules).c_str(), 1);
        savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        setenv("PATH", (onPath + ":" + savedPath).c_str(), 1);
        archive = sandbox().work + "arc/b.tgz";
        WriteFile(archive, "ARCHIVE");
    }
    void TearDown() override {
        setenv("PATH", savedPath.c_str(), 1);
        RecordingLibrariesTest::TearDown();
    }

    std::string modules, onPath, savedPath, archive;
    TArchiverOptions o;
    std::string output;
};

TEST_F(SelfExtractorTest, ModulesAreFoundOnTheLibraryPathBeforeThePathButNeverInTheCurrentFolder) {
    WriteFile(onPath + "kmtarsef.exe", "PATH");
    EXPECT_EQ(SearchSfxModule("kmtarsef.exe"), onPath + "kmtarsef.exe");
    WriteFile(modules + "kmtarsef.exe", "LIB");
    EXPECT_EQ(SearchSfxModule("kmtarsef.exe"), modules + "kmtarsef.exe");
    WriteFile(sandbox().work + "first/kmtarsef.exe", "FIRST");
    EXPECT_EQ(SearchSfxModule("kmtarsef.exe", sandbox().work + "first"), sandbox().work + "first/kmtarsef.exe");

    WriteFile(sandbox().work + "here/7z.sfx", "HERE");
    std::string cwd = GetCurrentDir();
    ASSERT_EQ(chdir((sandbox().work + "here").c_str()), 0);
    EXPECT_EQ(SearchSfxModule("7z.sfx"), "");
    ASSERT_EQ(chdir(cwd.c_str()), 0);
}

TEST_F(SelfExtractorTest, TarWritesTheStubAndTheArchiveWithoutTheLibrary) {
    WriteFile(modules + "kmtarsef.exe", "STUB");
    TTgz32 tgz;
    EXPECT_EQ(tgz.MakeSfx(0, archive, o, "", output), 0);
    EXPECT_EQ(ReadFile(sandbox().work + "arc/b.EXE"), "STUBARCHIVE");
    EXPECT_EQ(tgz.MakeSfx(0, archive, o, sandbox().work + "out", output), 0);
    EXPECT_EQ(ReadFile(sandbox().work + "out/b.EXE"), "STUBARCHIVE");
    EXPECT_EQ(std::string(Library("TAR32.DLL").Log()), "");
    EXPECT_EQ(tgz.LastCommandLine(), "");

    TBZ232 bz2;
    ExpectError<EArchiver>([&] { bz2.MakeSfx(0, archive, o, "", output); }, "BZ2 形式書庫は自己解凍形式にできません。");
}

TEST_F(SelfExtractorTest, TarWithoutItsStubSaysWhichFileIsMissingAndWritesNothing) {
    TTar32 tar;
    try {
        tar.MakeSfx(0, archive, o, "", output);
        FAIL() << "no exception";
    } catch (const ESfxNoRequiredFile& e) {
        EXPECT_EQ(e.Message(), "tar/tgz 書庫からの自己解凍書庫の作成には 'kmtarsef.exe' ファイルが必要です。");
        EXPECT_EQ(e.ArchiveKind, "tar/tgz");
        EXPECT_EQ(e.SfxKind, "");
        EXPECT_EQ(e.RequiredFile, "kmtarsef.exe");
    }
    EXPECT_FALSE(FileExists(sandbox().work + "arc/b.EXE"));
}

TEST_F(SelfExtractorTest, Yz1AppendsTheArchiveSizeBigEndian) {
    WriteFile(modules + "yzdos16.sfx", std::string(2000, 'M'));
    std::string yz1Archive = sandbox().work + "arc/a.yz1";
    WriteFile(yz1Archive, std::string(1000, 'A'));
    TYZ1 yz1;
    EXPECT_EQ(yz1.MakeSfx(0, yz1Archive, o, "", output), 0);
    std::string sfx = ReadFile(sandbox().work + "arc/a.exe");
    ASSERT_EQ(sfx.size(), 3004u);
    EXPECT_EQ(sfx.substr(0, 2000), std::string(2000, 'M'));
    EXPECT_EQ(sfx.substr(2000, 1000), std::string(1000, 'A'));
    EXPECT_EQ(sfx.substr(3000), std::string("\x00\x00\x03\xE8", 4));
    EXPECT_EQ(std::string(Library("YYZ32.DLL").Log()), "");
}

TEST_F(SelfExtractorTest, Yz1ChoosesItsModuleByKind) {
    std::string yz1Archive = sandbox().work + "arc/a.yz1";
    WriteFile(yz1Archive, "A");
    TYZ1 yz1;
    WriteFile(modules + "yzw32cui.sfx", "W");
    ExpectError<EArchiver>([&] { yz1.MakeSfx(0, yz1Archive, o, "", output); },
                           "yz1 書庫からのDOS自己解凍書庫の作成には yzdos16.sfx が必要です。");
    o.gw = 1;
    yz1.MakeSfx(0, yz1Archive, o, "", output);
    EXPECT_EQ(ReadFile(sandbox().work + "arc/a.exe"), std::string("WA\0\0\0\1", 6));
    DeleteFile(modules + "yzw32cui.sfx");
    WriteFile(onPath + "yzdec.exe", "D");
    yz1.MakeSfx(0, yz1Archive, o, "", output);
    EXPECT_EQ(ReadFile(sandbox().work + "arc/a.exe"), std::string("DA\0\0\0\1", 6));
    DeleteFile(onPath + "yzdec.exe");
    ExpectError<EArchiver>([&] { yz1.MakeSfx(0, yz1Archive, o, "", output); },
                           "yz1 書庫からのWin32自己解凍書庫の作成には yzw32cui.sfx か yzdec.exe が必要です。");
}

TEST_F(SelfExtractorTest, Yz1RefusesAnArchiveWhoseSizeTheTrailerCannotHold) {
    WriteFile(modules + "yzdos16.sfx", "M");
    std::string big = sandbox().work + "arc/big.yz1";
    WriteFile(big, "");
    ASSERT_EQ(truncate(big.c_str(), 0x100000000LL), 0);  // sparse: nothing is read before the refusal
    TYZ1 yz1;
    ExpectError<EArchiver>([&] { yz1.MakeSfx(0, big, o, "", output); },
                           "4 GB 以上の書庫からは自己解凍書庫を作成できません。");
    EXPECT_FALSE(FileExists(sandbox().work + "arc/big.exe"));
}

TEST_F(SelfExtractorTest, AnOutputThatIsTheArchiveItselfIsRefusedAndTheArchiveKept) {
    WriteFile(modules + "yzdos16.sfx", "M");
    std::string exe = sandbox().work + "arc/setup.exe";  // a YZ1 archive found by content under an .exe name
    WriteFile(exe, "YZ1DATA");
    TYZ1 yz1;
    EXPECT_THROW(yz1.MakeSfx(0, exe, o, "", output), EArchiver);
    EXPECT_EQ(ReadFile(exe), "YZ1DATA");
}

TEST_F(SelfExtractorTest, AFailedBuildLeavesNoPartialFile) {
    WriteFile(modules + "kmtarsef.exe", "STUB");
    TTar32 tar;
    EXPECT_THROW(tar.MakeSfx(0, sandbox().work + "arc/missing.tar", o, "", output), EFOpenError);
    EXPECT_FALSE(FileExists(sandbox().work + "arc/missing.EXE"));
    EXPECT_THROW(tar.MakeSfx(0, archive, o, sandbox().work + "no/such/folder", output), EFCreateError);
}

TEST_F(SelfExtractorTest, SevenZipTakesTheModuleOfTheRegisteredSevenZipFolderFirst) {
    WriteFile(onPath + "7z.sfx", "PATH");
    WriteFile(sandbox().work + "7-Zip/7z.sfx", "REG");
    std::string sevenZip = sandbox().work + "arc/a.7z";
    WriteFile(sevenZip, "7Z");
    TSevenZip32 sz;
    ExpectError<EArchiver>([&] { sz.MakeSfx(0, sevenZip, o, "", output); }, "16bit SFX を作成することはできません。");
    EXPECT_FALSE(FileExists(sandbox().work + "arc/a.exe"));

    o.gw = 1;
    EXPECT_EQ(sz.MakeSfx(0, sevenZip, o, "", output), 0);
    EXPECT_EQ(ReadFile(sandbox().work + "arc/a.exe"), "PATH7Z");
    tarvo::test::SetRegString(win::HKEY_LOCAL_MACHINE, "SOFTWARE\\7-ZIP", "Path", sandbox().work + "7-Zip");
    EXPECT_EQ(sz.MakeSfx(0, sevenZip, o, sandbox().work + "out", output), 0);
    EXPECT_EQ(ReadFile(sandbox().work + "out/a.exe"), "REG7Z");
    EXPECT_EQ(std::string(Library("7-zip32.dll").Log()), "");

    DeleteFile(onPath + "7z.sfx");
    DeleteFile(sandbox().work + "7-Zip/7z.sfx");
    ExpectError<ESfxNoRequiredFile>([&] { sz.MakeSfx(0, sevenZip, o, "", output); },
                                    "7z 書庫からの自己解凍書庫の作成には '7z.sfx' ファイルが必要です。");
}

TEST_F(SelfExtractorTest, ZipCopiesItsStubAndLetsZip32jAdjustTheResult) {
    std::string zipArchive = sandbox().work + "my folder/b.zip";
    WriteFile(zipArchive, "PK");
    WriteFile(modules + "sfx16.dat", "DOS");
    TZip32 zip;
    EXPECT_EQ(zip.MakeSfx(0, zipArchive, o, "", output), 0);
    std::string sfx = sandbox().work + "my folder/b.EXE";
    EXPECT_EQ(ReadFile(sfx), "DOSPK");
    EXPECT_EQ(zip.LastCommandLine(), "-A \"" + sfx + "\"");  // quoted: the folder holds a blank
    EXPECT_EQ(std::string(Library("ZIP32J.DLL").Log()), "Zip 0 null 0\n");
    EXPECT_EQ(std::string(Library("ZIP32J.DLL").LastCommand()), zip.LastCommandLine());

    o.gw = 1;
    ExpectError<ESfxNoRequiredFile>([&] { zip.MakeSfx(0, zipArchive, o, "", output); },
                                    "zip 書庫からのWin32自己解凍書庫の作成には 'sfx32gui.dat' ファイルが必要です。");
    WriteFile(onPath + "sfx32gui.dat", "WIN");
    EXPECT_EQ(zip.MakeSfx(0, zipArchive, o, sandbox().work + "out", output), 0);
    EXPECT_EQ(ReadFile(sandbox().work + "out/b.EXE"), "WINPK");
    o.gw = 0;
    DeleteFile(modules + "sfx16.dat");
    ExpectError<ESfxNoRequiredFile>([&] { zip.MakeSfx(0, zipArchive, o, "", output); },
                                    "zip 書庫からのDOS自己解凍書庫の作成には 'sfx16.dat' ファイルが必要です。");
}

}  // namespace
