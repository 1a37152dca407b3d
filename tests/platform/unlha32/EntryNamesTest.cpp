// What names do to entries: a name the archive cannot hold as it is, or one too long for the listing record,
// fails the pack before anything is written; a name that is the path of one file entry selects that entry
// alone, so removing what the listing showed never takes other entries with it.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/rtl/SysUtils.h"
#include "platform/unlha32/LhaError.h"
#include "tests/platform/unlha32/LzhLibrary.h"

namespace {

using tarvo::test::FolderContents;
using tarvo::test::ReadFile;
using tarvo::test::WriteFile;

std::string Q(const std::string& s) {
    return "\"" + s + "\"";
}

class EntryNamesTest : public tarvo::test::LzhTest {
protected:
    void SetUp() override {
        LzhTest::SetUp();
        archive = Work("t.lzh");
    }

    // Packing `names` from `base` fails with `code`, names `expectedInMessage` and leaves the archive as it was.
    void ExpectRefused(const std::string& base, const std::string& names, int code,
                       const std::string& expectedInMessage) {
        SCOPED_TRACE(names);
        const bool existed = FileExists(archive);
        const std::string before = existed ? ReadFile(archive) : "";
        std::string text;
        EXPECT_EQ(Run("a -r2 -x1 " + Q(archive) + " " + Q(base) + " " + names, &text), code) << text;
        EXPECT_NE(text.find(expectedInMessage), std::string::npos) << text;
        ASSERT_EQ(FileExists(archive), existed);
        if (existed) {
            EXPECT_TRUE(ReadFile(archive) == before);
        }
        EXPECT_EQ(FolderContents(Work("")).size(), FolderContents(base).size() + (existed ? 1 : 0))
            << "a temporary file was left behind";
    }

    std::string archive;
};

TEST_F(EntryNamesTest, NamesThatWouldNotReadBackAsThemselvesFailThePack) {
    const std::string src = Work("src/");
    // "¥" becomes the byte of the folder separator; each pair shares its code page 932 bytes.
    for (const std::string name : {"folder/a¥b.txt", "〜a.txt", "‖a.txt", "−a.txt", "tab\ta.txt"})
        WriteFile(src + name, name);
    ExpectRefused(src, "folder", lha::kNameNotEncodable, "folder/a¥b.txt");
    for (const std::string name : {"〜a.txt", "‖a.txt", "−a.txt", "tab\ta.txt"})
        ExpectRefused(src, Q(name), lha::kNameNotEncodable, name);

    WriteFile(src + "～a.txt", "the full-width tilde");
    WriteFile(src + "keep.txt", "kept");
    ASSERT_EQ(Run("a " + Q(archive) + " " + Q(src) + " keep.txt"), 0);
    ExpectRefused(src, Q("～a.txt") + " " + Q("〜a.txt"), lha::kNameNotEncodable, "〜a.txt");
    ExpectRefused(src, "*.txt", lha::kNameNotEncodable, "folder/a¥b.txt");  // the first the mask finds

    // Their partners that do read back are stored and come back under their own names.
    for (const std::string name : {"～a.txt", "∥a.txt", "－a.txt", "￥a.txt"})
        WriteFile(Work("good/") + name, name);
    ASSERT_EQ(Run("a " + Q(archive) + " " + Q(Work("good/")) + " ～a.txt ∥a.txt －a.txt ￥a.txt"), 0);
    EXPECT_EQ(ListedPaths(archive), (std::vector<std::string>{"keep.txt", "～a.txt", "∥a.txt", "－a.txt", "￥a.txt"}));
    ASSERT_EQ(Run("x " + Q(archive) + " " + Q(Work("dest/"))), 0);
    for (const std::string name : {"～a.txt", "∥a.txt", "－a.txt", "￥a.txt"})
        EXPECT_EQ(ReadFile(Work("dest/") + name), name);
}

TEST_F(EntryNamesTest, PathsLongerThanTheListingRecordHoldsFailThePack) {
    const std::string src = Work("src/");
    // Folders of 200 bytes, then a last component that brings the whole path to the given size.
    auto path = [](size_t size, const std::string& unit) {
        std::string p = std::string(200, 'd') + "/" + std::string(200, 'e') + "/";
        while (p.size() + unit.size() <= size)
            p += unit;
        return p + std::string(size - p.size(), 'f');
    };
    const std::string fits = path(512, "f"), tooLong = path(513, "f"), japanese = path(513, "表");
    for (const auto& p : {fits, tooLong, japanese})
        WriteFile(src + p, "x");
    ASSERT_EQ(japanese.size(), 513u);

    ExpectRefused(src, Q(tooLong), lha::kNameTooLong, tooLong.substr(0, 200));
    ExpectRefused(src, Q(japanese), lha::kNameTooLong, "表");
    ASSERT_EQ(Run("a -x1 " + Q(archive) + " " + Q(src) + " " + Q(fits)), 0);
    EXPECT_EQ(ListedPaths(archive), std::vector<std::string>{fits});
    // A folder is listed with a final "/", which must fit too.
    const std::string folders = fits.substr(0, 402);
    ForceDirectories(src + folders + std::string(110, 'g'));
    ExpectRefused(src, Q(folders + std::string(110, 'g')), lha::kNameTooLong, std::string(110, 'g'));
    ForceDirectories(src + folders + std::string(109, 'g'));
    ASSERT_EQ(Run("a -r2 -x1 " + Q(archive) + " " + Q(src) + " " + Q(folders + std::string(109, 'g'))), 0);
    EXPECT_EQ(ListedPaths(archive), (std::vector<std::string>{fits, folders + std::string(109, 'g') + "/"}));

    // What the listing shows can be removed again.
    for (const auto& listed : ListedPaths(archive)) {
        ASSERT_TRUE(FileExists(archive));
        EXPECT_EQ(Run("d " + Q(archive) + " " + Q(listed)), 0) << listed;
    }
    EXPECT_FALSE(FileExists(archive));
}

class SelectionTest : public EntryNamesTest {
protected:
    // docs/inner.txt, docs/what?.txt, docs/whatA.txt, docs/whatB.txt, a file "docs" and a file "*", packed
    // from separate folders so that neither "docs" nor "*" is taken for something else.
    void SetUp() override {
        EntryNamesTest::SetUp();
        for (const std::string name : {"docs/inner.txt", "docs/whatA.txt", "docs/whatB.txt"})
            WriteFile(Work("one/") + name, name);
        WriteFile(Work("two/docs/what?.txt"), "docs/what?.txt");
        WriteFile(Work("three/docs"), "docs");
        WriteFile(Work("four/*"), "*");
        ASSERT_EQ(Run("a -x1 " + Q(archive) + " " + Q(Work("one/")) + " docs/inner.txt docs/whatA.txt docs/whatB.txt"),
                  0);
        ASSERT_EQ(Run("a -x1 " + Q(archive) + " " + Q(Work("two/")) + " docs/what?.txt"), 0);
        ASSERT_EQ(Run("a " + Q(archive) + " " + Q(Work("three/")) + " docs"), 0);
        ASSERT_EQ(Run("a " + Q(archive) + " " + Q(Work("four/")) + " *"), 0);
        ASSERT_EQ(ListedPaths(archive), All());
    }
    static std::vector<std::string> All() {
        return {"docs/inner.txt", "docs/whatA.txt", "docs/whatB.txt", "docs/what?.txt", "docs", "*"};
    }
    static std::vector<std::string> AllBut(const std::vector<std::string>& gone) {
        std::vector<std::string> rest;
        for (const auto& name : All())
            if (std::find(gone.begin(), gone.end(), name) == gone.end())
                rest.push_back(name);
        return rest;
    }
    std::string Copy() {
        std::string copy = Work("copy.lzh");
        WriteFile(copy, ReadFile(archive));
        return copy;
    }
    std::vector<std::string> Extracted(const std::string& from, const std::string& names) {
        std::string dest = Work("dest-" + std::to_string(++extractions) + "/");
        EXPECT_EQ(Run("x " + Q(from) + " " + Q(dest) + " " + names), 0) << names;
        std::vector<std::string> out;
        for (const auto& f : FolderContents(dest)) {
            EXPECT_EQ(f.second, f.first);
            out.push_back(f.first);
        }
        return out;
    }
    int extractions = 0;
};

TEST_F(SelectionTest, RemovingAListedFileNameRemovesThatEntryAlone) {
    std::string copy = Copy();
    for (const std::string name : {"docs/what?.txt", "docs", "*"}) {
        WriteFile(copy, ReadFile(archive));
        ASSERT_EQ(Run("d " + Q(copy) + " " + Q(name)), 0) << name;
        EXPECT_EQ(ListedPaths(copy), AllBut({name})) << name;
        WriteFile(copy, ReadFile(archive));  // the same through a response file, as the component passes it
        WriteFile(Work("ArcResFile"), Q(name) + "\r\n");
        ASSERT_EQ(Run("d -jso0 " + Q(copy) + " " + Q("@" + Work("ArcResFile"))), 0) << name;
        EXPECT_EQ(ListedPaths(copy), AllBut({name})) << name;
    }

    // Emptying the archive the way the client does: list, then remove each listed name on its own.
    WriteFile(copy, ReadFile(archive));
    size_t left = All().size();
    for (const auto& name : ListedPaths(copy)) {
        ASSERT_EQ(Run("d " + Q(copy) + " " + Q(name)), 0) << name;
        if (--left > 0) {
            EXPECT_EQ(ListedPaths(copy).size(), left) << name;
        }
    }
    EXPECT_FALSE(FileExists(copy));
}

TEST_F(SelectionTest, FoldersAndMasksKeepSelectingWhatTheyCover) {
    std::string copy = Copy();
    ASSERT_EQ(Run("d " + Q(copy) + " docs/"), 0);
    EXPECT_EQ(ListedPaths(copy), (std::vector<std::string>{"docs", "*"}));
    WriteFile(copy, ReadFile(archive));
    ASSERT_EQ(Run("d " + Q(copy) + " docs/what*"), 0);
    EXPECT_EQ(ListedPaths(copy), (std::vector<std::string>{"docs/inner.txt", "docs", "*"}));
    WriteFile(copy, ReadFile(archive));
    ASSERT_EQ(Run("d " + Q(copy) + " docs/what?.tx?"), 0);  // no entry has this path: a mask
    EXPECT_EQ(ListedPaths(copy), (std::vector<std::string>{"docs/inner.txt", "docs", "*"}));
}

TEST_F(SelectionTest, ExtractingAndListingFollowTheSameRule) {
    EXPECT_EQ(Extracted(archive, Q("docs/what?.txt")), std::vector<std::string>{"docs/what?.txt"});
    EXPECT_EQ(Extracted(archive, "docs"), std::vector<std::string>{"docs"});
    EXPECT_EQ(Extracted(archive, "docs/what*").size(), 3u);
    // "*" and "*.*" spell the whole archive when reading, whatever an entry is called. (The file "docs"
    // goes first: no folder can hold both it and the folder "docs".)
    std::string copy = Copy();
    ASSERT_EQ(Run("d " + Q(copy) + " docs"), 0);
    std::vector<std::string> all = AllBut({"docs"});
    std::sort(all.begin(), all.end());
    EXPECT_EQ(Extracted(copy, ""), all);
    EXPECT_EQ(Extracted(copy, "*"), all);
    EXPECT_EQ(Extracted(copy, "*.*"), all);

    auto paths = [](const std::vector<tarvo::test::Listed>& listed) {
        std::vector<std::string> out;
        for (const auto& l : listed)
            out.push_back(l.path);
        return out;
    };
    EXPECT_EQ(paths(List(archive, "docs/what?.txt")), std::vector<std::string>{"docs/what?.txt"});
    EXPECT_EQ(paths(List(archive, "docs")), std::vector<std::string>{"docs"});
    EXPECT_EQ(paths(List(archive, "*")), All());
    EXPECT_EQ(paths(List(archive, "*.*")), All());
}

}  // namespace
