// Progress to the owner window: this test program plays the host, providing the SendMessageA and
// RegisterWindowMessageA that the library finds through the dynamic linker, and loads the library itself.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/ArchiverApi.h"
#include "platform/rtl/SysUtils.h"
#include "platform/unlha32/LhaError.h"
#include "tests/support/TestEnvironment.h"

namespace {

struct Sent {
    win::HWND wnd;
    win::UINT msg;
    win::WPARAM state;
    std::string source;
    std::string dest;
    uint64_t size;
    uint64_t done;
};
std::vector<Sent> sent;
int cancelAfter = -1;  // the message number whose answer cancels; -1 never
constexpr win::UINT kRegistered = 0xC321;
constexpr win::HWND kOwner = 0x4711;

win::LRESULT Record(win::HWND wnd, win::UINT msg, win::WPARAM state, const ArcExtractingInfo* info) {
    sent.push_back({wnd, msg, state, info->SourceFileName, info->DestFileName, info->FileSize64, info->WriteSize64});
    return static_cast<int>(sent.size()) == cancelAfter ? 1 : 0;
}

}  // namespace

extern "C" win::LRESULT SendMessageA(win::HWND wnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    return Record(wnd, msg, wParam, reinterpret_cast<const ArcExtractingInfo*>(lParam));
}

namespace win {
UINT RegisterWindowMessageA(const char* name) {
    return std::string(name) == "wm_arcextract" ? kRegistered : 0;
}
}  // namespace win

namespace {

class ProgressTest : public tarvo::test::TarvoTest {
protected:
    void SetUp() override {
        TarvoTest::SetUp();
        const char* folder = std::getenv("TARVO_LIBRARY_PATH");
        ASSERT_TRUE(folder);
        library = dlopen((std::string(folder) + "/libunlha32.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_TRUE(library) << dlerror();
        command = reinterpret_cast<ArcCommandProc>(dlsym(library, "Unlha"));
        setOwner = reinterpret_cast<ArcSetOwnerWindowExProc>(dlsym(library, "UnlhaSetOwnerWindowEx"));
        killOwner = reinterpret_cast<ArcKillOwnerWindowExProc>(dlsym(library, "UnlhaKillOwnerWindowEx"));
        sent.clear();
        cancelAfter = -1;
        src = sandbox().work + "src/";
        archive = sandbox().work + "p.lzh";
        tarvo::test::WriteFile(src + "one.txt", std::string(600000, 'o'));
        tarvo::test::WriteFile(src + "two.txt", "two");
    }
    void TearDown() override {
        if (killOwner)
            killOwner(0);
        if (library)
            dlclose(library);
        TarvoTest::TearDown();
    }
    int Run(const std::string& line) { return command(0, line.c_str(), nullptr, 0); }
    int Pack() { return Run("a \"" + archive + "\" \"" + src + "\" one.txt two.txt"); }

    void* library = nullptr;
    ArcCommandProc command = nullptr;
    ArcSetOwnerWindowExProc setOwner = nullptr;
    ArcKillOwnerWindowExProc killOwner = nullptr;
    std::string src, archive;
};

TEST_F(ProgressTest, NothingIsSentWithoutAnOwner) {
    ASSERT_EQ(Pack(), 0);
    EXPECT_TRUE(sent.empty());
}

TEST_F(ProgressTest, PackAndExtractReportEachEntryToTheOwner) {
    ASSERT_TRUE(setOwner(kOwner, nullptr));
    ASSERT_EQ(Pack(), 0);
    ASSERT_FALSE(sent.empty());
    for (const auto& s : sent) {
        EXPECT_EQ(s.wnd, kOwner);
        EXPECT_EQ(s.msg, kRegistered);
    }
    EXPECT_EQ(sent.front().state, ARCEXTRACT_BEGIN);
    EXPECT_EQ(sent.front().source, src + "one.txt");
    EXPECT_EQ(sent.front().dest, "one.txt");
    EXPECT_EQ(sent.front().size, 600000u);
    int ends = 0;
    for (const auto& s : sent)
        ends += s.state == ARCEXTRACT_END;
    EXPECT_EQ(ends, 2);
    EXPECT_EQ(sent[sent.size() - 2].done, 3u);  // the last entry's final count

    sent.clear();
    ASSERT_EQ(Run("x \"" + archive + "\" \"" + sandbox().work + "out/\""), 0);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front().state, ARCEXTRACT_OPEN);
    bool inProcess = false;
    for (const auto& s : sent)
        inProcess = inProcess || (s.state == ARCEXTRACT_INPROCESS && s.size == 600000u);
    EXPECT_TRUE(inProcess);

    ASSERT_TRUE(killOwner(kOwner));
    sent.clear();
    ASSERT_EQ(Pack(), 0);
    EXPECT_TRUE(sent.empty());
}

TEST_F(ProgressTest, ANonZeroAnswerCancelsAndLeavesTheArchiveAsItWas) {
    ASSERT_EQ(Run("a \"" + archive + "\" \"" + src + "\" two.txt"), 0);
    std::string before = tarvo::test::ReadFile(archive);
    ASSERT_TRUE(setOwner(kOwner, nullptr));
    cancelAfter = 2;
    EXPECT_EQ(Pack(), ARCERROR_CANCELLED);
    EXPECT_EQ(tarvo::test::ReadFile(archive), before);

    sent.clear();
    cancelAfter = 3;
    std::string out = sandbox().work + "out/";
    EXPECT_EQ(Run("x \"" + archive + "\" \"" + out + "\""), ARCERROR_CANCELLED);
    EXPECT_FALSE(FileExists(out + "two.txt"));
}

TEST_F(ProgressTest, ACallbackTakesThePlaceOfTheMessage) {
    static int calls;
    calls = 0;
    auto callback = [](win::HWND wnd, win::UINT msg, win::UINT, ArcExtractingInfo*) -> win::BOOL {
        EXPECT_EQ(wnd, kOwner);
        EXPECT_EQ(msg, kRegistered);
        return ++calls < 2 ? win::TRUE : win::FALSE;
    };
    ASSERT_TRUE(setOwner(kOwner, callback));
    EXPECT_EQ(Pack(), ARCERROR_CANCELLED);
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(sent.empty());
}

}  // namespace
