// Queues of several threads: posts and sends across threads, waking a waiting thread, threads that end.
#include <gmock/gmock.h>
#include <poll.h>
#include <unistd.h>

#include <future>
#include <string>
#include <thread>
#include <vector>

#include "tests/platform/MessageCoreFixture.h"

namespace {

using namespace win;
using tarvo::test::MessageCoreTest;
using tarvo::test::TestWindow;
using tarvo::test::WaitUntilAsleep;
using tarvo::test::Worker;
using ::testing::ElementsAre;

using ThreadTest = MessageCoreTest;

// Long enough never to end a wait that works; it only keeps a broken one from hanging the run.
constexpr DWORD kLongWait = 60000;

TEST_F(ThreadTest, PostsFromAnotherThreadReachTheOwnersQueueInOrder) {
    Worker worker;
    std::unique_ptr<TestWindow> w;
    std::vector<WPARAM> got;
    DWORD handledOn = 0;
    worker.Run([&] {
        w = std::make_unique<TestWindow>([&](HWND, UINT msg, WPARAM wParam, LPARAM) -> LRESULT {
            if (msg != WM_USER)
                return 0;
            got.push_back(wParam);
            handledOn = GetCurrentThreadId();
            return 0;
        });
    });
    ASSERT_NE(w->hwnd(), 0u);
    EXPECT_EQ(GetWindowThreadProcessId(w->hwnd(), nullptr), worker.id());
    std::vector<WPARAM> sent;
    for (WPARAM i = 0; i < 50; ++i) {
        ASSERT_TRUE(PostMessageA(w->hwnd(), WM_USER, i, 0));
        sent.push_back(i);
    }
    worker.Run([] {});  // queued behind the posts
    EXPECT_EQ(got, sent);
    EXPECT_EQ(handledOn, worker.id());

    EXPECT_FALSE(DestroyWindow(w->hwnd()));  // only its own thread may
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    worker.Run([&] { w.reset(); });
}

TEST_F(ThreadTest, WhenAThreadEndsItsWindowsQueueAndWatchesGoWithIt) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    HWND hwnd = 0;
    DWORD id = 0;
    FdWatchId watch = 0;
    std::thread([&] {
        id = GetCurrentThreadId();
        hwnd = AllocateHWnd([](TMessage&) {});
        SetTimer(hwnd, 1, 100, nullptr);
        PostMessageA(hwnd, WM_USER, 0, 0);
        watch = WatchFd(id, fds[0], POLLIN, [](short) {});
    }).join();
    ASSERT_NE(hwnd, 0u);
    ASSERT_NE(watch, 0u);
    EXPECT_FALSE(IsWindow(hwnd));
    SetLastError(0);
    EXPECT_FALSE(PostMessageA(hwnd, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(PostThreadMessageA(id, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_THREAD_ID);
    EXPECT_EQ(WatchFd(id, fds[0], POLLIN, [](short) {}), 0u);
    SetFdWatchEvents(watch, POLLIN);
    UnwatchFd(watch);
    close(fds[0]);
    close(fds[1]);
}

TEST_F(ThreadTest, ASentMessageIsHandledAheadOfPostedOnesWhileTheCallerWaits) {
    constexpr UINT kRelease = WM_APP + 5;
    Worker worker;
    std::unique_ptr<TestWindow> w;
    std::vector<std::string> log;
    std::promise<void> holding;
    worker.Run([&] {
        w = std::make_unique<TestWindow>([&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
            if (msg == WM_USER) {
                log.push_back("hold");
                holding.set_value();
                MSG release;
                GetMessageA(&release, 0, kRelease, kRelease);  // handles sent messages, leaves posted ones
                log.push_back("released");
            } else if (msg == WM_USER + 1) {
                log.push_back("posted");
            } else if (msg == WM_USER + 2) {
                log.push_back("sent");
                return 42;
            }
            return 0;
        });
    });
    ASSERT_TRUE(PostMessageA(w->hwnd(), WM_USER, 0, 0));
    ASSERT_EQ(holding.get_future().wait_for(std::chrono::seconds(60)), std::future_status::ready);
    ASSERT_TRUE(PostMessageA(w->hwnd(), WM_USER + 1, 0, 0));
    EXPECT_EQ(SendMessageA(w->hwnd(), WM_USER + 2, 0, 0), 42);
    ASSERT_TRUE(PostThreadMessageA(worker.id(), kRelease, 0, 0));
    worker.Run([&] { w.reset(); });
    EXPECT_THAT(log, ElementsAre("hold", "sent", "released", "posted"));
}

TEST_F(ThreadTest, TwoThreadsSendingToEachOtherDoNotLockUp) {
    Worker worker;
    TestWindow mine([](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT { return msg == WM_USER ? 7 : 0; });
    std::unique_ptr<TestWindow> theirs;
    worker.Run([&] {
        theirs = std::make_unique<TestWindow>([back = mine.hwnd()](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
            return msg == WM_USER ? SendMessageA(back, WM_USER, 0, 0) + 1 : 0;
        });
    });
    EXPECT_EQ(SendMessageA(theirs->hwnd(), WM_USER, 0, 0), 8);
    worker.Run([&] { theirs.reset(); });
}

TEST_F(ThreadTest, ASendToAThreadThatEndsWithoutPumpingReturnsZero) {
    std::promise<HWND> created;
    std::promise<void> release;
    std::thread owner([&] {
        created.set_value(AllocateHWnd([](TMessage& m) { m.Result = 1; }));
        release.get_future().wait_for(std::chrono::seconds(60));
    });
    HWND hwnd = created.get_future().get();
    std::promise<pid_t> senderTid;
    LRESULT result = -1;
    std::thread sender([&] {
        senderTid.set_value(gettid());
        result = SendMessageA(hwnd, WM_USER, 0, 0);
    });
    WaitUntilAsleep(senderTid.get_future().get());
    release.set_value();
    owner.join();
    sender.join();
    EXPECT_EQ(result, 0);
}

TEST_F(ThreadTest, InputFromAnotherThreadWakesABlockedWait) {
    const DWORD me = GetCurrentThreadId();
    const pid_t tid = gettid();
    MSG msg;
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(MsgWaitForMultipleObjects(1, nullptr, FALSE, 0, QS_ALLINPUT), WAIT_FAILED);

    std::thread poster([&] {
        WaitUntilAsleep(tid);
        PostThreadMessageA(me, WM_APP, 9, 0);
    });
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, kLongWait, QS_ALLINPUT), WAIT_OBJECT_0);
    poster.join();
    ASSERT_TRUE(PeekMessageA(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 9u);

    // A watched descriptor that becomes ready: its handler runs on this thread and posts.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    DWORD handledOn = 0;
    auto onReady = [&](short) {
        char c;
        EXPECT_EQ(read(fds[0], &c, 1), 1);
        handledOn = GetCurrentThreadId();
        PostMessageA(0, WM_APP + 1, 0, 0);
    };
    FdWatchId watch = WatchFd(me, fds[0], POLLIN, onReady);
    std::thread writer([&] {
        WaitUntilAsleep(tid);
        EXPECT_EQ(write(fds[1], "x", 1), 1);
    });
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, kLongWait, QS_ALLINPUT), WAIT_OBJECT_0);
    writer.join();
    EXPECT_EQ(handledOn, me);
    ASSERT_TRUE(PeekMessageA(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_APP + 1);
    UnwatchFd(watch);

    // A watch added from another thread on a descriptor that is ready already.
    ASSERT_EQ(write(fds[1], "y", 1), 1);
    handledOn = 0;
    std::thread watcher([&] {
        WaitUntilAsleep(tid);
        watch = WatchFd(me, fds[0], POLLIN, onReady);
    });
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, kLongWait, QS_ALLINPUT), WAIT_OBJECT_0);
    watcher.join();
    EXPECT_EQ(handledOn, me);
    UnwatchFd(watch);
    close(fds[0]);
    close(fds[1]);
}

}  // namespace
