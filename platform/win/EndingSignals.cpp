#include "platform/win/EndingSignals.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/rtl/SysUtils.h"

namespace win {

namespace {

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr UINT kSignalCame = WM_USER;

// What the signal handler touches: lock-free atomics only.
std::atomic<int> caught{0};
std::atomic<int> pipeWriteEnd{-1};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler may only touch a lock-free atomic");

void OnEndingSignal(int signal) {
    int none = 0;
    if (!caught.compare_exchange_strong(none, signal)) {
        // The program is closing already. The signal stays blocked until this handler returns, and then ends it.
        ::signal(signal, SIG_DFL);
        ::raise(signal);
        return;
    }
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] ssize_t written = ::write(pipeWriteEnd.load(), &byte, 1);
    errno = savedErrno;
}

}  // namespace

EndingSignalHandler::EndingSignalHandler(void (*handler)(int signal)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kEndingSignals) {
        struct sigaction before {};
        if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN &&
            ::sigaction(signal, &action, nullptr) == 0)
            before_.emplace_back(signal, before);
    }
}

EndingSignalHandler::~EndingSignalHandler() {
    for (const auto& [signal, before] : before_)
        ::sigaction(signal, &before, nullptr);
}

void DieOf(int signal) {
    std::fflush(nullptr);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
    std::_Exit(128 + signal);
}

EndingSignalWatch::EndingSignalWatch(std::function<void()> onSignal) : onSignal_(std::move(onSignal)) {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0)
        throw Exception(std::string("Cannot watch for the signals that end the program: ") + std::strerror(errno));
    // The watch only posts: what the signal sets off may pump messages, which it must not do inside the poll.
    window_ = AllocateHWnd([this](TMessage& message) {
        if (message.Msg == kSignalCame)
            onSignal_();
    });
    if (window_ != 0)
        watch_ = WatchFd(GetCurrentThreadId(), pipe_[0], POLLIN, [this](short) {
            char bytes[16];
            while (::read(pipe_[0], bytes, sizeof bytes) > 0) {
            }
            PostMessageA(window_, kSignalCame, 0, 0);
        });
    if (watch_ == 0) {
        Release();
        throw Exception("Cannot watch for the signals that end the program: this thread has no message queue");
    }
    caught = 0;
    pipeWriteEnd = pipe_[1];
    handler_.emplace(OnEndingSignal);
}

EndingSignalWatch::~EndingSignalWatch() {
    handler_.reset();
    pipeWriteEnd = -1;
    Release();
}

void EndingSignalWatch::Release() {
    if (watch_ != 0)
        UnwatchFd(watch_);
    if (window_ != 0)
        DeallocateHWnd(window_);
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

int EndingSignalWatch::Caught() {
    return caught.load();
}

}  // namespace win
