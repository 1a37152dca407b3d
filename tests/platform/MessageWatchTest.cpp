// Descriptor watches: pausing, closed descriptors and unwatching while a handler runs.
#include <gmock/gmock.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include "tests/platform/MessageCoreFixture.h"

namespace {

using namespace win;
using tarvo::test::MessageCoreTest;
using tarvo::test::WaitUntilAsleep;
using tarvo::test::Worker;

using WatchTest = MessageCoreTest;

struct Pipe {
    int fds[2] = {-1, -1};
    Pipe() { EXPECT_EQ(pipe(fds), 0); }
    ~Pipe() {
        for (int fd : fds) {
            if (fd >= 0)
                close(fd);
        }
    }
    int in() const { return fds[0]; }
    void Put() const { EXPECT_EQ(write(fds[1], "x", 1), 1); }
};

TEST_F(WatchTest, AHandlerMayUnwatchItselfAndOthersThatAreReadyToo) {
    Pipe a, b;
    a.Put();
    b.Put();
    int ranA = 0;
    int ranB = 0;
    FdWatchId watchA = 0;
    FdWatchId watchB = 0;
    watchA = WatchFd(GetCurrentThreadId(), a.in(), POLLIN, [&](short) {
        ++ranA;
        UnwatchFd(watchA);
        UnwatchFd(watchB);  // ready in the same poll, yet it must not run now
    });
    watchB = WatchFd(GetCurrentThreadId(), b.in(), POLLIN, [&](short) { ++ranB; });
    PollInputs();
    PollInputs();
    EXPECT_EQ(ranA, 1);
    EXPECT_EQ(ranB, 0);
}

TEST_F(WatchTest, APausedWatchWaitsAndAClosedDescriptorIsReportedOnce) {
    Pipe p;
    p.Put();
    int ran = 0;
    short last = 0;
    FdWatchId watch = WatchFd(GetCurrentThreadId(), p.in(), POLLIN, [&](short revents) {
        ++ran;
        last = revents;
    });
    SetFdWatchEvents(watch, 0);
    PollInputs();
    EXPECT_EQ(ran, 0);
    SetFdWatchEvents(watch, POLLIN);
    PollInputs();
    EXPECT_EQ(ran, 1);
    EXPECT_TRUE(last & POLLIN);

    close(p.fds[0]);
    p.fds[0] = -1;
    PollInputs();
    PollInputs();
    EXPECT_EQ(ran, 2);
    EXPECT_TRUE(last & POLLNVAL);
    UnwatchFd(watch);
}

TEST_F(WatchTest, UnwatchingFromAnotherThreadWaitsForTheRunningHandler) {
    Worker worker;
    Pipe p;
    std::promise<void> entered;
    std::mutex mutex;
    std::condition_variable changed;
    bool released = false;
    bool unwatchReturned = false;
    bool returnedWhileRunning = false;
    std::atomic<int> ran{0};
    FdWatchId watch = WatchFd(worker.id(), p.in(), POLLIN, [&](short) {
        if (++ran > 1)
            return;
        entered.set_value();
        char c;
        EXPECT_EQ(read(p.in(), &c, 1), 1);
        // Held until released, unless UnwatchFd returns first, which it must not.
        std::unique_lock lock(mutex);
        changed.wait_for(lock, std::chrono::seconds(60), [&] { return released || unwatchReturned; });
        returnedWhileRunning = unwatchReturned;
    });
    ASSERT_NE(watch, 0u);
    p.Put();  // the worker's loop wakes up and runs the handler
    ASSERT_EQ(entered.get_future().wait_for(std::chrono::seconds(60)), std::future_status::ready);

    std::promise<pid_t> unwatcherTid;
    std::thread unwatcher([&] {
        unwatcherTid.set_value(gettid());
        UnwatchFd(watch);
        std::lock_guard lock(mutex);
        unwatchReturned = true;
        changed.notify_all();
    });
    WaitUntilAsleep(unwatcherTid.get_future().get());
    {
        std::lock_guard lock(mutex);
        released = true;
        changed.notify_all();
    }
    unwatcher.join();
    EXPECT_FALSE(returnedWhileRunning);

    p.Put();
    worker.Run([] { PollInputs(); });
    EXPECT_EQ(ran, 1);
}

}  // namespace
