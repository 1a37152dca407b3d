// The ZIP driver against recorders of its three libraries: the command lines of both command entries, the
// names written as the ZIP libraries read them, which library each entry is taken from, and what fails when
// libraries or entries are missing.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ARCHIVES/ARCHIVES.h"
#include "ARCHIVES/ZIP32.h"
#include "platform/win/Modules.h"
#include "tests/ARCHIVES/Recorder.h"

namespace {

using tarvo::test::ExpectError;
using tarvo::test::ReadFile;
using tarvo::test::WriteFile;

class ZipDriverTest : public tarvo::test::RecordingLibrariesTest {
protected:
    void SetUp() override {
        RecordingLibrariesTest::SetUp();
        OnlyVisible({"UNZIP32.DLL", "ZIP32J.DLL", "LMZIP32.DLL"});
    }

    TArchiverOptions o;
    std::string output;
};

TEST_F(ZipDriverTest, ExtractGoesToUnzip32WithNamesWrittenForTheZipLibraries) {
    TZip32 zip;
    EXPECT_EQ(zip.Unpack(0, "/a/b.zip", o, "/dest", {"-abc", "dir/[x].txt", "plain.txt"}, false, output), 0);
    EXPECT_EQ(Last("UNZIP32.DLL"), "-x  \"/a/b.zip\" \"/dest/\" \"[-]abc\" \"dir/[[]x].txt\" \"plain.txt\" ");
    EXPECT_EQ(zip.LastCommandLine(), Last("UNZIP32.DLL"));
    EXPECT_EQ(LogOf("UNZIP32.DLL"), "UnZip 0 null 0\n");
    EXPECT_EQ(LogOf("LMZIP32.DLL"), "");

    o.c = 1;
    o.n = 1;
    o.x = 0;
    o.UserOptions = "-user";
    o.UserFileList = "extra";
    o.ResFileName = sandbox().work + "res";
    zip.Unpack(0, "/a/b.zip", o, "", {"-abc", "[y]"}, true, output);
    EXPECT_EQ(Last("UNZIP32.DLL"), "-x -o --i -j -user \"/a/b.zip\" \"@" + o.ResFileName + "\" extra");
    EXPECT_EQ(ReadFile(o.ResFileName), "\"[-]abc\"\r\n\"[[]y]\"\r\n");
}

TEST_F(ZipDriverTest, ExtractSwitchesTakeOnlyTheirExactValues) {
    TZip32 zip;
    o.c = 2;  // only 1 overwrites
    o.n = 0;
    o.x = 1;
    zip.Unpack(0, "/a.zip", o, "", {}, false, output);
    EXPECT_EQ(Last("UNZIP32.DLL"), "-x  \"/a.zip\" ");
    zip.SetOwnerWindow(55, nullptr);  // an owner window alone keeps the library's dialogs away
    zip.Unpack(0, "/a.zip", o, "", {}, false, output);
    EXPECT_EQ(Last("UNZIP32.DLL"), "-x --i  \"/a.zip\" ");
    zip.KillOwnerWindow(55);
    zip.Unpack(0, "/a.zip", o, "", {}, false, output);
    EXPECT_EQ(Last("UNZIP32.DLL"), "-x  \"/a.zip\" ");
    EXPECT_EQ(LogOf("UNZIP32.DLL"),
              "UnZip 0 null 0\nUnZipSetOwnerWindowEx 55 null\nUnZip 0 null 0\n"
              "UnZipKillOwnerWindowEx 55\nUnZip 0 null 0\n");
}

TEST_F(ZipDriverTest, PackSwitchesEachByItsOwnRule) {
    TZip32 zip;
    zip.Pack(0, "/a.zip", o, "/base", {"f"}, false, output);
    EXPECT_EQ(Last("ZIP32J.DLL"), " -D  \"/a.zip\" \"/base/\" \"f\" ");
    EXPECT_EQ(LogOf("ZIP32J.DLL"), "Zip 0 null 0\n");
    EXPECT_EQ(LogOf("LMZIP32.DLL"), "");

    struct Case {
        int8_t a;
        const char* switches;
    } cases[] = {{0, " -D"}, {1, " -S -D"}, {2, " -S"}, {5, " -S"}};
    for (const auto& c : cases) {
        o.a = c.a;
        zip.Pack(0, "/a.zip", o, "", {}, false, output);
        EXPECT_EQ(Last("ZIP32J.DLL"), std::string(c.switches) + "  \"/a.zip\" ") << int(c.a);
    }

    o.a = 1;
    o.l = 1;
    o.n = 1;
    o.r = 1;
    o.u = 1;
    o.x = 0;
    o.jc = 1;
    o.ji = 1;
    o.jm = 9;
    o.gd = 1;
    o.c = 1;  // no pack switch
    o.UserOptions = "-user";
    zip.Pack(0, "/a.zip", o, "/base", {"-f"}, false, output);
    EXPECT_EQ(Last("ZIP32J.DLL"), " -S -D -v -q -r -o -u -j -FF -k -9 -J -user \"/a.zip\" \"/base/\" \"[-]f\" ");
    o.jm = 0;
    o.x = 1;
    zip.Pack(0, "/a.zip", o, "", {}, false, output);
    EXPECT_EQ(Last("ZIP32J.DLL"), " -S -D -v -q -r -o -u -FF -k -0 -J -user \"/a.zip\" ");
}

TEST_F(ZipDriverTest, RemoveAndUpdateUseThePackSwitchesBehindTheirVerb) {
    TZip32 zip;
    o.n = 1;
    EXPECT_EQ(zip.RemoveItem(0, "/a.zip", o, "/ignored", {"dir/[1].txt"}, false, output), 0);
    EXPECT_EQ(Last("ZIP32J.DLL"), "-d -D -q -o  \"/a.zip\" \"dir/[[]1].txt\" ");
    EXPECT_EQ(zip.Update(0, "/a.zip", o, "/base", {"u.txt"}, false, output), 0);
    EXPECT_EQ(Last("ZIP32J.DLL"), "-f -D -q -o  \"/a.zip\" \"/base/\" \"u.txt\" ");
}

TEST_F(ZipDriverTest, TheComponentPacksTheWalkedNamesConvertedInTheResponseFile) {
    std::string drop = sandbox().work + "drop/";
    WriteFile(drop + "-dash.txt", "d");
    WriteFile(drop + "[b].txt", "b");
    TArchiveFile arc;
    arc.SetFileName(sandbox().work + "out.zip");
    EXPECT_EQ(arc.ArchiverType(), atZip);
    arc.Options().ResFileName = sandbox().work + "res";
    EXPECT_EQ(arc.Pack(0, nullptr, drop, {}), 0);
    EXPECT_EQ(Last("ZIP32J.DLL"),
              " -D  \"" + sandbox().work + "out.zip\" \"" + drop + "\" \"@" + sandbox().work + "res\" ");
    EXPECT_EQ(ReadFile(sandbox().work + "res"), "\"[-]dash.txt\"\r\n\"[[]b].txt\"\r\n");
}

TEST_F(ZipDriverTest, ExtractToMemoryAndCheck) {
    TZip32 zip;
    char buffer[4] = {};
    win::DWORD written = 0;
    o.c = 1;
    EXPECT_EQ(zip.ExtractMem(3, "/a.zip", o, "[x]", buffer, sizeof buffer, &written), 0);
    EXPECT_EQ(Last("UNZIP32.DLL"), " -o  \"/a.zip\" \"[[]x]\" ");
    EXPECT_EQ(buffer[0], 'M');
    EXPECT_EQ(written, 1u);
    EXPECT_EQ(zip.CheckArchive("/a.zip", 16, 2), 1);  // the flags are not the ZIP libraries' business
    EXPECT_EQ(LogOf("UNZIP32.DLL"), "UnZipExtractMem 3 4 null null\nUnZipCheckArchive /a.zip 16\n");
}

TEST_F(ZipDriverTest, EachEntryComesFromTheFirstLibraryInItsOrderThatHasIt) {
    TZip32 zip;
    std::string archive = sandbox().work + "a.zip";
    HARC handle = zip.OpenArchive(0, archive, 0);
    EXPECT_EQ(handle, 0x51u);
    TArchiveEntryInfo info{};
    zip.FindFirst(handle, "*.*", info);
    zip.FindNext(handle, info);
    zip.CloseArchive(handle);
    EXPECT_EQ(LogOf("LMZIP32.DLL"),
              "UnzipOpenArchive 0 " + archive + " 0\nUnzipFindFirst 81 *.*\nUnzipFindNext 81\nUnzipCloseArchive 81\n");

    win::HideModuleEntry("LMZIP32.DLL", "UnzipOpenArchive");
    zip.OpenArchive(0, archive, 0);
    EXPECT_EQ(LogOf("ZIP32J.DLL"), "UnZipOpenArchive 0 " + archive + " 0\n");
    win::HideModuleEntry("ZIP32J.DLL", "UnZipOpenArchive");
    zip.OpenArchive(0, archive, 0);
    EXPECT_EQ(LogOf("UNZIP32.DLL"), "UnZipOpenArchive 0 " + archive + " 0\n");

    win::HideModuleEntry("UNZIP32.DLL", "UnZipCheckArchive");
    zip.CheckArchive(archive, 1, 0);
    EXPECT_NE(LogOf("LMZIP32.DLL").find("UnzipCheckArchive " + archive + " 1"), std::string::npos);
    win::HideModuleEntry("ZIP32J.DLL", "Zip");
    zip.RemoveItem(0, archive, o, "", {"x"}, false, output);
    EXPECT_NE(LogOf("LMZIP32.DLL").find("Zip 0 null 0"), std::string::npos);
    EXPECT_EQ(Last("LMZIP32.DLL"), "-d -D  \"" + archive + "\" \"x\" ");
}

TEST_F(ZipDriverTest, WithOnlyUnzip32ListingAndExtractWorkAndWritingFails) {
    OnlyVisible({"UNZIP32.DLL"});
    TArchiveFile arc;
    arc.SetFileName(sandbox().work + "a.zip");
    EXPECT_FALSE(arc.FindOpen(0, 0));
    arc.FindClose();
    EXPECT_EQ(arc.Unpack(0, nullptr, "/d", {}), 0);
    EXPECT_EQ(Last("UNZIP32.DLL"), "-x  \"" + sandbox().work + "a.zip\" \"/d/\" ");
    arc.Options().PackFilter = pfArchiver;
    ExpectError<EArchiver>([&] { arc.Pack(0, nullptr, "", {"f"}); },
                           "ZIP 形式書庫の作成には ZIP32J.DLL または LMZIP32.DLL が必要です。");
    ExpectError<EEntryNotFound>([&] { arc.RemoveItem(0, nullptr, "", {"f"}); },
                                "Zip のエントリが DLL に見つかりませんでした。");
    TZip32 zip;
    ExpectError<ESfxNoRequiredFile>([&] { zip.MakeSfx(0, sandbox().work + "a.zip", o, "", output); },
                                    "zip 書庫からの自己解凍書庫の作成には 'ZIP32J.DLL' ファイルが必要です。");
}

TEST_F(ZipDriverTest, WithOnlyLmzip32EverythingGoesThroughItAndPackingIsReduced) {
    OnlyVisible({"LMZIP32.DLL"});
    TZip32 zip;
    o.c = 1;
    o.x = 0;
    o.a = 1;
    o.n = 1;
    o.UserOptions = "-user";
    o.UserFileList = "more";
    EXPECT_EQ(zip.Unpack(0, "/a.zip", o, "/d", {"[x]"}, false, output), 0);
    EXPECT_EQ(Last("LMZIP32.DLL"), "-x -o --i -j -user \"/a.zip\" \"/d/\" \"[[]x]\" more");
    EXPECT_EQ(zip.Pack(0, "/a.zip", o, "/base", {"-f", "[x]"}, false, output), 0);
    EXPECT_EQ(Last("LMZIP32.DLL"), "-ru -o -j -user \"/a.zip\" \"-f\" \"[x]\" more");
    EXPECT_EQ(LogOf("LMZIP32.DLL"), "Unzip 0 null 0\nZip 0 null 0\n");
    ExpectError<EEntryNotFound>([&] { zip.SetOwnerWindow(5, nullptr); },
                                "UNZIP32.DLL に UnZipSetOwnerWindowEx のエントリが見つかりません。");
    EXPECT_EQ(zip.OwnerWindow(), 0u);
}

TEST_F(ZipDriverTest, WithNoLibraryTheDriverIsMadeAndEachOperationSaysWhatIsMissing) {
    OnlyVisible({});
    TArchiveFile arc;
    arc.SetFileName(sandbox().work + "a.zip");
    EXPECT_EQ(arc.ArchiverType(), atZip);
    ExpectError<EArchiver>([&] { arc.Unpack(0, nullptr, "/d", {}); },
                           "ZIP 形式書庫の解凍には UNZIP32.DLL または LMZIP32.DLL が必要です。");
    ExpectError<EEntryNotFound>([&] { arc.FindOpen(0, 0); },
                                "UnZipOpenArchive のエントリが DLL に見つかりませんでした。");
    EXPECT_FALSE(IsZipArchive(sandbox().work + "a.zip"));

    win::ClearModuleHooks();  // installed later: the next operation finds it
    EXPECT_EQ(arc.Unpack(0, nullptr, "/d", {}), 0);
}

TEST_F(ZipDriverTest, FileTimesComeFromTheListingLibraryAndSizesFromTheRecord) {
    auto time = [](uint64_t v) { return win::FILETIME{static_cast<win::DWORD>(v), static_cast<win::DWORD>(v >> 32)}; };
    ArcEntryRecord record{};
    std::strcpy(record.EntryPath, "a.txt");
    record.OriginalSize = 10;
    record.CompressedSize = 5;
    for (const char* library : {"UNZIP32.DLL", "ZIP32J.DLL", "LMZIP32.DLL"}) {
        Library(library).SetListing(&record, 1);
        Library(library).SetExAnswers(1, time(11), time(22), time(33), 5000000000ULL, 5000000000ULL);
    }
    Library("LMZIP32.DLL").SetExAnswers(1, time(111), time(222), time(333), 1, 1);
    auto listFirst = [&] {
        TZip32 zip;
        TArchiveEntryInfo info{};
        HARC handle = zip.OpenArchive(0, "/a.zip", 0);
        EXPECT_EQ(zip.FindFirst(handle, "*.*", info), 0);
        zip.CloseArchive(handle);
        return info;
    };
    TArchiveEntryInfo info = listFirst();
    EXPECT_EQ(win::FILETIME(info.WriteTime).dwLowDateTime, 111u);
    EXPECT_EQ(win::FILETIME(info.AccessTime).dwLowDateTime, 222u);
    EXPECT_EQ(win::FILETIME(info.CreateTime).dwLowDateTime, 333u);
    EXPECT_EQ(uint64_t{info.OriginalSize64}, 10u);  // never asked for: the 32-bit fields
    EXPECT_EQ(uint64_t{info.CompressedSize64}, 5u);

    // The write time too is found under the spelling UNZIP32.DLL exports.
    OnlyVisible({"UNZIP32.DLL"});
    ReleaseZipLibrary();
    info = listFirst();
    EXPECT_EQ(win::FILETIME(info.WriteTime).dwLowDateTime, 11u);
    EXPECT_EQ(win::FILETIME(info.CreateTime).dwLowDateTime, 33u);
}

TEST_F(ZipDriverTest, ContentCheckNeedsTheCheckAndAnOpenOfAnExistingFile) {
    std::string file = sandbox().work + "x.dat";
    WriteFile(file, "PK");
    OnlyVisible({"UNZIP32.DLL"});
    EXPECT_TRUE(IsZipArchive(file));
    EXPECT_EQ(LogOf("UNZIP32.DLL"),
              "UnZipCheckArchive " + file + " 24\nUnZipOpenArchive 0 " + file + " 8388610\nUnZipCloseArchive 81\n");
    Library("UNZIP32.DLL").SetArchiveAnswers(1, 0);
    EXPECT_FALSE(IsZipArchive(file));
    Library("UNZIP32.DLL").SetArchiveAnswers(0, 0x51);
    EXPECT_FALSE(IsZipArchive(file));
    Library("UNZIP32.DLL").Reset();
    EXPECT_FALSE(IsZipArchive(sandbox().work + "missing.zip"));
    EXPECT_EQ(LogOf("UNZIP32.DLL").find("OpenArchive"), std::string::npos);
}

}  // namespace
