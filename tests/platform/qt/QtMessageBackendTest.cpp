// The Qt backend from Qt's side: the queue is drained from Qt's own loop, and the message core's waits keep
// Qt's events going. Every loop here is bounded by a guard timer; none of the results depends on timing.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/qt/QtMessageBackend.h"
#include "platform/win/MessageLoop.h"

namespace {

using namespace win;

constexpr UINT kPing = WM_APP + 1;
constexpr UINT kRepost = WM_APP + 2;
constexpr int kGuardMs = 20000;

class QtBackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        InstallQtMessageBackend();
        window = AllocateHWnd([this](TMessage& m) {
            if (onMessage)
                onMessage(m);
        });
        ASSERT_NE(window, 0u);
    }
    void TearDown() override {
        DeallocateHWnd(window);
        MSG msg;
        for (int i = 0; i < 100000 && PeekMessageA(&msg, 0, 0, 0, PM_REMOVE); ++i) {
        }
        Application::ResetTerminated();
    }

    // Runs a Qt event loop until quit, or the guard ends it; returns the loop's exit code (-1 for the guard).
    int RunQtLoop() {
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &loop, [this] { loop.exit(-1); });
        guard.start(kGuardMs);
        return loop.exec();
    }

    HWND window = 0;
    std::function<void(TMessage&)> onMessage;
    QEventLoop loop;
};

TEST_F(QtBackendTest, PostedMessagesAndTimersAreDispatchedFromQtsLoop) {
    std::string trace;
    onMessage = [&](TMessage& m) {
        if (m.Msg == kPing)
            trace += "ping ";
        if (m.Msg == WM_TIMER) {
            trace += "timer ";
            KillTimer(window, 1);
            loop.exit(0);
        }
    };
    PostMessageA(window, kPing, 0, 0);
    ASSERT_NE(SetTimer(window, 1, 20, nullptr), 0u);
    EXPECT_EQ(RunQtLoop(), 0);
    EXPECT_EQ(trace, "ping timer ");
}

TEST_F(QtBackendTest, AWatchedDescriptorWakesQtsLoop) {
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC | O_NONBLOCK), 0);
    std::string got;
    FdWatchId id = WatchFd(GetCurrentThreadId(), fds[0], POLLIN, [&](short revents) {
        char c;
        if ((revents & POLLIN) && read(fds[0], &c, 1) == 1)
            got += c;
        PostMessageA(window, kPing, 0, 0);
    });
    ASSERT_NE(id, 0u);
    onMessage = [&](TMessage& m) {
        if (m.Msg == kPing)
            loop.exit(0);
    };
    std::thread writer([&] { ASSERT_EQ(write(fds[1], "x", 1), 1); });
    EXPECT_EQ(RunQtLoop(), 0);
    writer.join();
    EXPECT_EQ(got, "x");
    UnwatchFd(id);
    close(fds[0]);
    close(fds[1]);
}

TEST_F(QtBackendTest, AQuitMessageEndsQtsLoopWithItsCode) {
    PostQuitMessage(7);
    EXPECT_EQ(RunQtLoop(), 7);
}

TEST_F(QtBackendTest, ASendFromAnotherThreadIsHandledWhileQtsLoopRuns) {
    onMessage = [&](TMessage& m) {
        if (m.Msg == kPing)
            m.Result = 42;
    };
    std::atomic<LRESULT> result{0};
    std::thread sender([&] {
        result = SendMessageA(window, kPing, 0, 0);
        QMetaObject::invokeMethod(
            &loop, [this] { loop.exit(0); }, Qt::QueuedConnection);
    });
    EXPECT_EQ(RunQtLoop(), 0);
    sender.join();
    EXPECT_EQ(result, 42);
}

TEST_F(QtBackendTest, AMessageThatRepostsItselfLeavesQtItsTurn) {
    int reposts = 0;
    onMessage = [&](TMessage& m) {
        if (m.Msg == kRepost && ++reposts < 1000000)
            PostMessageA(window, kRepost, 0, 0);
    };
    PostMessageA(window, kRepost, 0, 0);
    QTimer::singleShot(0, &loop, [this] { loop.exit(0); });
    EXPECT_EQ(RunQtLoop(), 0);
    EXPECT_GT(reposts, 0);
    EXPECT_LT(reposts, 1000000);
}

TEST_F(QtBackendTest, ABlockingWaitKeepsQtsTimersRunning) {
    // A Qt timer posts the message the wait is waiting for: it can only fire while the wait runs Qt's events.
    bool fired = false;
    QTimer::singleShot(10, [&] {
        fired = true;
        PostMessageA(window, kPing, 0, 0);
    });
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, kGuardMs, QS_ALLINPUT), WAIT_OBJECT_0);
    EXPECT_TRUE(fired);
}

TEST_F(QtBackendTest, ProcessMessagesRunsQtsPendingEvents) {
    bool ran = false;
    QMetaObject::invokeMethod(
        qApp, [&] { ran = true; }, Qt::QueuedConnection);
    Application::ProcessMessages();
    EXPECT_TRUE(ran);
}

TEST_F(QtBackendTest, AModalLoopOpenedDuringAWaitStillGetsTheQueueDrained) {
    // As a message box opened while a blocking call waits: its own loop must see the queue, or it never ends.
    bool handledInside = false;
    QEventLoop modal;
    onMessage = [&](TMessage& m) {
        if (m.Msg != kPing)
            return;
        handledInside = modal.isRunning();
        modal.exit(0);
    };
    int modalResult = -2;
    QTimer::singleShot(0, [&] {
        QTimer guard;
        QObject::connect(&guard, &QTimer::timeout, &modal, [&] { modal.exit(-1); });
        guard.start(kGuardMs);
        PostMessageA(window, kPing, 0, 0);
        modalResult = modal.exec();
        PostMessageA(window, WM_NULL, 0, 0);  // ends the outer wait below
    });
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, kGuardMs, QS_ALLINPUT), WAIT_OBJECT_0);
    EXPECT_EQ(modalResult, 0);
    EXPECT_TRUE(handledInside);
}

}  // namespace
