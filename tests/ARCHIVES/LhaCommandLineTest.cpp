// The LHA driver's command lines and response files, byte for byte, as the recording library receives them.
#include <gtest/gtest.h>

#include "ARCHIVES/ARCHIVES.h"
#include "ARCHIVES/LHA32.h"
#include "tests/ARCHIVES/ClientSwitches.h"
#include "tests/ARCHIVES/Recorder.h"

namespace {

using tarvo::test::ReadFile;
using tarvo::test::WriteFile;

class LhaCommandLineTest : public tarvo::test::RecorderTest {
protected:
    void SetUp() override {
        RecorderTest::SetUp();
        archive = sandbox().work + "Tarvo/arcived.lzh";
        res = sandbox().work + "Tarvo/ArcResFile";
        drop = sandbox().work + "drop/";
        WriteFile(drop + "folder/b.txt", "b");
        WriteFile(drop + "folder/sub/a.txt", "a");
        WriteFile(drop + "single.txt", "s");
        ForceDirectories(sandbox().work + "Tarvo");
        arc.SetFileName(archive);
        arc.Options().jso = 0;  // as the client's window stores it
    }

    void SetPackSwitches(bool folder) { tarvo::test::SetClientPackSwitches(arc, folder, res); }
    void SetExtractSwitches() { tarvo::test::SetClientExtractSwitches(arc.Options()); }

    std::string archive, res, drop;
    TArchiveFile arc;
};

TEST_F(LhaCommandLineTest, PackOfADroppedFolderHandsTheWalkedNamesInTheResponseFile) {
    SetPackSwitches(true);
    EXPECT_EQ(arc.Pack(7, nullptr, drop, {"folder"}), 0);
    EXPECT_EQ(LastCommand(), "u -+ -a1 -n0 -p1 -x1 -jso0  \"" + archive + "\" \"" + drop + "\" \"@" + res + "\" ");
    EXPECT_EQ(ReadFile(res), "\"folder/b.txt\"\r\n\"folder/sub/a.txt\"\r\n");
    EXPECT_EQ(Log(), "Unlha 7 buffer 8192\n");
    // The walk changed only its copy: the component keeps what the caller set.
    EXPECT_EQ(arc.Options().r, 2);
    EXPECT_EQ(arc.Options().p, -1);
}

TEST_F(LhaCommandLineTest, PackOfADroppedFile) {
    SetPackSwitches(false);
    EXPECT_EQ(arc.Pack(0, nullptr, drop, {"single.txt"}), 0);
    EXPECT_EQ(LastCommand(), "u -+ -a1 -n0 -p1 -x1 -jso0  \"" + archive + "\" \"" + drop + "\" \"@" + res + "\" ");
    EXPECT_EQ(ReadFile(res), "\"single.txt\"\r\n");
}

TEST_F(LhaCommandLineTest, ExtractOfATrunkNamesNoFile) {
    SetExtractSwitches();
    EXPECT_EQ(arc.Unpack(0, nullptr, sandbox().work + "out", {}), 0);
    EXPECT_EQ(LastCommand(), "x -+ -n0 -x1 -jse1 -jso1 -jyc1  \"" + archive + "\" \"" + sandbox().work + "out/\" ");
}

TEST_F(LhaCommandLineTest, ExtractAfterAPackCarriesWhatThePackLeftSet) {
    SetPackSwitches(true);
    arc.Pack(0, nullptr, drop, {"folder"});
    SetExtractSwitches();
    EXPECT_EQ(arc.Unpack(0, nullptr, "/dest", {}), 0);
    EXPECT_EQ(LastCommand(),
              "x -+ -a1 -n0 -r2 -x1 -jse1 -jso1 -jyc1  \"" + archive + "\" \"/dest/\" \"@" + res + "\" ");
    EXPECT_EQ(ReadFile(res), "");
}

TEST_F(LhaCommandLineTest, RemoveWritesNoBaseDirectory) {
    EXPECT_EQ(arc.RemoveItem(0, nullptr, "/ignored", {"dir/entry name.txt"}), 0);
    EXPECT_EQ(LastCommand(), "d -+ -jso0  \"" + archive + "\" \"dir/entry name.txt\" ");

    arc.Options().ResFileName = res;
    EXPECT_EQ(arc.RemoveItem(0, nullptr, "", {"dir/entry name.txt"}), 0);
    EXPECT_EQ(LastCommand(), "d -+ -jso0  \"" + archive + "\" \"@" + res + "\" ");
    EXPECT_EQ(ReadFile(res), "\"dir/entry name.txt\"\r\n");
}

TEST_F(LhaCommandLineTest, EverySwitchInItsPlace) {
    TArchiverOptions o;
    int8_t v = 0;
    for (int8_t* one : {&o.a,   &o.c,   &o.e,   &o.f,  &o.h,   &o.i,   &o.l,   &o.m,   &o.n,   &o.o,   &o.p,   &o.r,
                        &o.s,   &o.t,   &o.u,   &o.x,  &o.y,   &o.z,   &o.jc,  &o.jd,  &o.je,  &o.jf,  &o.jh,  &o.ji,
                        &o.jm,  &o.jn,  &o.jp,  &o.jr, &o.jsb, &o.jsc, &o.jsd, &o.jse, &o.jsf, &o.jsl, &o.jso, &o.jss,
                        &o.jst, &o.jsv, &o.jsz, &o.jw, &o.jyc, &o.jyd, &o.jyk, &o.jyn, &o.jyo, &o.ga,  &o.gd,  &o.ge,
                        &o.gf,  &o.gj,  &o.gm,  &o.gn, &o.go,  &o.gp,  &o.gs,  &o.gu,  &o.gw})
        *one = v++;
    o.w = "/work";
    o.jo = "260101";
    o.job = "";
    o.jx.Add("*.bak");
    o.jx.Add("tmp/*");
    o.jz = "comment";
    o.gr = "g r";
    o.UserOptions = "-user";
    o.UserFileList = "extra";
    o.PackFilter = pfArchiver;
    EXPECT_EQ(arc.Pack(0, &o, "/base", {"name"}), 0);
    EXPECT_EQ(LastCommand(),
              "u -+ -a0 -c1 -e2 -f3 -h4 -i5 -l6 -m7 -n8 -o9 -p10 -r11 -s12 -t13 -u14 \"-w/work/\" -x15 -y16 -z17"
              " -jc18 -jd19 -je20 -jf21 -jh22 -ji23 -jm24 -jn25 \"-jo260101\" \"-job\" -jp26 -jr27 -jsb28 -jsc29"
              " -jsd30 -jse31 -jsf32 -jsl33 -jso34 -jss35 -jst36 -jsv37 -jsz38 -jw39 \"-jx*.bak\" \"-jxtmp/*\""
              " -jyc40 -jyd41 -jyk42 -jyn43 -jyo44 \"-jzcomment\" -ga45 -gd46 -ge47 -gf48 -gj49 -gm50 -gn51"
              " -go52 -gp53 \"-grg r\" -gs54 -gu55 -gw56 -user \"" +
                  archive + "\" \"/base/\" \"name\" extra");
}

TEST_F(LhaCommandLineTest, OtherVerbsOfTheDriver) {
    TLha32 lha;
    TArchiverOptions o;
    o.jso = 2;
    std::string output;
    EXPECT_EQ(lha.Update(0, "/a.lzh", o, "/b", {"f"}, false, output), 0);
    EXPECT_EQ(LastCommand(), "f -+ -jso2  \"/a.lzh\" \"/b/\" \"f\" ");
    EXPECT_EQ(lha.MakeSfx(0, "/a.lzh", o, "/out", output), 0);
    EXPECT_EQ(LastCommand(), "s -+ -jso2  \"/a.lzh\" \"/out/\" ");
    char buffer[4] = {};
    win::DWORD written = 0;
    EXPECT_EQ(lha.ExtractMem(3, "/a.lzh", o, "dir/e.txt", buffer, sizeof buffer, &written), 0);
    EXPECT_EQ(LastCommand(), " -+ -jso2  \"/a.lzh\" \"dir/e.txt\" ");
    EXPECT_EQ(lha.LastCommandLine(), LastCommand());
    EXPECT_EQ(written, 1u);
    EXPECT_EQ(buffer[0], 'M');
    EXPECT_NE(Log().find("UnlhaExtractMem 3 4 null null"), std::string::npos);
    EXPECT_EQ(lha.CheckArchive("/a.lzh", 16, 2), 1);
    EXPECT_NE(Log().find("UnlhaCheckArchive /a.lzh 18"), std::string::npos);
}

TEST_F(LhaCommandLineTest, MissingSwitchesFailBeforeTheLibraryIsCalled) {
    SetExtractSwitches();
    arc.Options().jse = -1;
    try {
        arc.Unpack(0, nullptr, "/d", {});
        FAIL() << "no assertion";
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.Message(), "jse オプションが設定されていません。 (ARCHIVES\\LHA32, line 258)");
    }
    arc.Options().jse = 1;
    arc.Options().jso = -1;
    try {
        arc.RemoveItem(0, nullptr, "", {"e"});
        FAIL() << "no assertion";
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.Message(), "jso オプションが設定されていません。 (ARCHIVES\\LHA32, line 264)");
    }
    EXPECT_FALSE(LibraryCommandRan());
}

TEST_F(LhaCommandLineTest, AnOwnerWindowForcesN1) {
    TLha32 lha;
    TArchiverOptions o;
    o.jso = 0;
    o.n = 0;
    std::string output;
    lha.SetOwnerWindow(55, nullptr);
    lha.Pack(0, "/a.lzh", o, "", {"f"}, false, output);
    EXPECT_EQ(LastCommand(), "u -+ -n1 -jso0  \"/a.lzh\" \"f\" ");
    lha.KillOwnerWindow(55);
    o.n = -1;
    lha.Pack(0, "/a.lzh", o, "", {"f"}, false, output);
    EXPECT_EQ(LastCommand(), "u -+ -jso0  \"/a.lzh\" \"f\" ");
    EXPECT_EQ(Log(), "UnlhaSetOwnerWindowEx 55 null\nUnlha 0 null 0\nUnlhaKillOwnerWindowEx 55\nUnlha 0 null 0\n");
}

TEST_F(LhaCommandLineTest, OutputBufferAndResultCode) {
    recorder_.SetCommandResult(0x8012, "library says");
    arc.SetOutputSize(0);
    EXPECT_EQ(arc.RemoveItem(0, nullptr, "", {"x"}), 0x8012);  // returned, never raised
    EXPECT_EQ(Log(), "Unlha 0 null 0\n");
    arc.SetOutputSize(64);
    EXPECT_EQ(arc.OutputText()[0], '\0');
    arc.RemoveItem(0, nullptr, "", {"x"});
    EXPECT_STREQ(arc.OutputText().c_str(), "library says");
}

TEST_F(LhaCommandLineTest, UnquotableNamesNeverReachTheLibrary) {
    arc.Options().PackFilter = pfArchiver;
    EXPECT_THROW(arc.Pack(0, nullptr, "", {"ok", "bad\"name"}), EArchiver);
    EXPECT_THROW(arc.RemoveItem(0, nullptr, "", {"line\nbreak"}), EArchiver);
    arc.Options().ResFileName = res;
    EXPECT_THROW(arc.RemoveItem(0, nullptr, "", {"cr\rhere"}), EArchiver);
    EXPECT_FALSE(FileExists(res));
    // Found by the component's own walk, too.
    arc.Options().PackFilter = pfComponent;
    WriteFile(drop + "folder/say \"hi\".txt", "q");
    arc.Options().r = 2;
    EXPECT_THROW(arc.Pack(0, nullptr, drop, {"folder"}), EArchiver);
    EXPECT_FALSE(LibraryCommandRan());
}

TEST_F(LhaCommandLineTest, AnArchiveNeverNamedIsRefused) {
    TArchiveFile fresh;
    fresh.SetArchiverType(atLha);
    fresh.Options().jso = 0;
    EXPECT_THROW(fresh.RemoveItem(0, nullptr, "", {"entry"}), EArchiver);
    EXPECT_FALSE(LibraryCommandRan());
}

}  // namespace
