// The component's own file walk over real folder trees: recursion, hidden files, exclusions, the date window,
// relative names, progress and abort, and the files it must never list or open.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <ctime>

#include "ARCHIVES/FILTERS.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/SysUtils.h"
#include "tests/support/TestEnvironment.h"

namespace {

using tarvo::test::WriteFile;
using Names = std::vector<std::string>;

class FiltersTest : public tarvo::test::TarvoTest {
protected:
    void SetUp() override {
        TarvoTest::SetUp();
        base = sandbox().work + "base/";
        ForceDirectories(base);
    }

    void File(const std::string& relative) { WriteFile(base + relative, relative); }

    // Walks with a copy of options, as the pack does; the copy as the library would get it is kept in handedOn.
    Names Walk(TFileArgs files, const std::initializer_list<std::string>& neverPack = {}) {
        bool abort = false;
        handedOn = options;
        auto list = BuildFileList(handedOn, base, files, abort, progress, neverPack);
        return Names(list->begin(), list->end());
    }

    std::string base;
    TArchiverOptions options;
    TArchiverOptions handedOn;
    TFilterProgress progress;
};

TEST_F(FiltersTest, NoNamesMeansTheBaseFolderWithSubfoldersOnlyWhenRecursing) {
    File("a.txt");
    File("sub/b.txt");
    File("sub/deeper/c.txt");
    EXPECT_EQ(Walk({}), Names({"a.txt"}));
    options.r = 1;
    EXPECT_EQ(Walk({}), Names({"a.txt", "sub/b.txt", "sub/deeper/c.txt"}));
}

TEST_F(FiltersTest, AFolderNamedWithR2MeansEverythingUnderIt) {
    File("folder/b.txt");
    File("folder/sub/a.txt");
    File("outside.txt");
    options.r = 2;
    EXPECT_EQ(Walk({"folder"}), Names({"folder/b.txt", "folder/sub/a.txt"}));
    options.r = 0;
    EXPECT_EQ(Walk({"folder"}), Names());  // the file search yields no folders
}

TEST_F(FiltersTest, HiddenFilesNeedAButHiddenFoldersAreAlwaysEntered) {
    File("a.txt");
    File(".profile");
    File(".hid/x.txt");
    File(".hid/.y");
    options.r = 1;
    EXPECT_EQ(Walk({}), Names({".hid/x.txt", "a.txt"}));
    options.a = 1;
    EXPECT_EQ(Walk({}), Names({".hid/.y", ".hid/x.txt", ".profile", "a.txt"}));
}

TEST_F(FiltersTest, EmptyFoldersGiveNothingAndBlanksStay) {
    ForceDirectories(base + "empty dir/also empty");
    File("with blank/file name.txt");
    options.r = 2;
    EXPECT_EQ(Walk({"empty dir", "with blank"}), Names({"with blank/file name.txt"}));
}

TEST_F(FiltersTest, NamesThatDifferOnlyInCaseAreDifferentFiles) {
    File("A.txt");
    File("a.txt");
    EXPECT_EQ(Walk({}), Names({"A.txt", "a.txt"}));
    options.jx.Add("a.txt");
    EXPECT_EQ(Walk({}), Names({"A.txt"}));
}

TEST_F(FiltersTest, ExclusionsApplyAndANameFoundTwiceIsListedAndReportedOnce) {
    File("a.txt");
    File("a.bak");
    File("sub/b.bak");
    File("sub/b.txt");
    options.r = 1;
    options.jx.Add("*.bak");
    Names reported;
    progress = [&](int state, ArcExtractingInfo* info, bool&) {
        EXPECT_EQ(state, 0x805);
        reported.push_back(info->SourceFileName);
    };
    EXPECT_EQ(Walk({"*.txt", "a.txt", "a.bak"}), Names({"a.txt", "sub/b.txt"}));
    EXPECT_EQ(reported, Names({"a.txt", "sub/b.txt"}));
}

TEST_F(FiltersTest, OnlyRegularFilesAreListedAndSymlinkedFoldersAreNotEntered) {
    File("real.txt");
    File("sub/f.txt");
    ASSERT_EQ(symlink(".", (base + "sub/loop").c_str()), 0);
    ASSERT_EQ(symlink("..", (base + "sub/up").c_str()), 0);
    ASSERT_EQ(symlink("sub", (base + "dirlink").c_str()), 0);
    ASSERT_EQ(symlink("real.txt", (base + "link.txt").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", (base + "dangling").c_str()), 0);
    ASSERT_EQ(mkfifo((base + "fifo").c_str(), 0600), 0);  // opening it would block the pack for ever
    options.a = 1;
    options.r = 2;
    EXPECT_EQ(Walk({}), Names({"link.txt", "real.txt", "sub/f.txt"}));
    EXPECT_EQ(Walk({"fifo", "dangling"}), Names());
    // A file left out stays out under any name that leads to it.
    EXPECT_EQ(Walk({}, {base + "real.txt"}), Names({"sub/f.txt"}));
}

TEST_F(FiltersTest, WithPSubfoldersAreWalkedOnlyForWildcardPatterns) {
    File("f.txt");
    File("sub/f.txt");
    options.r = 1;
    EXPECT_EQ(Walk({"f.txt"}), Names({"f.txt", "sub/f.txt"}));
    options.p = 1;
    EXPECT_EQ(Walk({"f.txt"}), Names({"f.txt"}));
    EXPECT_EQ(Walk({"f.tx?"}), Names({"f.txt", "sub/f.txt"}));
}

TEST_F(FiltersTest, TheLibraryGetsExplicitNamesWithoutRecursionOrDateSwitches) {
    File("a.txt");
    options.r = 2;
    options.p = 0;
    options.jo = "20200101";
    options.job = "";
    options.jx.Add("*.bak");
    Walk({});
    EXPECT_EQ(handedOn.r, -1);
    EXPECT_EQ(handedOn.p, 1);
    EXPECT_EQ(handedOn.jo, SwitchUnset);
    EXPECT_EQ(handedOn.job, SwitchUnset);
    EXPECT_EQ(handedOn.jx.Count(), 1);
}

class DateWindowTest : public FiltersTest {
protected:
    void Stamp(const std::string& name, int year, int month, int day, int hour, int minute, int second) {
        std::tm tm{};
        tm.tm_year = year - 1900;
        tm.tm_mon = month - 1;
        tm.tm_mday = day;
        tm.tm_hour = hour;
        tm.tm_min = minute;
        tm.tm_sec = second;
        tm.tm_isdst = -1;
        SetTime(name, mktime(&tm));
    }
    void SetTime(const std::string& name, time_t t) {
        File(name);
        timespec times[2] = {{t, 0}, {t, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, (base + name).c_str(), times, 0), 0);
    }
    void SetUp() override {
        FiltersTest::SetUp();
        Stamp("dec31", 2025, 12, 31, 23, 59, 59);
        Stamp("jan01", 2026, 1, 1, 0, 0, 0);
        Stamp("jan31", 2026, 1, 31, 23, 59, 59);
        Stamp("feb01", 2026, 2, 1, 0, 0, 0);
        SetTime("zero", 0);
    }
};

TEST_F(DateWindowTest, BothEndsAreInclusiveInLocalTime) {
    options.jo = "20260101";
    EXPECT_EQ(Walk({}), Names({"feb01", "jan01", "jan31"}));
    options.jo = SwitchUnset;
    options.job = "20260131";
    EXPECT_EQ(Walk({}), Names({"dec31", "jan01", "jan31", "zero"}));
    options.jo = "20260101000000";
    options.job = "l260131235959";
    EXPECT_EQ(Walk({}), Names({"jan01", "jan31"}));
    options.jo = "l260101";
    options.job = "260131";
    EXPECT_EQ(Walk({}), Names({"jan01", "jan31"}));
}

TEST_F(DateWindowTest, TwoDigitYearsLieWithinFiftyYearsOfNow) {
    int year, month, day;
    DecodeDate(Date(), year, month, day);
    std::string old = std::to_string((year - 49) % 100);  // the earliest year the window gives
    if (old.size() < 2)
        old = "0" + old;
    options.jo = old + "0101";
    EXPECT_EQ(Walk({}), Names({"dec31", "feb01", "jan01", "jan31"}));
    std::string ahead = std::to_string((year + 49) % 100);
    if (ahead.size() < 2)
        ahead = "0" + ahead;
    options.jo = ahead + "0101";
    EXPECT_EQ(Walk({}), Names());
}

TEST_F(DateWindowTest, AnImpossibleDateFailsThePackAndRestoresTheFolder) {
    std::string before = GetCurrentDir();
    for (const char* bad : {"26x101", "20261301", "20260230", "260101250000"}) {
        options.jo = bad;
        EXPECT_THROW(Walk({}), EConvertError) << bad;
        EXPECT_EQ(GetCurrentDir(), before);
    }
    options.jo = "1";  // not a date text at all: no bound
    EXPECT_EQ(Walk({}).size(), 5u);
}

TEST_F(FiltersTest, TheBaseFolderIsCurrentOnlyDuringTheCall) {
    std::string before = GetCurrentDir();
    std::string seen;
    File("a.txt");
    progress = [&](int, ArcExtractingInfo*, bool&) { seen = GetCurrentDir(); };
    Walk({});
    EXPECT_EQ(IncludeTrailingPathDelimiter(seen), base);
    EXPECT_EQ(GetCurrentDir(), before);
    bool abort = false;
    EXPECT_THROW(BuildFileList(options, sandbox().work + "missing", {}, abort, progress, {}), EInOutError);
    EXPECT_EQ(GetCurrentDir(), before);
}

TEST_F(FiltersTest, NamesRelativeToTheBaseWithJfMinus2) {
    File("sub/f.txt");
    WriteFile(sandbox().work + "other/g.txt", "g");
    options.jf = -2;
    EXPECT_EQ(Walk({base + "sub/f.txt", sandbox().work + "other/g.txt"}), Names({"../other/g.txt", "sub/f.txt"}));
    base.pop_back();  // without the final "/", the base counts from its parent
    EXPECT_EQ(Walk({base + "/sub/f.txt"}), Names({"base/sub/f.txt"}));
    options.jf = -1;
    EXPECT_EQ(Walk({base + "/sub/f.txt"}), Names({base + "/sub/f.txt"}));
}

TEST_F(FiltersTest, AbortEndsTheWalkWithWhatWasFound) {
    for (const char* name : {"a", "b", "c", "d"})
        File(name);
    progress = [](int, ArcExtractingInfo*, bool& abort) { abort = true; };
    bool abort = false;
    auto list = BuildFileList(options, base, {}, abort, progress, {});
    EXPECT_TRUE(abort);
    EXPECT_EQ(list->Count(), 1);
}

TEST_F(FiltersTest, LongNamesAreCutInTheProgressRecordAtACharacterBoundary) {
    std::string part;
    for (int i = 0; i < 80; ++i)
        part += "あ";  // 240 bytes
    std::string name = "d/" + part + "/" + part + "/" + part + ".txt";
    File(name);
    std::string reported;
    progress = [&](int, ArcExtractingInfo* info, bool&) {
        reported.assign(info->SourceFileName, strnlen(info->SourceFileName, sizeof info->SourceFileName));
    };
    options.r = 2;
    EXPECT_EQ(Walk({"d"}), Names({name}));
    EXPECT_EQ(reported.size(), 511u);  // 512 would split the last character
    EXPECT_EQ(name.compare(0, reported.size(), reported), 0);
}

}  // namespace
