#pragma once
// The signals that ask a program to end: Ctrl-C (SIGINT), a kill (SIGTERM) and a hang-up (SIGHUP: a closed
// terminal, the end of the desktop session). A program catches them to clean up before it ends; but one ignored
// when the program started was ignored on purpose by whoever started it (nohup, a background job), and stays so.

#include <signal.h>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "platform/win/MessageLoop.h"

namespace win {

// Handles each ending signal that is not ignored now with handler (SA_RESTART: calls under way go on), until
// the object goes, which puts back what was there before.
class EndingSignalHandler {
public:
    explicit EndingSignalHandler(void (*handler)(int signal));
    ~EndingSignalHandler();
    EndingSignalHandler(const EndingSignalHandler&) = delete;
    EndingSignalHandler& operator=(const EndingSignalHandler&) = delete;

private:
    std::vector<std::pair<int, struct sigaction>> before_;
};

// Ends the process as the signal would have: output flushed, then the signal's default action (status
// 128 + signal should that not end the process).
[[noreturn]] void DieOf(int signal);

// For a program with a message loop: the first ending signal becomes a call of onSignal on the thread that made
// the watch, from whichever of its loops runs next (the top one, a modal dialog's, a blocking call's wait). The
// signal handler only writes a byte to a pipe that the thread's message core watches. A second signal ends the
// program at once. One watch at a time in a process. Raises Exception when the pipe cannot be made.
class EndingSignalWatch {
public:
    explicit EndingSignalWatch(std::function<void()> onSignal);
    ~EndingSignalWatch();
    EndingSignalWatch(const EndingSignalWatch&) = delete;
    EndingSignalWatch& operator=(const EndingSignalWatch&) = delete;

    // The signal that came while a watch was there, also after it has gone; 0 when none came.
    static int Caught();

private:
    void Release();  // the watch, the window and the pipe

    std::function<void()> onSignal_;
    int pipe_[2] = {-1, -1};
    HWND window_ = 0;
    FdWatchId watch_ = 0;
    std::optional<EndingSignalHandler> handler_;  // last: made when all it reaches exists, gone before it goes
};

}  // namespace win
