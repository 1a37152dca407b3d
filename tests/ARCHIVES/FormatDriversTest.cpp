// The drivers of the CAB, ARJ, TAR family, RAR, BGA, YZ1 and 7z formats against recorders of their
// libraries: command lines byte for byte, the operations each format does not offer, the archive checks,
// the owner window, and the YZ1 library choice, password retry and a raising library call.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <stdexcept>

#include "ARCHIVES/ARCHIVES.h"
#include "ARCHIVES/ARJ32.h"
#include "ARCHIVES/BGA32.h"
#include "ARCHIVES/CAB32.h"
#include "ARCHIVES/RAR32.h"
#include "ARCHIVES/SZIP32.h"
#include "ARCHIVES/TAR32.h"
#include "ARCHIVES/YZ132.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Modules.h"
#include "tests/ARCHIVES/ClientSwitches.h"
#include "tests/ARCHIVES/Recorder.h"

namespace {

using tarvo::test::ExpectError;
using tarvo::test::ReadFile;

const char* const NoPack = "この形式では書庫ファイルの作成をサポートしておりません。";
const char* const NoRemove = "この形式の書庫ではファイルの削除をサポートしておりません。";
const char* const NoUpdate = "この形式の書庫では書庫の更新をサポートしておりません。";
const char* const NoSfx = "この形式では自己解凍書庫の作成をサポートしておりません。";
const char* const NoMemory = "この形式ではメモリへの展開をサポートしておりません。";

class FormatDriversTest : public tarvo::test::RecordingLibrariesTest {
protected:
    // The operations the driver does not offer raise their messages and call nothing.
    void ExpectUnsupported(TArchiver& driver, const char* library, bool pack, bool remove, bool update, bool sfx,
                           bool memory) {
        auto expect = [&](bool unsupported, const char* message, auto operation) {
            if (unsupported)
                ExpectError<EArchiver>(operation, message);
        };
        expect(pack, NoPack, [&] { driver.Pack(0, "/a", o, "", {"f"}, false, output); });
        expect(remove, NoRemove, [&] { driver.RemoveItem(0, "/a", o, "", {"f"}, false, output); });
        expect(update, NoUpdate, [&] { driver.Update(0, "/a", o, "", {"f"}, false, output); });
        expect(sfx, NoSfx, [&] { driver.MakeSfx(0, "/a", o, "", output); });
        expect(memory, NoMemory, [&] { driver.ExtractMem(0, "/a", o, "e", nullptr, 0, nullptr); });
        EXPECT_EQ(LogOf(library), "");
    }

    TArchiverOptions o;
    std::string output;
};

TEST_F(FormatDriversTest, CabSwitchesAndItsOperations) {
    TCab32 cab;
    EXPECT_EQ(cab.Unpack(0, "rel.cab", o, "/d", {"f"}, false, output), 0);
    EXPECT_EQ(Last("CAB32.DLL"), "-x  \"" + ExpandFileName("rel.cab") + "\" \"/d/\" \"f\" ");
    cab.Pack(0, "rel.cab", o, "", {"f"}, false, output);
    EXPECT_EQ(Last("CAB32.DLL"), "-a  \"rel.cab\" \"f\" ");

    o.c = 1;
    o.n = 1;
    o.r = 1;
    o.w = "/work";
    o.x = 0;
    o.ji = 1;
    o.UserOptions = "-user";
    o.UserFileList = "extra";
    cab.Pack(0, "/a.cab", o, "/b", {"f"}, false, output);
    EXPECT_EQ(Last("CAB32.DLL"), "-a -o -i -r \"-h/work/\" -j -q -user \"/a.cab\" \"/b/\" \"f\" extra");

    TArchiverOptions other;
    other.c = 2;
    other.n = 0;
    other.w = "";
    cab.Pack(0, "/a.cab", other, "", {}, false, output);
    EXPECT_EQ(Last("CAB32.DLL"), "-a  \"/a.cab\" ");
    cab.SetOwnerWindow(9, nullptr);
    cab.MakeSfx(0, "/a.cab", other, "/out", output);
    EXPECT_EQ(Last("CAB32.DLL"), "-f -i  \"/a.cab\" \"/out/\" ");
    cab.KillOwnerWindow(9);
    char buffer[2];
    cab.ExtractMem(4, "/a.cab", other, "e", buffer, 2, nullptr);
    EXPECT_EQ(Last("CAB32.DLL"), "  \"/a.cab\" \"e\" ");
    EXPECT_EQ(cab.LastCommandLine(), Last("CAB32.DLL"));
    EXPECT_EQ(cab.CheckArchive("/a.cab", 16, 2), 1);
    EXPECT_NE(LogOf("CAB32.DLL").find("CabCheckArchive /a.cab 18\n"), std::string::npos);

    Library("CAB32.DLL").Reset();
    ExpectUnsupported(cab, "CAB32.DLL", false, true, true, false, false);
}

TEST_F(FormatDriversTest, CabArjAndRarChecksCloseEvenAFailedOpen) {
    std::string file = sandbox().work + "not-an-archive.exe";
    for (const char* library : {"CAB32.DLL", "UNARJ32J.DLL", "UNRAR32.DLL"})
        Library(library).SetArchiveAnswers(1, 0);
    EXPECT_FALSE(IsCabArchive(file));
    EXPECT_FALSE(IsArjArchive(file));
    EXPECT_FALSE(IsRarArchive(file));
    EXPECT_EQ(LogOf("CAB32.DLL"), "CabOpenArchive 0 " + file + " 8388610\nCabCloseArchive 0\n");
    EXPECT_EQ(LogOf("UNARJ32J.DLL"), "UnarjOpenArchive 0 " + file + " 8388610\nUnarjCloseArchive 0\n");
    EXPECT_EQ(LogOf("UNRAR32.DLL"), "UnrarOpenArchive 0 " + file + " 8388610\nUnrarCloseArchive 0\n");
    for (const char* library : {"CAB32.DLL", "UNARJ32J.DLL", "UNRAR32.DLL"})
        Library(library).SetArchiveAnswers(0, 0x51);  // no CheckArchive first: only the open decides
    EXPECT_TRUE(IsCabArchive(file));
    EXPECT_TRUE(IsArjArchive(file));
    EXPECT_TRUE(IsRarArchive(file));
}

TEST_F(FormatDriversTest, ArjExtractsWithTheLhaCommandLineWithoutTheLhaLibrary) {
    OnlyVisible({"UNARJ32J.DLL"});
    TArj32 arj;
    tarvo::test::SetClientExtractSwitches(o);
    EXPECT_EQ(arj.Unpack(0, "/a.arj", o, "/d", {}, false, output), 0);
    EXPECT_EQ(Last("UNARJ32J.DLL"), "x -+ -n0 -x1 -jse1 -jso1 -jyc1  \"/a.arj\" \"/d/\" ");
    arj.SetOwnerWindow(7, nullptr);
    arj.Unpack(0, "/a.arj", o, "/d", {}, false, output);
    EXPECT_EQ(Last("UNARJ32J.DLL"), "x -+ -n1 -x1 -jse1 -jso1 -jyc1  \"/a.arj\" \"/d/\" ");
    arj.KillOwnerWindow(7);
    EXPECT_EQ(LogOf("UNARJ32J.DLL"),
              "Unarj 0 null 0\nUnarjSetOwnerWindowEx 7 null\nUnarj 0 null 0\nUnarjKillOwnerWindowEx 7\n");
    EXPECT_EQ(LogOf("UNLHA32.DLL"), "");

    char buffer[2];
    EXPECT_EQ(arj.ExtractMem(0, "/a.arj", o, "e.txt", buffer, 2, nullptr), 0);
    EXPECT_EQ(Last("UNARJ32J.DLL"), " -+ -n0 -x1 -jse1 -jso1 -jyc1  \"/a.arj\" \"e.txt\" ");
    o.jse = -1;
    EXPECT_THROW(arj.Unpack(0, "/a.arj", o, "/d", {}, false, output), EAssertionFailed);

    Library("UNARJ32J.DLL").Reset();
    ExpectUnsupported(arj, "UNARJ32J.DLL", true, true, true, true, false);
    EXPECT_EQ(LogOf("UNLHA32.DLL"), "");
}

TEST_F(FormatDriversTest, TarNamesTheArchiveAndTheFolderAsSwitches) {
    TTar32 tar;
    EXPECT_EQ(tar.Unpack(0, "/a.tar", o, "/d", {"f"}, false, output), 0);
    EXPECT_EQ(Last("TAR32.DLL"), "x  -f \"/a.tar\" -o \"/d/\" \"f\" ");
    tar.Pack(0, "/a.tar", o, "", {"f"}, false, output);
    EXPECT_EQ(Last("TAR32.DLL"), "c  -f \"/a.tar\" \"f\" ");

    o.a = 1;
    o.n = 1;
    o.o = 1;
    o.p = 0;
    o.x = 1;
    o.jm = 9;  // no compression for plain tar
    o.UserOptions = "-user";
    tar.Pack(0, "/a.tar", o, "/b", {"f"}, false, output);
    EXPECT_EQ(Last("TAR32.DLL"),
              "c -AH --display-dialog=0 -g --check-all-path=0 --use-directory=1 -user -f \"/a.tar\" -o \"/b/\" \"f\" ");
    o.a = 0;
    tar.SetOwnerWindow(3, nullptr);  // then the library shows no dialog of its own anyway
    tar.Pack(0, "/a.tar", o, "", {}, false, output);
    EXPECT_EQ(Last("TAR32.DLL"), "c -I -g --check-all-path=0 --use-directory=1 -user -f \"/a.tar\" ");
    tar.KillOwnerWindow(3);

    char buffer[2];
    tar.ExtractMem(0, "/a.tar", TArchiverOptions(), "e", buffer, 2, nullptr);
    EXPECT_EQ(Last("TAR32.DLL"), "  -f \"/a.tar\" \"e\" ");
    // Without a name the library would take an archive of its own choosing.
    EXPECT_THROW(tar.Unpack(0, "", TArchiverOptions(), "/d", {}, false, output), EArchiver);
    EXPECT_THROW(tar.Unpack(0, SwitchUnset, TArchiverOptions(), "/d", {}, false, output), EArchiver);

    Library("TAR32.DLL").Reset();
    ExpectUnsupported(tar, "TAR32.DLL", false, true, true, false, false);
}

TEST_F(FormatDriversTest, GzipAndBzip2DriversAddTheirCompressionSwitch) {
    struct Case {
        int8_t jm;
        const char* gzip;
        const char* bzip2;
    } cases[] = {{-1, "-z", "-B"}, {0, "-z", "-B"}, {1, "-z1", "-B1"}, {9, "-z9", "-B9"}};
    for (const auto& c : cases) {
        o.jm = c.jm;
        TTgz32 tgz;
        tgz.Pack(0, "/a.tgz", o, "", {}, false, output);
        EXPECT_EQ(Last("TAR32.DLL"), std::string("c ") + c.gzip + "  -f \"/a.tgz\" ") << int(c.jm);
        TBZ232 bz2;
        bz2.Unpack(0, "/a.bz2", o, "", {}, false, output);
        EXPECT_EQ(Last("TAR32.DLL"), std::string("x ") + c.bzip2 + "  -f \"/a.bz2\" ") << int(c.jm);
    }
    // The component makes the driver of the name's type.
    TArchiveFile arc;
    arc.SetFileName(sandbox().work + "a.tar.gz");
    arc.Unpack(0, nullptr, "", {});
    EXPECT_EQ(Last("TAR32.DLL"), "x -z  -f \"" + sandbox().work + "a.tar.gz\" ");
}

TEST_F(FormatDriversTest, TarContentCheckMapsTheLibrarysArchiveType) {
    const TArchiverType expected[] = {atNone, atTar, atTgz, atTgz, atTgz, atTgz, atBZ2, atBZ2, atNone};
    for (int type = 0; type <= 8; ++type) {
        Library("TAR32.DLL").SetArchiveType(type);
        EXPECT_EQ(TarArchiveType("rel/a.exe"), expected[type]) << type;
    }
    Library("TAR32.DLL").SetArchiveType(-1);
    EXPECT_EQ(TarArchiveType("rel/a.exe"), atNone);
    EXPECT_NE(LogOf("TAR32.DLL").find("TarGetArchiveType rel/a.exe\n"), std::string::npos);  // as given
    ReleaseTarLibrary();
    win::HideModuleEntry("TAR32.DLL", "TarGetArchiveType");
    EXPECT_EQ(TarArchiveType("rel/a.exe"), atNone);
}

TEST_F(FormatDriversTest, RarExtractsOnly) {
    TRar32 rar;
    EXPECT_EQ(rar.Unpack(0, "/a.rar", o, "/d", {"f"}, false, output), 0);
    EXPECT_EQ(Last("UNRAR32.DLL"), "-x -u  \"/a.rar\" \"/d/\" \"f\" ");
    o.x = 0;
    o.c = 1;
    o.m = 1;
    o.p = 1;
    o.UserOptions = "-user";
    rar.Unpack(0, "/a.rar", o, "/d", {}, false, output);
    EXPECT_EQ(Last("UNRAR32.DLL"), "-e -y -s -user \"/a.rar\" \"/d/\" ");
    o.x = 1;
    o.c = 0;
    rar.Unpack(0, "/a.rar", o, "", {}, false, output);
    EXPECT_EQ(Last("UNRAR32.DLL"), "-x -u -y -s -user \"/a.rar\" ");
    char buffer[2];
    rar.ExtractMem(0, "/a.rar", TArchiverOptions(), "e", buffer, 2, nullptr);
    EXPECT_EQ(Last("UNRAR32.DLL"), " -u  \"/a.rar\" \"e\" ");

    Library("UNRAR32.DLL").Reset();
    ExpectUnsupported(rar, "UNRAR32.DLL", true, true, true, true, false);
}

TEST_F(FormatDriversTest, BgaSwitchesAlwaysSayWhetherToOverwrite) {
    TBGA32 bga;
    EXPECT_EQ(bga.Unpack(0, "/a.gza", o, "/d", {"f"}, false, output), 0);
    EXPECT_EQ(Last("BGA32.DLL"), "x -n -j  \"/a.gza\" \"/d/\" \"f\" ");
    o.a = 1;
    o.c = 1;
    o.n = 1;
    o.r = 1;
    o.x = 1;
    o.jm = 5;
    o.UserOptions = "-user";
    bga.Pack(0, "/a.gza", o, "/b", {"f"}, false, output);
    EXPECT_EQ(Last("BGA32.DLL"), "a -a -o -i -r -l5 -user \"/a.gza\" \"/b/\" \"f\" ");

    TArchiverOptions other;
    other.c = 0;
    other.n = 0;
    other.x = 0;
    bga.Pack(0, "/a.gza", other, "", {}, false, output);
    EXPECT_EQ(Last("BGA32.DLL"), "a -n -j  \"/a.gza\" ");
    bga.SetOwnerWindow(5, nullptr);
    bga.MakeSfx(0, "/a.gza", other, "/out", output);
    EXPECT_EQ(Last("BGA32.DLL"), "s -n -i -j  \"/a.gza\" \"/out/\" ");
    bga.KillOwnerWindow(5);

    Library("BGA32.DLL").Reset();
    ExpectUnsupported(bga, "BGA32.DLL", false, false, true, false, true);
}

TEST_F(FormatDriversTest, BgaRemovalDecidesTheResponseFileFromTheOptions) {
    TBGA32 bga;
    o.ResFileName = sandbox().work + "res";
    o.ResFileUsage = {ruOnRemoveItem};
    bga.RemoveItem(0, "/a.gza", o, "/ignored", {"e"}, false, output);
    EXPECT_EQ(Last("BGA32.DLL"), "d -n -j  \"/a.gza\" \"@" + o.ResFileName + "\" ");
    EXPECT_EQ(ReadFile(o.ResFileName), "\"e\"\r\n");
    o.ResFileUsage = {ruOnPack};
    bga.RemoveItem(0, "/a.gza", o, "", {"e"}, true, output);
    EXPECT_EQ(Last("BGA32.DLL"), "d -n -j  \"/a.gza\" \"e\" ");
}

TEST_F(FormatDriversTest, BgaCheckSendsMode2As1AndItsContentCheckWantsAnExistingFile) {
    TBGA32 bga;
    bga.CheckArchive("/a", 2, 0);
    bga.CheckArchive("/a", 2, 4);
    bga.CheckArchive("/a", 0, 0);
    bga.CheckArchive("/a", 1, 2);
    EXPECT_EQ(LogOf("BGA32.DLL"),
              "BgaCheckArchive /a 1\nBgaCheckArchive /a 5\nBgaCheckArchive /a 0\nBgaCheckArchive /a 3\n");

    Library("BGA32.DLL").Reset();
    EXPECT_FALSE(IsBgaArchive(sandbox().work + "missing.gza"));
    EXPECT_EQ(LogOf("BGA32.DLL"), "");
    std::string file = sandbox().work + "x.exe";
    tarvo::test::WriteFile(file, "x");
    EXPECT_TRUE(IsBgaArchive(file));
    EXPECT_EQ(LogOf("BGA32.DLL"), "BgaOpenArchive 0 " + file + " 8388610\nBgaCloseArchive 81\n");
}

TEST_F(FormatDriversTest, Yz1MethodAndLevelFollowOptionM) {
    TYZ1 yz1;
    struct Case {
        int8_t m, c;
        const char* switches;
    } cases[] = {{2, 5, " -c2 -y2"}, {0, -1, " -c2 -y2"}, {1, 5, " -c5 -y1"},
                 {-1, 5, " -c5"},    {9, -1, " -y0"},     {3, 4, " -c4"}};
    for (const auto& c : cases) {
        o.m = c.m;
        o.c = c.c;
        yz1.Pack(0, "/a.yz1", o, "", {"f"}, false, output);
        EXPECT_EQ(Last("YYZ32.DLL"), std::string("c -+") + c.switches + "  \"/a.yz1\" \"f\" ") << int(c.m);
    }
    TArchiverOptions other;
    other.p = 3;
    other.x = 1;
    other.UserOptions = "-user";
    yz1.SetOwnerWindow(6, nullptr);
    yz1.Unpack(0, "/a.yz1", other, "/d", {}, false, output);
    EXPECT_EQ(Last("YYZ32.DLL"), "x -+ -i -z3 -x1 -user \"/a.yz1\" \"/d/\" ");
    yz1.KillOwnerWindow(6);

    Library("YYZ32.DLL").Reset();
    ExpectUnsupported(yz1, "YYZ32.DLL", false, true, true, false, true);
}

TEST_F(FormatDriversTest, Yz1TakesYyz32FirstThenYz1AndTriesBothAgainAfterAFailure) {
    OnlyVisible({"YZ1.DLL"});
    TYZ1 second;
    second.Unpack(0, "/a.yz1", o, "", {}, false, output);
    EXPECT_EQ(LogOf("YZ1.DLL"), "Yz1 0 null 0\n");

    ReleaseYz1Library();
    OnlyVisible({});
    for (int attempt = 0; attempt < 2; ++attempt)
        ExpectError<ENoArchiverDLL>([] { TYZ1 none; }, "Yz1 形式書庫を扱うには YYZ32.DLL か YZ1.DLL が必要です。");
    EXPECT_FALSE(IsYz1Archive(sandbox().work + "a.yz1"));

    win::ClearModuleHooks();
    TYZ1 first;
    first.Unpack(0, "/a.yz1", o, "", {}, false, output);
    EXPECT_EQ(LogOf("YYZ32.DLL"), "Yz1 0 null 0\n");
}

TEST_F(FormatDriversTest, Yz1EnablesItsOwnerWindowAgainWhenTheLibraryRaises) {
    TYZ1 yz1;
    const win::HWND owner = win::AllocateHWnd([](win::TMessage&) {});
    Library("YYZ32.DLL").SetCommandRaises("the library failed");
    const std::function<int()> operations[] = {[&] { return yz1.Unpack(owner, "/a.yz1", o, "/d", {}, false, output); },
                                               [&] { return yz1.Pack(owner, "/a.yz1", o, "", {"f"}, false, output); }};
    for (const auto& operation : operations) {
        win::EnableWindow(owner, win::FALSE);  // as the library leaves it while its dialog is up
        try {
            operation();
            ADD_FAILURE() << "the library's exception was lost";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "the library failed");
        }
        EXPECT_TRUE(win::IsWindowEnabled(owner));
    }
    EXPECT_EQ(LogOf("YYZ32.DLL"),
              "Yz1 " + std::to_string(owner) + " null 0\nYz1 " + std::to_string(owner) + " null 0\n");
    win::DeallocateHWnd(owner);
}

class Yz1PasswordTest : public FormatDriversTest {
protected:
    void SetUp() override {
        FormatDriversTest::SetUp();
        OnlyVisible({"YYZ32.DLL"});
        Library("YYZ32.DLL").SetPassword("right");
    }
    int ListFirst() {
        TYZ1 yz1;
        HARC handle = yz1.OpenArchive(77, "/a.yz1", 0);
        TArchiveEntryInfo info{};
        int result = yz1.FindFirst(handle, "*.*", info);
        yz1.CloseArchive(handle);
        return result;
    }
    void Answer(std::initializer_list<const char*> answers) {
        std::vector<const char*> list(answers);
        Library("YYZ32.DLL").SetDialogAnswers(list.data(), static_cast<int>(list.size()));
    }
    int Count(const std::string& what) {
        std::string log = LogOf("YYZ32.DLL");
        int n = 0;
        for (size_t p = log.find(what); p != std::string::npos; p = log.find(what, p + 1))
            ++n;
        return n;
    }
};

TEST_F(Yz1PasswordTest, TheRightPasswordOpensTheListing) {
    Answer({"wrong", "right"});
    EXPECT_EQ(ListFirst(), -1);  // an empty listing, no longer the password answer
    EXPECT_EQ(LogOf("YYZ32.DLL"),
              "Yz1OpenArchive 77 /a.yz1 0\nYz1FindFirst 81 *.*\nYz1PasswordDialog 77 256\n"
              "Yz1SetDefaultPassword 81 wrong\nYz1FindFirst 81 *.*\nYz1PasswordDialog 77 256\n"
              "Yz1SetDefaultPassword 81 right\nYz1FindFirst 81 *.*\nYz1CloseArchive 81\n");
}

TEST_F(Yz1PasswordTest, FourWrongPasswordsAreEachTriedThenThePasswordAnswerIsReturned) {
    Answer({"a", "b", "c", "d", "right"});
    EXPECT_EQ(ListFirst(), 32778);
    EXPECT_EQ(Count("PasswordDialog"), 4);
    EXPECT_EQ(Count("FindFirst"), 5);
    EXPECT_EQ(Count("SetDefaultPassword 81 d"), 1);
}

TEST_F(Yz1PasswordTest, TheFourthPasswordCountsToo) {
    Answer({"a", "b", "c", "right"});
    EXPECT_EQ(ListFirst(), -1);
}

TEST_F(Yz1PasswordTest, CancelOrNoDialogEndsTheRetry) {
    Answer({});
    EXPECT_EQ(ListFirst(), 32778);
    EXPECT_EQ(Count("PasswordDialog"), 1);
    EXPECT_EQ(Count("SetDefaultPassword"), 0);

    ReleaseYz1Library();
    win::HideModuleEntry("YYZ32.DLL", "Yz1PasswordDialog");
    Answer({"right"});
    EXPECT_EQ(ListFirst(), 32778);
    EXPECT_EQ(Count("PasswordDialog"), 1);  // still only the first call's
}

TEST_F(Yz1PasswordTest, APasswordFillingTheWholeBufferStillEnds) {
    std::string full(300, 'p');
    Answer({full.c_str()});
    EXPECT_EQ(ListFirst(), 32778);
    EXPECT_EQ(Count("SetDefaultPassword 81 " + std::string(256, 'p') + "\n"), 1);
}

TEST_F(FormatDriversTest, SevenZipSwitchesComeBeforeTheArchive) {
    TSevenZip32 sz;
    EXPECT_EQ(sz.Unpack(0, "/a.7z", o, "/d", {"f"}, false, output), 0);
    EXPECT_EQ(Last("7-zip32.dll"), "x -ms=off \"-o/d/\"  \"/a.7z\" \"f\" ");
    o.x = 0;
    sz.Unpack(0, "/a.7z", o, "", {}, false, output);
    EXPECT_EQ(Last("7-zip32.dll"), "e -ms=off  \"/a.7z\" ");

    o.x = 1;
    o.c = 1;
    o.n = 1;
    o.r = 2;
    o.w = "/w";
    o.y = 1;
    o.jx.Add("*.bak");
    o.jx.Add("tmp/*");
    o.UserOptions = "-user";
    o.UserFileList = "extra";
    sz.Unpack(0, "/a.7z", o, "/d", {"f"}, false, output);
    EXPECT_EQ(Last("7-zip32.dll"),
              "x -aoa -ms=off -hide -r \"-w/w/\" -y \"-x!*.bak\" \"-x!tmp/*\" \"-o/d/\" -user \"/a.7z\" \"f\" extra");
    sz.Pack(0, "/a.7z", o, "/b", {"f"}, false, output);  // never an overwrite switch
    EXPECT_EQ(Last("7-zip32.dll"),
              "u -ms=off -hide -r \"-w/w/\" -y \"-x!*.bak\" \"-x!tmp/*\" \"-o/b/\" -user \"/a.7z\" \"f\" extra");
    sz.RemoveItem(0, "/a.7z", o, "/b", {"f"}, false, output);  // and no destination
    EXPECT_EQ(Last("7-zip32.dll"),
              "d -ms=off -hide -r \"-w/w/\" -y \"-x!*.bak\" \"-x!tmp/*\" -user \"/a.7z\" \"f\" extra");
}

TEST_F(FormatDriversTest, SevenZipOverwriteAndRecursionRules) {
    TSevenZip32 sz;
    struct Case {
        int8_t m, jn, c, r;
        const char* switches;
    } cases[] = {{2, 1, 1, -1, "-aou -ms=off"},
                 {-1, 1, 1, 0, "-aos -ms=off -r-"},
                 {-1, -1, 1, 1, "-aoa -ms=off"},
                 {-1, 0, 0, 2, "-ms=off -r"}};
    for (const auto& c : cases) {
        o.m = c.m;
        o.jn = c.jn;
        o.c = c.c;
        o.r = c.r;
        sz.Unpack(0, "/a.7z", o, "", {}, false, output);
        EXPECT_EQ(Last("7-zip32.dll"), std::string("x ") + c.switches + "  \"/a.7z\" ") << c.switches;
    }
}

TEST_F(FormatDriversTest, SevenZipReadsTheResponseFileChoiceFromTheOptions) {
    TSevenZip32 sz;
    o.ResFileName = sandbox().work + "res";
    o.ResFileUsage = {ruOnPack};
    sz.Pack(0, "/a.7z", o, "", {"f"}, false, output);
    EXPECT_EQ(Last("7-zip32.dll"), "u -ms=off  \"/a.7z\" \"@" + o.ResFileName + "\" ");
    sz.Unpack(0, "/a.7z", o, "", {"f"}, true, output);
    EXPECT_EQ(Last("7-zip32.dll"), "x -ms=off  \"/a.7z\" \"f\" ");
    EXPECT_THROW(sz.Pack(0, SwitchUnset, o, "", {"f"}, false, output), EArchiver);

    Library("7-zip32.dll").Reset();
    ExpectUnsupported(sz, "7-zip32.dll", false, false, true, false, true);
}

TEST_F(FormatDriversTest, ListingAndOwnerWindowGoToTheFormatsOwnLibrary) {
    struct Case {
        TArchiverType type;
        const char* library;
        const char* prefix;
    } cases[] = {{atCab, "CAB32.DLL", "Cab"},      {atArj, "UNARJ32J.DLL", "Unarj"}, {atTar, "TAR32.DLL", "Tar"},
                 {atRar, "UNRAR32.DLL", "Unrar"},  {atBga, "BGA32.DLL", "Bga"},      {atYz1, "YYZ32.DLL", "Yz1"},
                 {at7z, "7-zip32.dll", "SevenZip"}};
    std::string archive = sandbox().work + "a.any";
    for (const auto& c : cases) {
        TArchiveFile arc;
        arc.SetArchiverType(c.type);
        arc.SetFileName(archive);
        arc.OnProgress = [](TArchiveFile*, int, LPEXTRACTINGINFOEX, bool&) {};
        EXPECT_FALSE(arc.FindOpen(0, 0));
        TArchiveEntryInfo info{};
        EXPECT_EQ(arc.FindFirst("*.*", info), -1);
        arc.FindClose();
        std::string p = c.prefix;
        EXPECT_EQ(LogOf(c.library),
                  p + "OpenArchive 0 " + archive + " 0\n" + p + "FindFirst 81 *.*\n" + p + "CloseArchive 81\n");
        Library(c.library).Reset();
        arc.Options().jse = 0;
        arc.Options().jso = 0;
        arc.Unpack(0, nullptr, "/d", {});
        std::string log = LogOf(c.library);
        EXPECT_EQ(log.find(p + "SetOwnerWindowEx"), 0u) << log;
        EXPECT_NE(log.find(p + "KillOwnerWindowEx"), std::string::npos) << log;
    }
    EXPECT_EQ(LogOf("UNLHA32.DLL"), "");
}

TEST_F(FormatDriversTest, EveryFormatWithItsLibraryMissingFailsToBeChosenAndChangesNothing) {
    struct Case {
        const char* name;
        TArchiverType type;
        const char* message;
    } cases[] = {
        {"a.cab", atCab, "CAB 形式書庫 を扱うには CAB32.DLL が 必要です。"},
        {"a.arj", atArj, "ARJ 形式書庫 を扱うには UNARJ32J.DLL が 必要です。"},
        {"a.tar", atTar, "tar/tgz/taz/bz2 形式書庫 を扱うには TAR32.DLL が 必要です。"},
        {"a.tgz", atTgz, "tar/tgz/taz/bz2 形式書庫 を扱うには TAR32.DLL が 必要です。"},
        {"a.bz2", atBZ2, "tar/tgz/taz/bz2 形式書庫 を扱うには TAR32.DLL が 必要です。"},
        {"a.rar", atRar, "RAR 形式書庫 を扱うには UNRAR32.DLL が 必要です。"},
        {"a.gza", atBga, "BGA 形式書庫 を扱うには BGA32.DLL が 必要です。"},
        {"a.yz1", atYz1, "Yz1 形式書庫を扱うには YYZ32.DLL か YZ1.DLL が必要です。"},
        {"a.7z", at7z, "7z 形式書庫 を扱うには 7-zip32.dll が 必要です。"},
    };
    OnlyVisible({"UNLHA32.DLL"});
    std::string archive = sandbox().work + "arcived.lzh";
    for (const auto& c : cases) {
        TArchiveFile arc;
        arc.SetFileName(archive);
        EXPECT_THROW(arc.SetFileName(c.name), ENoArchiverDLL) << c.name;
        ExpectError<ENoArchiverDLL>([&] { arc.SetArchiverType(c.type); }, c.message);
        EXPECT_EQ(arc.ArchiverType(), atLha) << c.name;
        EXPECT_EQ(arc.FileName(), archive) << c.name;
    }
}

}  // namespace
