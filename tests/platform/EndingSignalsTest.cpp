// The signals that end a program, caught for its message loop: the first becomes a call from the loop, a second
// ends the process at once.
#include <signal.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/win/EndingSignals.h"
#include "platform/win/MessageLoop.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace tarvo::test;

class EndingSignalsTest : public TarvoTest {};

void (*Disposition(int signal))(int) {
    struct sigaction now {};
    ::sigaction(signal, nullptr, &now);
    return now.sa_handler;
}

TEST_F(EndingSignalsTest, TheFirstSignalIsHandedToTheLoopAndStaysKnownAfterTheWatchHasGone) {
    void (*before)(int) = Disposition(SIGTERM);
    int calls = 0;
    {
        win::EndingSignalWatch watch([&] { ++calls; });
        ::raise(SIGTERM);
        EXPECT_EQ(calls, 0) << "the handler only tells the loop";
        win::Application::ProcessMessages();
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(win::EndingSignalWatch::Caught(), SIGTERM);
    }
    EXPECT_EQ(win::EndingSignalWatch::Caught(), SIGTERM) << "for the program to end by it once it has closed";
    EXPECT_EQ(Disposition(SIGTERM), before) << "the earlier handling is back";
}

TEST_F(EndingSignalsTest, ASecondSignalWhileTheFirstIsHandledEndsTheProcessAtOnce) {
    // Forked, not started again: a new process would make a sandbox of its own and die before removing it.
    GTEST_FLAG_SET(death_test_style, "fast");
    EXPECT_EXIT(
        {
            win::EndingSignalWatch watch([] {
                ::raise(SIGINT);
                std::_Exit(0);  // the rest of the close: never reached
            });
            ::raise(SIGTERM);
            win::Application::ProcessMessages();
            std::_Exit(1);
        },
        testing::KilledBySignal(SIGINT), "");
}

}  // namespace
