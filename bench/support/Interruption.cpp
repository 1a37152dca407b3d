#include "bench/support/Interruption.h"

#include <signal.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

std::atomic<int> caught{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler may only touch a lock-free atomic");

void Note(int signal) {
    caught = signal;
}

// Calls under way go on (SA_RESTART): the step they belong to ends before the run stops. Whoever started us chose
// to ignore a signal ignored now, so it stays so.
void CatchSignals() {
    struct sigaction action {};
    action.sa_handler = Note;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction before {};
        if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN)
            ::sigaction(signal, &action, nullptr);
    }
}

[[noreturn]] void DieOf(int signal) {
    std::fflush(nullptr);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
    std::_Exit(128 + signal);
}

}  // namespace

void StopIfInterrupted() {
    if (caught)
        throw Interrupted();
}

int RunInterruptibly(const std::function<int()>& body) {
    CatchSignals();
    int status = 1;
    try {
        status = body();
    } catch (const std::exception& e) {
        // A step the signal cut short may fail in its own words first; those are not the news.
        if (!caught)
            std::fprintf(stderr, "%s\n", e.what());
    }
    if (int signal = caught)
        DieOf(signal);
    return status;
}
