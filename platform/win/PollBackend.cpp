#include "platform/win/PollBackend.h"

#include <poll.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

namespace win {

namespace {
// Without a wake-up descriptor a post cannot interrupt poll(), so the wait looks again this often.
constexpr int kWaitWithoutWakeFdMs = 10;
}  // namespace

void PollBackend::WaitForInput(int timeoutMs) {
    std::vector<pollfd> fds{{wakeFd_, POLLIN, 0}};
    for (const WatchedFd& w : ThreadWatchedFds())
        fds.push_back({w.fd, w.events, 0});
    if (wakeFd_ < 0 && (timeoutMs < 0 || timeoutMs > kWaitWithoutWakeFdMs))
        timeoutMs = kWaitWithoutWakeFdMs;
    if (::poll(fds.data(), fds.size(), timeoutMs) > 0 && (fds[0].revents & POLLIN)) {
        uint64_t count;
        [[maybe_unused]] ssize_t n = ::read(wakeFd_, &count, sizeof count);
    }
}

void PollBackend::Wake() {
    // The owning thread is not in poll() when it posts, and it looks at its queue before it waits again:
    // only another thread needs the eventfd.
    if (wakeFd_ < 0 || std::this_thread::get_id() == owner_)
        return;
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

}  // namespace win
