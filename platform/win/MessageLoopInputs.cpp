// Inputs of a thread's queue besides posts: descriptor watches and timers, the clock they run on, and the
// backend the thread waits in.
#include <poll.h>

#include <algorithm>
#include <chrono>

#include "platform/win/MessagesCore.h"
#include "platform/win/PollBackend.h"

namespace win {

using detail::Core;
using detail::FdWatch;
using detail::TheCore;
using detail::ThreadState;

namespace {

class SteadyClock final : public Clock {
public:
    uint64_t NowMs() override {
        auto now = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    }
};

struct ClockSlot {
    std::mutex mutex;
    std::shared_ptr<Clock> clock = std::make_shared<SteadyClock>();
};

ClockSlot& TheClock() {
    static ClockSlot* slot = new ClockSlot;  // read by threads that may outlive static destruction
    return *slot;
}

// Marks the watch as running when it is still wanted for these revents; false when it is not.
bool StartHandlerLocked(FdWatch& w, short& revents) {
    if (w.removed || w.events == 0)
        return false;
    revents &= static_cast<short>(w.events | POLLERR | POLLHUP | POLLNVAL);
    if (revents == 0)
        return false;
    if (revents & POLLNVAL)
        w.events = 0;  // a closed descriptor never becomes ready again
    w.running = true;
    return true;
}

void RunReadyWatches(ThreadState& t) {
    Core& core = TheCore();
    std::vector<std::shared_ptr<FdWatch>> active;  // keeps each handler alive while it runs
    std::vector<pollfd> fds;
    {
        std::lock_guard lock(core.mutex);
        for (const auto& w : t.watches) {
            if (w->events == 0)
                continue;
            active.push_back(w);
            fds.push_back({w->fd, w->events, 0});
        }
    }
    if (fds.empty() || ::poll(fds.data(), fds.size(), 0) <= 0)
        return;
    for (size_t i = 0; i < fds.size(); ++i) {
        FdWatch& w = *active[i];
        short revents = fds[i].revents;
        if (revents == 0)
            continue;
        {
            std::lock_guard lock(core.mutex);
            if (!StartHandlerLocked(w, revents))
                continue;
        }
        try {
            w.handler(revents);
        } catch (...) {
            Application::HandleException(std::current_exception());
        }
        std::lock_guard lock(core.mutex);
        w.running = false;
        if (w.waiter)
            w.waiter->cv.notify_all();
    }
}

}  // namespace

FdWatchId WatchFd(DWORD threadId, int fd, short events, FdReadyHandler onReady) {
    if (fd < 0 || !onReady) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Core& core = TheCore();
    auto w = std::make_shared<FdWatch>();
    w->fd = fd;
    w->events = events;
    w->handler = std::move(onReady);
    std::lock_guard lock(core.mutex);
    auto owner = core.threads.find(threadId);
    if (owner == core.threads.end()) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return 0;
    }
    w->id = core.nextWatchId++;
    w->owner = owner->second.get();
    owner->second->watches.push_back(w);
    core.watches.emplace(w->id, w);
    detail::InputsChangedLocked(*w->owner);
    return w->id;
}

void SetFdWatchEvents(FdWatchId id, short events) {
    Core& core = TheCore();
    std::lock_guard lock(core.mutex);
    auto it = core.watches.find(id);
    if (it == core.watches.end())
        return;
    it->second->events = events;
    detail::InputsChangedLocked(*it->second->owner);
}

void UnwatchFd(FdWatchId id) {
    ThreadState& me = detail::CurrentThread();
    Core& core = TheCore();
    std::shared_ptr<FdWatch> w;  // outlives the lock: the handler may be freed with it
    std::unique_lock lock(core.mutex);
    auto it = core.watches.find(id);
    if (it == core.watches.end())
        return;
    w = it->second;
    core.watches.erase(it);
    w->removed = true;
    std::erase(w->owner->watches, w);
    detail::InputsChangedLocked(*w->owner);
    // On the watch's own thread a running handler is below us on the stack: it cannot be waited for.
    if (w->owner == &me)
        return;
    w->waiter = &me;
    detail::WaitHandlingSent(me, lock, [&] { return !w->running; });
    w->waiter = nullptr;
}

void PollInputs() {
    ThreadState& t = detail::CurrentThread();
    // A handler that pumps messages must not run the watches again underneath itself.
    if (!t.polling) {
        t.polling = true;
        RunReadyWatches(t);
        t.polling = false;
    }
    uint64_t now = ClockNowMs();
    {
        std::lock_guard lock(TheCore().mutex);
        detail::MarkDueTimersLocked(t, now);
    }
    detail::NotifyInputsChanged(t);
}

void SetClock(std::shared_ptr<Clock> clock) {
    ClockSlot& slot = TheClock();
    std::lock_guard lock(slot.mutex);
    slot.clock = clock ? std::move(clock) : std::make_shared<SteadyClock>();
}

uint64_t ClockNowMs() {
    std::shared_ptr<Clock> clock;
    {
        ClockSlot& slot = TheClock();
        std::lock_guard lock(slot.mutex);
        clock = slot.clock;
    }
    return clock->NowMs();
}

void SetThreadBackend(std::shared_ptr<MessageBackend> backend) {
    ThreadState& me = detail::CurrentThread();
    if (!backend)
        backend = std::make_shared<PollBackend>(me.wakeFd);
    // Let go outside the lock. It is freed here only if nothing else holds it: whoever does (a backend that
    // wrapped it) must let it go on this thread too.
    std::shared_ptr<MessageBackend> old;
    std::lock_guard lock(TheCore().mutex);
    old = std::exchange(me.backend, std::move(backend));
    detail::InputsChangedLocked(me);
}

std::shared_ptr<MessageBackend> ThreadBackend() {
    ThreadState& me = detail::CurrentThread();
    std::lock_guard lock(TheCore().mutex);
    return me.backend;
}

int ThreadWakeFd() {
    return detail::CurrentThread().wakeFd;
}

std::vector<WatchedFd> ThreadWatchedFds() {
    ThreadState& me = detail::CurrentThread();
    std::vector<WatchedFd> fds;
    std::lock_guard lock(TheCore().mutex);
    for (const auto& w : me.watches) {
        if (w->events != 0)
            fds.push_back({w->fd, w->events});
    }
    return fds;
}

int ThreadTimerTimeoutMs() {
    ThreadState& me = detail::CurrentThread();
    uint64_t now = ClockNowMs();
    std::lock_guard lock(TheCore().mutex);
    return detail::TimerTimeoutMsLocked(me, now);
}

}  // namespace win
