// Progress through the program's own message core: the library, loaded as "UNLHA32.DLL", finds the host's
// SendMessageA and RegisterWindowMessageA through the dynamic linker and sends "wm_arcextract" to a real
// window of the core, whose answer can cancel.
#include <gtest/gtest.h>

#include <vector>

#include "platform/rtl/SysUtils.h"
#include "platform/win/Messages.h"
#include "tests/platform/unlha32/LzhLibrary.h"

namespace {

struct Seen {
    win::WPARAM state;
    std::string dest;
};
std::vector<Seen> seen;
win::LRESULT answer = 0;

win::LRESULT OwnerProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    if (msg != win::RegisterWindowMessageA("wm_arcextract"))
        return win::DefWindowProcA(hwnd, msg, wParam, lParam);
    seen.push_back({wParam, reinterpret_cast<const ArcExtractingInfo*>(lParam)->DestFileName});
    return answer;
}

class OwnerWindowTest : public tarvo::test::LzhTest {
protected:
    void SetUp() override {
        LzhTest::SetUp();
        static const win::ATOM atom = [] {
            win::WNDCLASSA wc;
            wc.lpfnWndProc = &OwnerProc;
            wc.hInstance = win::GetModuleInstance();
            wc.lpszClassName = "Unlha32OwnerTest";
            return win::RegisterClassA(&wc);
        }();
        ASSERT_NE(atom, 0);
        owner = win::CreateWindowExA(0, "Unlha32OwnerTest", "", 0, 0, 0, 0, 0, 0, 0, win::GetModuleInstance(), nullptr);
        ASSERT_NE(owner, 0u);
        seen.clear();
        answer = 0;
        tarvo::test::WriteFile(Work("src/a.txt"), std::string(100000, 'a'));
    }
    void TearDown() override {
        tarvo::test::Unlha().killOwnerWindow(owner);
        win::DestroyWindow(owner);
        LzhTest::TearDown();
    }
    win::HWND owner = 0;
};

TEST_F(OwnerWindowTest, PackingReportsToTheOwnerAndItsAnswerCancels) {
    const auto& u = tarvo::test::Unlha();
    ASSERT_TRUE(u.setOwnerWindow(owner, nullptr));
    std::string archive = Work("o.lzh");
    ASSERT_EQ(Run("a \"" + archive + "\" \"" + Work("src/") + "\" a.txt"), 0);
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen.front().state, ARCEXTRACT_BEGIN);
    EXPECT_EQ(seen.front().dest, "a.txt");
    EXPECT_EQ(seen.back().state, ARCEXTRACT_END);

    std::string before = tarvo::test::ReadFile(archive);
    tarvo::test::WriteFile(Work("src/a.txt"), "changed");
    answer = 1;
    EXPECT_EQ(Run("a \"" + archive + "\" \"" + Work("src/") + "\" a.txt"), ARCERROR_CANCELLED);
    EXPECT_EQ(tarvo::test::ReadFile(archive), before);

    ASSERT_TRUE(u.killOwnerWindow(owner));
    seen.clear();
    EXPECT_EQ(Run("a \"" + archive + "\" \"" + Work("src/") + "\" a.txt"), 0);
    EXPECT_TRUE(seen.empty());
}

}  // namespace
