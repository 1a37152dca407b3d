// Pack, list, extract and remove through the real stand-in library, the way the client drives it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <vector>

#include "ARCHIVES/ARCHIVES.h"
#include "platform/rtl/SysUtils.h"
#include "tests/ARCHIVES/ClientSwitches.h"
#include "tests/ARCHIVES/LzhLibrary.h"

namespace {

using tarvo::test::ReadFile;
using tarvo::test::RunIn;
using tarvo::test::Shell;
using tarvo::test::WriteFile;

uint64_t Value(win::FILETIME t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

class LhaRoundTripTest : public tarvo::test::LzhLibraryTest {
protected:
    void SetUp() override {
        LzhLibraryTest::SetUp();
        if (IsSkipped())
            return;
        work = sandbox().work + "Tarvo/";
        drop = sandbox().work + "drop/";
        ForceDirectories(work);
        archive = work + "arcived.lzh";
        res = work + "ArcResFile";
        files = {{"写真 フォルダ/a.txt", "text line\r\n"},
                 {"写真 フォルダ/sub/empty.bin", ""},
                 {"写真 フォルダ/sub/random.bin", tarvo::test::RandomBytes(1 << 20, 7)},
                 {"file one.txt", "one"}};
        for (const auto& [name, bytes] : files)
            WriteFile(drop + name, bytes);
        arc.SetFileName(archive);
        arc.Options().jso = 0;
    }

    // One dropped path, as the client packs it.
    int AddToTrunk(const std::string& name, bool folder) {
        tarvo::test::SetClientPackSwitches(arc, folder, res);
        int result = arc.Pack(0, nullptr, drop, {name});
        DeleteFile(res);
        return result;
    }

    std::map<std::string, TArchiveEntryInfo> List() {
        std::map<std::string, TArchiveEntryInfo> entries;
        arc.SetFileName(archive);
        EXPECT_FALSE(arc.FindOpen(0, 0));
        TArchiveEntryInfo info{};
        for (int rc = arc.FindFirst("*.*", info); rc == 0; rc = arc.FindNext(info)) {
            std::string path = info.EntryPath;
            if (!path.empty() && path.back() != '/')
                entries[path] = info;
        }
        arc.FindClose();
        return entries;
    }

    std::string work, drop, archive, res;
    std::map<std::string, std::string> files;
    TArchiveFile arc;
};

TEST_F(LhaRoundTripTest, PackListExtractAndEmptyAsTheClientDoes) {
    ASSERT_EQ(AddToTrunk("写真 フォルダ", true), 0);
    ASSERT_EQ(AddToTrunk("file one.txt", false), 0);
    EXPECT_TRUE(RunIn(work, "lha t " + Shell(archive)));

    auto entries = List();
    ASSERT_EQ(entries.size(), files.size());
    for (const auto& [name, bytes] : files) {
        ASSERT_TRUE(entries.count(name)) << name;
        const TArchiveEntryInfo& info = entries[name];
        EXPECT_EQ(info.OriginalSize, bytes.size()) << name;
        EXPECT_EQ(uint64_t{info.OriginalSize64}, bytes.size()) << name;
        struct stat st;
        ASSERT_EQ(stat((drop + name).c_str(), &st), 0);
        uint64_t expected = (static_cast<uint64_t>(st.st_mtime) + 11644473600ULL) * 10000000ULL;
        uint64_t written = Value(info.WriteTime);
        EXPECT_LE(written > expected ? written - expected : expected - written, 20000000u) << name;  // DOS: 2 s
    }

    // The receiving road: whole archive, the pack's response file name still set.
    tarvo::test::SetClientExtractSwitches(arc.Options());
    std::string out = sandbox().work + "received/";
    ForceDirectories(out);
    ASSERT_EQ(arc.Unpack(0, nullptr, out, {}), 0) << arc.OutputText().c_str();
    for (const auto& [name, bytes] : files)
        EXPECT_EQ(ReadFile(out + name), bytes) << name;

    // Emptying the work archive entry by entry: the library removes the file with the last entry.
    for (const auto& [name, info] : entries) {
        if (!FileExists(archive))
            break;
        EXPECT_EQ(arc.RemoveItem(0, nullptr, "", {name}), 0) << name;
    }
    EXPECT_FALSE(FileExists(archive));
}

TEST_F(LhaRoundTripTest, AnArchiveMadeByJlhaListsAndExtracts) {
    ASSERT_TRUE(RunIn(drop, "jlha a " + Shell(work + "jlha.lzh") + " " + Shell("file one.txt")));
    arc.SetFileName(work + "jlha.lzh");
    archive = work + "jlha.lzh";
    auto entries = List();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries.begin()->first, "file one.txt");
    arc.Options().jse = 0;
    arc.Options().x = 1;
    std::string out = sandbox().work + "out/";
    ForceDirectories(out);
    ASSERT_EQ(arc.Unpack(0, nullptr, out, {}), 0);
    EXPECT_EQ(ReadFile(out + "file one.txt"), "one");
}

TEST_F(LhaRoundTripTest, ProgressArrivesFromTheLibraryAndAbortCancels) {
    std::vector<int> states;
    arc.OnProgress = [&](TArchiveFile*, int state, LPEXTRACTINGINFOEX, bool&) { states.push_back(state); };
    ASSERT_EQ(AddToTrunk("file one.txt", false), 0);
    EXPECT_EQ(std::count(states.begin(), states.end(), 0x805), 1);  // the component's own walk
    size_t afterPack = states.size();
    EXPECT_GT(afterPack, 1u);  // and the library's own reports while it packed
    arc.Options().jse = 0;
    std::string out = sandbox().work + "out/";
    ForceDirectories(out);
    ASSERT_EQ(arc.Unpack(0, nullptr, out, {}), 0);
    EXPECT_GT(states.size(), afterPack);

    arc.OnProgress = [](TArchiveFile*, int, LPEXTRACTINGINFOEX, bool& abort) { abort = true; };
    EXPECT_EQ(arc.Unpack(0, nullptr, sandbox().work + "out2/", {}), 0x8020);
}

}  // namespace
