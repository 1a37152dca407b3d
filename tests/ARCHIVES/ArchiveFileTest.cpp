// TArchiveFile: choosing the format and its driver, operations without a driver, the pack paths, and the
// progress relayed from the library and from the component's own walk.
#include <gtest/gtest.h>

#include <memory>

#include "ARCHIVES/ARCHIVES.h"
#include "platform/win/Messages.h"
#include "platform/win/Modules.h"
#include "tests/ARCHIVES/Recorder.h"

namespace {

using tarvo::test::ExpectError;
using tarvo::test::ReadFile;
using tarvo::test::WriteFile;

const char* const NoFormat = "書庫の形式を判別できません。";
const char* const UnknownFormat = "書庫の形式を特定できませんでした。";

class ArchiveFileTest : public tarvo::test::RecorderTest {
protected:
    void SetUp() override {
        RecorderTest::SetUp();
        archive = sandbox().work + "arcived.lzh";
    }
    std::string archive;
};

TEST_F(ArchiveFileTest, TheNameChoosesTheFormatAndAnUnknownExtensionKeepsIt) {
    TArchiveFile arc;
    EXPECT_EQ(arc.ArchiverType(), atAutoDetect);
    EXPECT_EQ(arc.FileName(), SwitchUnset);
    arc.SetFileName("/w/TRUNK.LZH");
    EXPECT_EQ(arc.ArchiverType(), atLha);
    arc.SetFileName("/w/notes.txt");
    EXPECT_EQ(arc.ArchiverType(), atLha);
    EXPECT_EQ(arc.FileName(), "/w/notes.txt");

    arc.SetArchiverType(atNone);
    EXPECT_EQ(arc.ArchiverType(), atLha);
    arc.SetArchiverType(atAutoDetect);
    EXPECT_EQ(arc.ArchiverType(), atAutoDetect);
    arc.Options().jso = 0;
    arc.Options().jse = 0;
    EXPECT_EQ(arc.Unpack(0, nullptr, "/d", {}), 0);  // the driver stayed
    EXPECT_TRUE(LibraryCommandRan());
}

TEST_F(ArchiveFileTest, TypesWithoutAnyDriverAreRefusedAndChangeNothing) {
    TArchiveFile arc;
    arc.SetFileName(archive);
    ExpectError<EArchiver>([&] { arc.SetArchiverType(atGCA); }, UnknownFormat);
    ExpectError<EArchiver>([&] { arc.SetArchiverType(atBel); }, UnknownFormat);
    ExpectError<EArchiver>([&] { arc.SetFileName("/w/old.GCA"); }, UnknownFormat);
    EXPECT_EQ(arc.ArchiverType(), atLha);
    EXPECT_EQ(arc.FileName(), archive);
}

TEST_F(ArchiveFileTest, WithoutADriverEveryOperationRaises) {
    recorder_.SetArchiveAnswers(0, 0);  // content detection finds nothing
    TArchiveFile arc;
    arc.SetFileName(sandbox().work + "unknown.bin");
    TArchiveEntryInfo info{};
    ExpectError<EArchiver>([&] { arc.Unpack(0, nullptr, "/d", {}); }, NoFormat);
    ExpectError<EArchiver>([&] { arc.Pack(0, nullptr, "/d", {"f"}); }, NoFormat);
    ExpectError<EArchiver>([&] { arc.RemoveItem(0, nullptr, "", {"f"}); }, NoFormat);
    ExpectError<EArchiver>([&] { arc.FindOpen(0, 0); }, NoFormat);
    ExpectError<EArchiver>([&] { arc.FindFirst("*.*", info); }, NoFormat);
    ExpectError<EArchiver>([&] { arc.FindNext(info); }, NoFormat);
    ExpectError<EArchiver>([&] { arc.FindClose(); }, NoFormat);
    EXPECT_FALSE(LibraryCommandRan());
}

TEST_F(ArchiveFileTest, UnpackDoesNotDetectByContent) {
    TArchiveFile arc;
    arc.SetFileName(sandbox().work + "trunk.dat");
    ExpectError<EArchiver>([&] { arc.Unpack(0, nullptr, "/d", {}); }, NoFormat);
    EXPECT_EQ(Log(), "");
}

TEST_F(ArchiveFileTest, ContentDecidesForExeNamesAndForListingsOfUnknownNames) {
    TArchiveFile exe;
    recorder_.SetArchiveAnswers(0, 0);
    exe.SetFileName(sandbox().work + "setup.ExE");
    EXPECT_EQ(exe.ArchiverType(), atAutoDetect);
    recorder_.SetArchiveAnswers(1, 81);
    exe.SetFileName(sandbox().work + "setup.ExE");
    EXPECT_EQ(exe.ArchiverType(), atLha);

    TArchiveFile listing;
    listing.SetFileName(sandbox().work + "trunk.dat");
    EXPECT_EQ(listing.ArchiverType(), atAutoDetect);
    EXPECT_FALSE(listing.FindOpen(0, 0));  // a handle was obtained
    EXPECT_EQ(listing.ArchiverType(), atLha);
    listing.FindClose();
    recorder_.SetArchiveAnswers(1, 0);
    EXPECT_TRUE(listing.FindOpen(0, 0));
}

TEST_F(ArchiveFileTest, AListingLeftOpenIsClosedWithTheComponent) {
    {
        TArchiveFile arc;
        arc.SetFileName(archive);
        arc.FindOpen(0, 0);
    }
    EXPECT_NE(Log().find("UnlhaCloseArchive 81"), std::string::npos);
}

TEST_F(ArchiveFileTest, PackWhoseWalkFindsNothingCallsNoLibrary) {
    TArchiveFile arc;
    arc.SetFileName(archive);
    arc.Options().jso = 0;
    arc.SetOutputSize(32);
    recorder_.SetCommandResult(0, "earlier output");
    arc.RemoveItem(0, nullptr, "", {"x"});
    ASSERT_EQ(arc.OutputText()[0], 'e');
    recorder_.Reset();
    ForceDirectories(sandbox().work + "empty");
    EXPECT_EQ(arc.Pack(0, nullptr, sandbox().work + "empty", {"*.txt"}), 0);
    EXPECT_EQ(arc.OutputText()[0], '\0');
    EXPECT_EQ(Log(), "");
}

TEST_F(ArchiveFileTest, PackCancelledDuringTheWalkReturns0x8020WithoutPacking) {
    WriteFile(sandbox().work + "src/a.txt", "a");
    WriteFile(sandbox().work + "src/b.txt", "b");
    TArchiveFile arc;
    arc.SetFileName(archive);
    arc.Options().jso = 0;
    std::vector<std::string> reported;
    arc.OnProgress = [&](TArchiveFile* sender, int state, LPEXTRACTINGINFOEX info, bool& abort) {
        EXPECT_EQ(sender, &arc);
        EXPECT_EQ(state, 0x805);
        reported.push_back(info->SourceFileName);
        abort = true;
    };
    EXPECT_EQ(arc.Pack(0, nullptr, sandbox().work + "src", {}), 0x8020);
    EXPECT_EQ(reported.size(), 1u);
    EXPECT_FALSE(LibraryCommandRan());
}

TEST_F(ArchiveFileTest, PackThroughTheLibrarysOwnExpansionPassesNamesAsGiven) {
    TArchiveFile arc;
    arc.SetFileName(archive);
    TArchiverOptions& o = arc.Options();
    o.jso = 0;
    o.r = 2;
    o.PackFilter = pfArchiver;
    o.ResFileUsage.clear();
    EXPECT_EQ(arc.Pack(0, nullptr, "/base", {"*.txt", "dir"}), 0);
    EXPECT_EQ(LastCommand(), "u -+ -r2 -jso0  \"" + archive + "\" \"/base/\" \"*.txt\" \"dir\" ");

    TArchiverOptions other;
    other.jso = 5;
    other.PackFilter = pfArchiver;
    EXPECT_EQ(arc.Pack(0, &other, "", {"f"}), 0);
    EXPECT_EQ(LastCommand(), "u -+ -jso5  \"" + archive + "\" \"f\" ");
}

TEST_F(ArchiveFileTest, TheWalkNeverPacksTheArchiveOrItsResponseFile) {
    std::string dir = sandbox().work + "Tarvo/";
    WriteFile(dir + "arcived.lzh", "archive from before");
    WriteFile(dir + "ArcResFile", "\"stale\"\r\n");
    WriteFile(dir + "a.txt", "a");
    TArchiveFile arc;
    arc.SetFileName(dir + "arcived.lzh");
    arc.Options().jso = 0;
    arc.Options().a = 1;
    arc.Options().ResFileName = dir + "ArcResFile";
    EXPECT_EQ(arc.Pack(0, nullptr, dir, {}), 0);
    EXPECT_EQ(ReadFile(dir + "ArcResFile"), "\"a.txt\"\r\n");
}

// The progress relay: the library sends "wm_arcextract" to the component's window during a command.
win::UINT ProgressMessage = 0;
ArcExtractingInfo HookRecord{};

int SendProgress(win::HWND owner) {
    return static_cast<int>(win::SendMessageA(owner, ProgressMessage, 1, reinterpret_cast<win::LPARAM>(&HookRecord)));
}

class ProgressRelayTest : public ArchiveFileTest {
protected:
    void SetUp() override {
        ArchiveFileTest::SetUp();
        ProgressMessage = win::RegisterWindowMessageA("wm_arcextract");
        recorder_.SetProgressHook(&SendProgress);
        arc.SetFileName(archive);
        arc.Options().jso = 0;
        arc.Options().n = 0;
        arc.Options().PackFilter = pfArchiver;
        arc.Options().ResFileUsage.clear();
    }
    TArchiveFile arc;
};

TEST_F(ProgressRelayTest, ProgressReachesTheHandlerAndTheLibraryWritesN1) {
    int calls = 0;
    arc.OnProgress = [&](TArchiveFile*, int state, LPEXTRACTINGINFOEX info, bool&) {
        ++calls;
        EXPECT_EQ(state, 1);
        EXPECT_EQ(info, &HookRecord);
    };
    EXPECT_EQ(arc.Pack(0, nullptr, "", {"f"}), 0);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(LastCommand(), "u -+ -n1 -jso0  \"" + archive + "\" \"f\" ");
    std::string log = Log();
    size_t set = log.find("UnlhaSetOwnerWindowEx "), run = log.find("Unlha 0"),
           kill = log.find("UnlhaKillOwnerWindowEx ");
    EXPECT_TRUE(set < run && run < kill && kill != std::string::npos) << log;

    // Without a handler the library gets no owner window, and n is what the options say.
    arc.OnProgress = nullptr;
    arc.Pack(0, nullptr, "", {"f"});
    EXPECT_EQ(LastCommand(), "u -+ -n0 -jso0  \"" + archive + "\" \"f\" ");
}

TEST_F(ProgressRelayTest, AbortFromTheHandlerCancelsTheLibraryCommand) {
    arc.OnProgress = [](TArchiveFile*, int, LPEXTRACTINGINFOEX, bool& abort) { abort = true; };
    EXPECT_EQ(arc.RemoveItem(0, nullptr, "", {"f"}), 0x8020);
}

TEST_F(ProgressRelayTest, TheOwnerWindowIsReleasedAlsoWhenTheDriverRaises) {
    arc.OnProgress = [](TArchiveFile*, int, LPEXTRACTINGINFOEX, bool&) {};
    arc.Options().jso = -1;
    EXPECT_THROW(arc.Pack(0, nullptr, "", {"f"}), EAssertionFailed);
    EXPECT_NE(Log().find("UnlhaKillOwnerWindowEx "), std::string::npos);
    arc.OnProgress = nullptr;
    arc.Options().jso = 0;
    arc.Pack(0, nullptr, "", {"f"});
    EXPECT_EQ(LastCommand(), "u -+ -n0 -jso0  \"" + archive + "\" \"f\" ");
}

TEST_F(ProgressRelayTest, AnOwnerWindowTheLibraryRefusesDoesNotStopTheOperation) {
    win::HideModuleEntry("UNLHA32.DLL", "UnlhaSetOwnerWindowEx");
    win::HideModuleEntry("UNLHA32.DLL", "UnlhaKillOwnerWindowEx");
    arc.OnProgress = [](TArchiveFile*, int, LPEXTRACTINGINFOEX, bool&) {};
    EXPECT_EQ(arc.Pack(0, nullptr, "", {"f"}), 0);
    EXPECT_TRUE(LibraryCommandRan());
}

}  // namespace
