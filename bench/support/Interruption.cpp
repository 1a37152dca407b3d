#include "bench/support/Interruption.h"

#include <atomic>
#include <cstdio>

#include "platform/win/EndingSignals.h"

namespace {

std::atomic<int> caught{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler may only touch a lock-free atomic");

void Note(int signal) {
    caught = signal;
}

}  // namespace

void StopIfInterrupted() {
    if (caught)
        throw Interrupted();
}

int RunInterruptibly(const std::function<int()>& body) {
    win::EndingSignalHandler catching(Note);
    int status = 1;
    try {
        status = body();
    } catch (const std::exception& e) {
        // A step the signal cut short may fail in its own words first; those are not the news.
        if (!caught)
            std::fprintf(stderr, "%s\n", e.what());
    }
    if (int signal = caught)
        win::DieOf(signal);
    return status;
}
