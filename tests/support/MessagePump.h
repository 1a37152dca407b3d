#pragma once
// Runs the calling thread's message loop for a test until a condition holds, bounded in time.

#include <functional>

#include "platform/win/WinTypes.h"

namespace tarvo::test {

// Dispatches messages until done() is true or about maxMs passed; the result is done().
bool PumpUntil(const std::function<bool()>& done, int maxMs = 20000);
// Dispatches what is queued now and what arrives within a short moment (for "nothing more came").
void PumpPending(int rounds = 5);
// Waits, dispatching nothing, until a message Msg for Window is in the thread's queue or about maxMs passed;
// true when it is there.
bool WaitQueued(win::HWND Window, win::UINT Msg, int maxMs = 20000);

}  // namespace tarvo::test
