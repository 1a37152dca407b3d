// The library binding: loading by name, binding entries on first use, the missing library and entry
// failures, and the completion of the entry record from the Ex entries or from the record itself.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ARCHIVES/ARCHIVES.h"
#include "ARCHIVES/ArchiverDll.h"
#include "ARCHIVES/LHA32.h"
#include "platform/win/Modules.h"
#include "tests/ARCHIVES/Recorder.h"

namespace {

uint64_t Value(win::FILETIME t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

win::FILETIME FileTime(uint64_t v) {
    return {static_cast<win::DWORD>(v), static_cast<win::DWORD>(v >> 32)};
}

ArcEntryRecord Entry(const char* path, uint32_t size, uint16_t dosDate, uint16_t dosTime) {
    ArcEntryRecord e{};
    e.OriginalSize = size;
    e.CompressedSize = size / 2;
    e.DosDate = dosDate;
    e.DosTime = dosTime;
    std::strcpy(e.EntryPath, path);
    std::strcpy(e.MethodText, "-lh5-");
    return e;
}

// 2026-01-02 03:04:06 in the tests' zone (JST), 2026-01-01 18:04:06 UTC.
constexpr uint16_t StampDate = (46 << 9) | (1 << 5) | 2;
constexpr uint16_t StampTime = (3 << 11) | (4 << 5) | 3;
constexpr uint64_t StampUtc = 134117642460000000ULL;

class ArchiverDllTest : public tarvo::test::RecorderTest {
protected:
    void List(std::vector<TArchiveEntryInfo>& entries) {
        TArchiveFile arc;
        arc.SetFileName(sandbox().work + "a.lzh");
        EXPECT_FALSE(arc.FindOpen(0, 0));
        TArchiveEntryInfo info{};
        for (int rc = arc.FindFirst("*.*", info); rc == 0; rc = arc.FindNext(info))
            entries.push_back(info);
        arc.FindClose();
    }
};

TEST_F(ArchiverDllTest, EntryRecordIsTheLibrarysRecordFollowedByTheCompletedFields) {
    TArchiveEntryInfo info{};
    info.EntryPath[0] = 'E';
    info.MethodText[0] = 'M';
    info.WriteTime = FileTime(0x11);
    info.AccessTime = FileTime(0x22);
    info.CreateTime = FileTime(0x33);
    info.OriginalSize64 = 0x44;
    info.CompressedSize64 = 0x55;
    unsigned char bytes[sizeof info];
    std::memcpy(bytes, &info, sizeof info);
    EXPECT_EQ(bytes[26], 'E');
    EXPECT_EQ(bytes[550], 'M');
    EXPECT_EQ(bytes[558], 0x11);
    EXPECT_EQ(bytes[566], 0x22);
    EXPECT_EQ(bytes[574], 0x33);
    EXPECT_EQ(bytes[582], 0x44);
    EXPECT_EQ(bytes[590], 0x55);

    // Records side by side in a container sit at any address: nothing in them may need alignment.
    std::vector<TArchiveEntryInfo> records(3);
    records[1].CreateTime = FileTime(7);
    EXPECT_EQ(Value(records[1].CreateTime), 7u);
}

TEST_F(ArchiverDllTest, WithoutExEntriesTimesComeFromTheDosStampInUtcAndSizesFromTheRecord) {
    for (const char* entry : {"UnlhaGetWriteTimeEx", "UnlhaGetCreateTimeEx", "UnlhaGetAccessTimeEx",
                              "UnlhaGetOriginalSizeEx", "UnlhaGetCompressedSizeEx"})
        win::HideModuleEntry("UNLHA32.DLL", entry);
    ArcEntryRecord records[] = {Entry("dir/a.txt", 1000, StampDate, StampTime), Entry("b.txt", 4000000000u, 0, 0)};
    recorder_.SetListing(records, 2);
    std::vector<TArchiveEntryInfo> entries;
    List(entries);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_STREQ(entries[0].EntryPath, "dir/a.txt");
    EXPECT_EQ(Value(entries[0].WriteTime), StampUtc);
    EXPECT_EQ(Value(entries[0].AccessTime), StampUtc);
    EXPECT_EQ(Value(entries[0].CreateTime), StampUtc);
    EXPECT_EQ(uint64_t{entries[0].OriginalSize64}, 1000u);
    EXPECT_EQ(uint64_t{entries[0].CompressedSize64}, 500u);
    EXPECT_EQ(Value(entries[1].CreateTime), 0u);  // no stamp at all
    EXPECT_EQ(uint64_t{entries[1].OriginalSize64}, 4000000000u);
}

TEST_F(ArchiverDllTest, ExEntriesGiveTimesAndSizesBeyondFourGigabytes) {
    recorder_.SetExAnswers(1, FileTime(111), FileTime(222), FileTime(333), 5000000000ULL, 4999999999ULL);
    ArcEntryRecord record = Entry("big.bin", 705032704u, StampDate, StampTime);
    recorder_.SetListing(&record, 1);
    std::vector<TArchiveEntryInfo> entries;
    List(entries);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(Value(entries[0].WriteTime), 111u);
    EXPECT_EQ(Value(entries[0].AccessTime), 222u);
    EXPECT_EQ(Value(entries[0].CreateTime), 333u);
    EXPECT_EQ(uint64_t{entries[0].OriginalSize64}, 5000000000ULL);
    EXPECT_EQ(uint64_t{entries[0].CompressedSize64}, 4999999999ULL);
    EXPECT_EQ(entries[0].OriginalSize, 705032704u);
}

TEST_F(ArchiverDllTest, ListingCallsInOrderWithTheFullArchivePath) {
    ArcEntryRecord records[] = {Entry("one", 1, 0, 0), Entry("two", 2, 0, 0)};
    recorder_.SetListing(records, 2);
    std::vector<TArchiveEntryInfo> entries;
    List(entries);
    EXPECT_EQ(entries.size(), 2u);
    std::string archive = sandbox().work + "a.lzh";
    EXPECT_EQ(Log(), "UnlhaOpenArchive 0 " + archive +
                         " 0\nUnlhaFindFirst 81 *.*\nUnlhaFindNext 81\nUnlhaFindNext 81\n"
                         "UnlhaCloseArchive 81\n");
}

TEST_F(ArchiverDllTest, MissingLibraryFailsEveryDriverCreationAndChangesNothing) {
    win::HideModule("UNLHA32.DLL");
    TArchiveFile arc;
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            arc.SetFileName("/x/trunk.lzh");
            FAIL() << "no exception";
        } catch (const ENoArchiverDLL& e) {
            EXPECT_EQ(e.Message(), "LHA 形式書庫 を扱うには UNLHA32.DLL が 必要です。");
        }
        EXPECT_EQ(arc.ArchiverType(), atAutoDetect);
        EXPECT_EQ(arc.FileName(), SwitchUnset);
    }
    EXPECT_THROW(arc.Unpack(0, nullptr, "/d", {}), EArchiver);  // still no driver

    win::ClearModuleHooks();
    arc.SetFileName("/x/trunk.lzh");
    EXPECT_EQ(arc.ArchiverType(), atLha);
}

TEST_F(ArchiverDllTest, LibraryLostAfterTheDriverWasMadeFailsTheNextPackBeforeAnyWalk) {
    TArchiveFile arc;
    arc.SetFileName(sandbox().work + "a.lzh");
    arc.Options().jso = 0;
    ReleaseLhaLibrary();
    win::HideModule("UNLHA32.DLL");
    bool walked = false;
    arc.OnProgress = [&](TArchiveFile*, int, LPEXTRACTINGINFOEX, bool&) { walked = true; };
    tarvo::test::WriteFile(sandbox().work + "f.txt", "f");
    EXPECT_THROW(arc.Pack(0, nullptr, sandbox().work, {"f.txt"}), ENoArchiverDLL);
    EXPECT_FALSE(walked);
}

TEST_F(ArchiverDllTest, MissingRequiredEntryFailsOnlyTheOperationsThatNeedIt) {
    win::HideModuleEntry("UNLHA32.DLL", "UnlhaFindNext");
    ArcEntryRecord record = Entry("one", 1, 0, 0);
    recorder_.SetListing(&record, 1);
    TArchiveFile arc;
    arc.SetFileName(sandbox().work + "a.lzh");
    arc.FindOpen(0, 0);
    TArchiveEntryInfo info{};
    EXPECT_EQ(arc.FindFirst("*.*", info), 0);
    try {
        arc.FindNext(info);
        FAIL() << "no exception";
    } catch (const EEntryNotFound& e) {
        EXPECT_EQ(e.Message(),
                  std::string(TARVO_RECORDER_DIR) + "/libunlha32.so に UnlhaFindNext のエントリが見つかりません。");
    }
    arc.FindClose();
    arc.Options().jso = 0;
    EXPECT_EQ(arc.RemoveItem(0, nullptr, "", {"one"}), 0);
}

TEST_F(ArchiverDllTest, EntriesAreBoundOncePerLoadAndAnewAfterFreeDLL) {
    TArchiverDll library("LHA 形式書庫", "UNLHA32.DLL", "Unlha");
    EXPECT_EQ(library.CloseArchive(1), 0);
    win::HideModuleEntry("UNLHA32.DLL", "UnlhaCloseArchive");
    EXPECT_EQ(library.CloseArchive(1), 0);  // bound already
    library.FreeDLL();
    EXPECT_EQ(library.ModuleHandle(), 0u);
    EXPECT_THROW(library.CloseArchive(1), EEntryNotFound);
    EXPECT_NE(library.ModuleHandle(), 0u);  // loaded again
}

TEST_F(ArchiverDllTest, EntriesUsedAfterOthersStillLoadTheLibraryFirst) {
    TArchiverDll library("LHA 形式書庫", "UNLHA32.DLL", "Unlha");
    TArchiveEntryInfo info{};
    EXPECT_EQ(library.FindNext(1, info), -1);
    EXPECT_TRUE(library.SetOwnerWindowEx(9, nullptr));
    EXPECT_TRUE(library.KillOwnerWindowEx(9));
    win::FILETIME time;
    EXPECT_FALSE(library.GetWriteTimeEx(1, time));  // present, answering "failed"
}

TEST_F(ArchiverDllTest, ContentCheckAsksTheLibraryAndNeverRaises) {
    std::string name = sandbox().work + "x.dat";
    EXPECT_TRUE(IsLhaArchive(name));
    EXPECT_EQ(Log(),
              "UnlhaCheckArchive " + name + " 16\nUnlhaOpenArchive 0 " + name + " 8388610\nUnlhaCloseArchive 81\n");

    recorder_.SetArchiveAnswers(1, 0);
    EXPECT_FALSE(IsLhaArchive(name));
    recorder_.SetArchiveAnswers(0, 81);
    EXPECT_FALSE(IsLhaArchive(name));

    ReleaseLhaLibrary();
    win::HideModule("UNLHA32.DLL");
    EXPECT_FALSE(IsLhaArchive(name));
    win::ClearModuleHooks();
    ReleaseLhaLibrary();
    win::HideModuleEntry("UNLHA32.DLL", "UnlhaCheckArchive");
    EXPECT_FALSE(IsLhaArchive(name));
}

}  // namespace
