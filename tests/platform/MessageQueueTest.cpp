// Order, filters and the application loop on one thread's queue.
#include <gmock/gmock.h>
#include <poll.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "tests/platform/MessageCoreFixture.h"

namespace {

using namespace win;
using tarvo::test::MessageCoreTest;
using tarvo::test::TestWindow;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

using QueueTest = MessageCoreTest;

TEST_F(QueueTest, PostedMessagesComeInOrderAndFiltersTakeTheirOwn) {
    std::vector<std::string> log;
    auto record = [&log](std::string name) {
        return [&log, name](HWND, UINT msg, WPARAM wParam, LPARAM) -> LRESULT {
            if (msg >= WM_USER)
                log.push_back(name + std::to_string(wParam));
            return 0;
        };
    };
    TestWindow a(record("a"));
    TestWindow b(record("b"));
    ASSERT_TRUE(PostMessageA(a.hwnd(), WM_USER, 1, 0));
    ASSERT_TRUE(PostMessageA(b.hwnd(), WM_USER + 1, 2, 0));
    ASSERT_TRUE(PostMessageA(a.hwnd(), WM_USER + 2, 3, 0));
    ASSERT_TRUE(PostMessageA(0, WM_APP, 4, 0));  // to the thread, no window
    ASSERT_TRUE(PostMessageA(a.hwnd(), WM_USER + 3, 5, 0));

    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, b.hwnd(), 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 2u);
    EXPECT_FALSE(PeekMessageA(&msg, b.hwnd(), 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, 0, WM_APP, WM_APP, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, 0u);
    EXPECT_EQ(msg.wParam, 4u);
    ASSERT_TRUE(PeekMessageA(&msg, 0, WM_USER + 2, WM_USER + 9, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, 3u);
    ASSERT_EQ(GetMessageA(&msg, a.hwnd(), WM_USER + 3, WM_USER + 3), TRUE);
    EXPECT_EQ(msg.wParam, 5u);

    Application::ProcessMessages();
    EXPECT_THAT(log, ElementsAre("a1", "a3"));
    EXPECT_FALSE(PeekMessageA(&msg, 0, 0, 0, PM_NOREMOVE));
}

TEST_F(QueueTest, ADestroyedWindowTakesItsQueuedMessagesAlong) {
    std::vector<UINT> seen;
    TestWindow w([&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        seen.push_back(msg);
        return 0;
    });
    HWND hwnd = w.hwnd();
    ASSERT_TRUE(PostMessageA(hwnd, WM_USER, 0, 0));
    ASSERT_TRUE(PostMessageA(hwnd, WM_USER + 1, 0, 0));
    seen.clear();
    ASSERT_TRUE(DestroyWindow(hwnd));
    EXPECT_FALSE(IsWindow(hwnd));

    SetLastError(0);
    EXPECT_FALSE(PostMessageA(hwnd, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    SetLastError(0);
    EXPECT_EQ(SendMessageA(hwnd, WM_USER, 0, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, hwnd, 0, 0), -1);
    EXPECT_FALSE(DestroyWindow(hwnd));

    Application::ProcessMessages();
    EXPECT_THAT(seen, ElementsAre(WM_DESTROY));
}

TEST_F(QueueTest, ProcessMessagesRunsWhatIsPostedMeanwhileAlsoWhenNested) {
    std::vector<std::string> log;
    TestWindow w([&](HWND hwnd, UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_USER) {
            log.push_back("outer begins");
            PostMessageA(hwnd, WM_USER + 1, 0, 0);
            Application::ProcessMessages();
            log.push_back("outer ends");
            PostMessageA(hwnd, WM_USER + 2, 0, 0);
        } else if (msg == WM_USER + 1) {
            log.push_back("inner");
            PostMessageA(hwnd, WM_USER + 3, 0, 0);
        } else if (msg == WM_USER + 2) {
            log.push_back("posted by outer");
        } else if (msg == WM_USER + 3) {
            log.push_back("posted by inner");
        }
        return 0;
    });
    PostMessageA(w.hwnd(), WM_USER, 0, 0);
    Application::ProcessMessages();
    EXPECT_THAT(log, ElementsAre("outer begins", "inner", "posted by inner", "outer ends", "posted by outer"));
}

TEST_F(QueueTest, AMessageThatRepostsItselfDoesNotStarveADescriptor) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    bool readable = false;
    FdWatchId watch = WatchFd(GetCurrentThreadId(), fds[0], POLLIN, [&](short revents) {
        char c;
        readable = (revents & POLLIN) && read(fds[0], &c, 1) == 1;
    });
    ASSERT_NE(watch, 0u);
    int reposts = 0;
    TestWindow w([&](HWND hwnd, UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg != WM_USER || readable || ++reposts >= 1000)
            return 0;
        if (reposts == 3) {
            EXPECT_EQ(write(fds[1], "x", 1), 1);  // becomes readable in the middle of the chain
        }
        PostMessageA(hwnd, WM_USER, 0, 0);
        return 0;
    });

    PostMessageA(w.hwnd(), WM_USER, 0, 0);
    Application::ProcessMessages();
    EXPECT_TRUE(readable);
    EXPECT_LT(reposts, 1000);

    // A bare retrieval loop, as a socket's own pump runs, sees the descriptor too.
    readable = false;
    reposts = 0;
    PostMessageA(w.hwnd(), WM_USER, 0, 0);
    MSG msg;
    for (int i = 0; i < 2000 && PeekMessageA(&msg, 0, 0, 0, PM_REMOVE); ++i)
        DispatchMessageA(&msg);
    EXPECT_TRUE(readable);
    EXPECT_LT(reposts, 1000);

    UnwatchFd(watch);
    close(fds[0]);
    close(fds[1]);
}

TEST_F(QueueTest, QuitEndsTheLoopWithoutBeingDispatched) {
    std::vector<UINT> seen;
    TestWindow w([&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg >= WM_USER)
            seen.push_back(msg);
        if (msg == WM_USER + 1)
            Application::Terminate();
        return 0;
    });
    MSG msg;
    PostQuitMessage(7);
    EXPECT_FALSE(PeekMessageA(&msg, w.hwnd(), 0, 0, PM_NOREMOVE));  // WM_QUIT has no window
    EXPECT_EQ(GetMessageA(&msg, 0, 0, 0), FALSE);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 7u);

    PostQuitMessage(0);
    Application::ProcessMessages();
    EXPECT_TRUE(Application::Terminated());
    Application::ResetTerminated();
    EXPECT_FALSE(Application::Terminated());

    PostMessageA(w.hwnd(), WM_USER, 0, 0);
    PostMessageA(w.hwnd(), WM_USER + 1, 0, 0);
    PostMessageA(w.hwnd(), WM_USER + 2, 0, 0);
    Application::Run();  // Terminate inside the second message ends it at once
    EXPECT_THAT(seen, ElementsAre(WM_USER, WM_USER + 1));
    EXPECT_TRUE(Application::Terminated());

    Application::ResetTerminated();  // also drops the WM_QUIT that Terminate queued
    Application::ProcessMessages();
    EXPECT_THAT(seen, ElementsAre(WM_USER, WM_USER + 1, WM_USER + 2));
    EXPECT_FALSE(Application::Terminated());
}

TEST_F(QueueTest, ExceptionsFromProceduresGoToTheApplicationHandler) {
    std::vector<std::string> caught;
    Application::SetExceptionHandler([&](const std::exception& e) { caught.push_back(e.what()); });
    TestWindow w([&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_USER)
            throw Exception("posted failure");
        if (msg == WM_USER + 1)
            throw EAbort("silent");
        if (msg == WM_USER + 2)
            throw 42;
        if (msg == WM_USER + 3)
            throw Exception("sent failure");
        return 1;
    });
    PostMessageA(w.hwnd(), WM_USER, 0, 0);
    PostMessageA(w.hwnd(), WM_USER + 1, 0, 0);
    PostMessageA(w.hwnd(), WM_USER + 2, 0, 0);
    Application::ProcessMessages();
    EXPECT_EQ(SendMessageA(w.hwnd(), WM_USER + 3, 0, 0), 0);
    EXPECT_EQ(SendMessageA(w.hwnd(), WM_USER + 4, 0, 0), 1);
    EXPECT_THAT(caught, ElementsAre("posted failure", "Exception of an unknown type", "sent failure"));

    // A handler that throws does not take the loop down; without a handler the text goes to stderr.
    Application::SetExceptionHandler([](const std::exception&) { throw Exception("handler failed"); });
    ::testing::internal::CaptureStderr();
    PostMessageA(w.hwnd(), WM_USER, 0, 0);
    Application::ProcessMessages();
    Application::SetExceptionHandler(nullptr);
    PostMessageA(w.hwnd(), WM_USER + 3, 0, 0);
    Application::ProcessMessages();
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_THAT(err, HasSubstr("handler failed"));
    EXPECT_THAT(err, HasSubstr("sent failure"));
}

}  // namespace
